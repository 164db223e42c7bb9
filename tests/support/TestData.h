// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QString>

// The text of a file under tests/data, or an empty text when it is missing.
inline QString testDataText(const QString& relativePath) {
    QFile file(QStringLiteral(VANTREL_TEST_DATA_DIR "/") + relativePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

// The bytes of a file under tests/data exactly as stored (line ends kept), or
// nothing when it is missing.
inline QByteArray testDataBytes(const QString& relativePath) {
    QFile file(QStringLiteral(VANTREL_TEST_DATA_DIR "/") + relativePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}
