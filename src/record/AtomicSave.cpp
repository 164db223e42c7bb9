// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/AtomicSave.h"

#include <QSaveFile>

namespace {
QString errorText(const QFileDevice& file) {
    return QStringLiteral("Error - %1 - %2")
        .arg(static_cast<int>(file.error()))
        .arg(file.errorString());
}
} // namespace

QString saveFileAtomically(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return errorText(file);
    }
    // The data is flushed here rather than by commit(), which does not notice
    // a failure of its own final flush and would then replace the previous
    // file with a cut-short one. A short write is not a failure by itself:
    // the second flush writes the rest, or fails with the system's reason.
    if (file.write(data) != data.size() || !(file.flush() || file.flush())) {
        const QString error = errorText(file);
        file.cancelWriting();
        return error;
    }
    if (!file.commit()) {
        return errorText(file);
    }
    return {};
}
