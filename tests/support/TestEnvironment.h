// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// Gives every test executable its own scratch folder (build/test-scratch/<name>)
// as TMPDIR, HOME, XDG_CONFIG_HOME and XDG_DATA_HOME, so that no test, nor a
// program it starts, touches a real user's files, and tells tests where the
// programs are (VANTREL_BIN_DIR).
inline void prepareTestEnvironment() {
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const QString bin = exe.absolutePath();
    const QString scratch =
        QDir(bin).absoluteFilePath(QStringLiteral("../test-scratch/") + exe.fileName());
    QDir().mkpath(scratch + QStringLiteral("/config"));
    const QByteArray s = QDir::cleanPath(scratch).toLocal8Bit();
    qputenv("TMPDIR", s);
    qputenv("HOME", s);
    qputenv("XDG_CONFIG_HOME", s + "/config");
    qputenv("XDG_DATA_HOME", s + "/data");
    if (qEnvironmentVariableIsEmpty("VANTREL_BIN_DIR")) {
        qputenv("VANTREL_BIN_DIR", bin.toLocal8Bit());
    }
    QStandardPaths::setTestModeEnabled(true);
}
