// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Running vantrelctl as a separate program against vantrel-ecusim, and records
// to give the simulated ECU.

#include "RandomRecord.h"
#include "files/EcuDiff.h"
#include "files/EcuFile.h"
#include "record/AppState.h"
#include "sim/PtyServer.h"
#include "sim/SimulatedEcu.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

// A generous limit on any one program run; the tests never measure time.
inline constexpr int kPatienceMs = 60000;

inline QString binary(const QString& name) {
    return QDir(qEnvironmentVariable("VANTREL_BIN_DIR")).filePath(name);
}

// vantrel-ecusim with the given options, serving until the object goes.
class SimulatorProcess {
public:
    explicit SimulatorProcess(const QStringList& options = {}) {
        m_process.setProgram(binary(QStringLiteral("vantrel-ecusim")));
        m_process.setArguments(options);
        m_process.start();
        if (!m_process.waitForStarted(kPatienceMs)) {
            return;
        }
        while (!m_process.canReadLine() && m_process.state() == QProcess::Running) {
            m_process.waitForReadyRead(kPatienceMs);
        }
        m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~SimulatorProcess() {
        m_process.terminate();
        if (!m_process.waitForFinished(kPatienceMs)) {
            m_process.kill();
            m_process.waitForFinished(kPatienceMs);
        }
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    QString device() const { return m_device; }

private:
    QProcess m_process;
    QString m_device;
};

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QString err;

    // How often a message text appears on the error stream.
    qsizetype count(const QString& text) const { return err.count(text); }
};

inline Outcome
vantrelctl(const QStringList& arguments,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(binary(QStringLiteral("vantrelctl")), arguments);
    EXPECT_TRUE(process.waitForFinished(kPatienceMs));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput(),
            QString::fromUtf8(process.readAllStandardError())};
}

inline Outcome
onPort(const QString& device, const QString& command, QStringList more = {},
       const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    return vantrelctl(QStringList{command, QStringLiteral("--port"), device} + more, environment);
}

// The environment for a vantrelctl that waits replyMs instead of whole
// seconds for each reply (an undocumented switch of vantrelctl), for the
// tests of an ECU that stops answering; long enough for a loaded machine
// where the ECU answers some exchanges first.
inline constexpr int kFallingSilentReplyMs = 300;
// A bulk block takes some 140 ms on the paced line.
inline constexpr int kShortBlockWaitMs = 800;
inline QProcessEnvironment shortReplyWait(int replyMs) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VANTRELCTL_REPLY_TIMEOUT_MS"), QString::number(replyMs));
    return environment;
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

inline QString describeDifferences(const EcuSettings& expected, const EcuSettings& actual) {
    QString text;
    for (const EcuFieldDifference& difference : compareEcuSettings(expected, actual)) {
        text += difference.describe() + QLatin1Char('\n');
    }
    return text;
}

// The data file of a record, written where the test can hand it around.
inline QString saveRecord(const QTemporaryDir& dir, const QString& name,
                          const EcuSettings& record) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(saveEcuFile(path, record).ok());
    return path;
}

// A simulated ECU in this process on a pseudo-terminal of its own, so that
// the test can look into it after the command. Replies are not paced.
class EcuOnTerminal {
public:
    explicit EcuOnTerminal(std::function<void(SimulatedEcu&)> configure = {}) {
        m_simulator.setBaud(0);
        if (configure) {
            m_simulator.setConfigure(std::move(configure));
        }
        QString error;
        EXPECT_TRUE(m_simulator.start(&error)) << error.toStdString();
    }

    QString device() const { return m_simulator.devicePath(); }

    template <typename F> auto with(F function) {
        decltype(function(std::declval<SimulatedEcu&>())) result{};
        m_simulator.withEcu([&](SimulatedEcu& ecu) { result = function(ecu); });
        return result;
    }

private:
    PtySimulator m_simulator;
};
