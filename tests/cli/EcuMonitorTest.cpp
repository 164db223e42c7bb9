// SPDX-License-Identifier: GPL-3.0-or-later
// "vantrelctl monitor" against a simulated ECU on a pseudo-terminal.

#include "EcuCommandSupport.h"
#include "monitor/LogFormat.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>

#include <csignal>

namespace {

// Bytes the ECU receives while the command finds it (the search byte, seven
// identity reads, six status and extra reads) and during one poll (fifteen
// reads, two of them asking for their second byte).
constexpr int kIdentifyBytes = 14;
constexpr int kPollBytes = 15 + 2;

constexpr int kRecordWidth = 8 + 13 * 10;

QStringList lines(const QByteArray& out) {
    QStringList all = QString::fromUtf8(out).split(QStringLiteral("\r\n"));
    EXPECT_TRUE(all.last().isEmpty()) << "the last line lacks its CR LF";
    all.removeLast();
    return all;
}

// The fields of a record line: time (8 columns), then thirteen of 10.
QStringList fields(const QString& record) {
    QStringList out{record.left(8).trimmed()};
    for (int i = 0; i < 13; ++i) {
        out << record.mid(8 + 10 * i, 10).trimmed();
    }
    return out;
}

// Positions of the fields the tests look at.
enum Field { Time, Rpm, Battery = 6, Duty, Fuel, Ignition, Status = 13 };

QStringList monitorArguments(int count) {
    return {QStringLiteral("--count"), QString::number(count), QStringLiteral("--interval-ms"),
            QStringLiteral("20")};
}

TEST(Monitor, PrintsTheLogHeaderThenOneRecordPerPoll) {
    const SimulatorProcess simulator;
    const Outcome outcome =
        onPort(simulator.device(), QStringLiteral("monitor"), monitorArguments(3));
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    const QStringList all = lines(outcome.out);
    ASSERT_EQ(all.size(), 3 + 3);
    EXPECT_EQ(all[0], logRuleLine());
    EXPECT_EQ(all[2], fullRecordTitleLine());

    double previousTime = -1;
    for (int i = 3; i < all.size(); ++i) {
        SCOPED_TRACE(all[i].toStdString());
        EXPECT_EQ(all[i].size(), kRecordWidth);
        const QStringList f = fields(all[i]);
        EXPECT_EQ(f[Rpm].toInt() % 50, 0);
        const double time = f[Time].toDouble();
        EXPECT_GT(time, previousTime);
        previousTime = time;
    }
}

TEST(Monitor, RecordShowsThePolledValuesInEngineeringUnits) {
    // The engine model stands still at 10 seconds after the key was turned,
    // so the live values the poll reads are the ones the test computes from.
    auto clock = std::make_shared<std::atomic<qint64>>(0);
    EcuOnTerminal ecu([clock](SimulatedEcu& e) { e.setClock([clock] { return clock->load(); }); });
    clock->store(10000);
    const SimulatedLiveValues raw = ecu.with([](SimulatedEcu& e) { return e.liveValues(); });
    ASSERT_TRUE(raw.status1 & 2) << "the engine should be turning";
    ASSERT_EQ(raw.status2 & (64 | 128), 0);
    ASSERT_GT(raw.enginePeriod, 0);

    const Outcome outcome = onPort(ecu.device(), QStringLiteral("monitor"), monitorArguments(1));
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    const QStringList all = lines(outcome.out);
    ASSERT_EQ(all.size(), 4);
    const QStringList f = fields(all[3]);

    const double period = raw.enginePeriod;
    const double rpm =
        std::floor(std::round(std::min(60 / (period * 0.000024), 30000.0)) / 50) * 50;
    EXPECT_EQ(f[Rpm].toDouble(), rpm);
    EXPECT_NEAR(f[Battery].toDouble(), std::floor(raw.battery * 158 / 255.0) / 10, 0.051);
    EXPECT_NEAR(f[Fuel].toDouble(), raw.injectorTime * 0.002, 0.0051);
    EXPECT_NEAR(f[Duty].toDouble(), raw.injectorTime / (period * 12) * 100, 0.051);
    EXPECT_NEAR(f[Ignition].toDouble(), raw.ignition / 2.0, 0.051);
    EXPECT_EQ(f[Status].toInt(), raw.status1);
}

TEST(Monitor, RecordsArriveAsTheyAreMadeAndASignalEndsThemOnAWholeRecord) {
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const SimulatorProcess simulator;
        QProcess monitor;
        monitor.start(binary(QStringLiteral("vantrelctl")),
                      {QStringLiteral("monitor"), QStringLiteral("--port"), simulator.device(),
                       QStringLiteral("--interval-ms"), QStringLiteral("20")});
        // Three records are far less than any output buffer holds: they come
        // through the pipe only when each is flushed as it is written.
        QByteArray out;
        while (out.count("\r\n") < 3 + 3) {
            ASSERT_TRUE(monitor.waitForReadyRead(kPatienceMs)) << out.constData();
            out += monitor.readAllStandardOutput();
        }
        ::kill(static_cast<pid_t>(monitor.processId()), signal);
        ASSERT_TRUE(monitor.waitForFinished(kPatienceMs));
        out += monitor.readAllStandardOutput();
        EXPECT_EQ(monitor.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(monitor.exitCode(), 0) << monitor.readAllStandardError().constData();
        const QStringList all = lines(out);
        ASSERT_GE(all.size(), 3 + 3);
        for (int i = 3; i < all.size(); ++i) {
            EXPECT_EQ(all[i].size(), kRecordWidth) << all[i].toStdString();
        }
    }
}

TEST(Monitor, EcuFallingSilentEndsTheRecordsWithCommunicationLost) {
    const SimulatorProcess simulator(
        {QStringLiteral("--stop-after"), QString::number(kIdentifyBytes + 2 * kPollBytes)});
    const Outcome outcome = onPort(simulator.device(), QStringLiteral("monitor"),
                                   monitorArguments(5), shortReplyWait(kFallingSilentReplyMs));
    EXPECT_EQ(outcome.exitCode, 5);
    EXPECT_EQ(lines(outcome.out).size(), 3 + 2);
    EXPECT_EQ(outcome.count(QStringLiteral("error: Communication Lost!\n")), 1)
        << outcome.err.toStdString();
}

// A problem in the status takes the ECU offline before any poll (each
// problem's box is a test of the status report).
TEST(Monitor, StatusProblemIsReportedAndEndsTheCommand) {
    const SimulatorProcess simulator({QStringLiteral("--status1"), QStringLiteral("32")});
    const Outcome outcome =
        onPort(simulator.device(), QStringLiteral("monitor"), monitorArguments(3));
    EXPECT_EQ(outcome.exitCode, 5);
    EXPECT_TRUE(outcome.out.isEmpty());
    EXPECT_EQ(outcome.count(QStringLiteral("System Error! Memory Error \nCycle the power on the "
                                           "ECU and recheck ALL settings! \n")),
              1)
        << outcome.err.toStdString();
}

TEST(Monitor, CountAndIntervalMustBeNumbers) {
    for (const QStringList& options :
         {QStringList{QStringLiteral("--count"), QStringLiteral("0")},
          QStringList{QStringLiteral("--count"), QStringLiteral("many")},
          QStringList{QStringLiteral("--interval-ms"), QStringLiteral("-5")}}) {
        const Outcome outcome =
            onPort(QStringLiteral("/nonexistent/ttyVantrel"), QStringLiteral("monitor"), options);
        EXPECT_EQ(outcome.exitCode, 2) << options.join(' ').toStdString();
    }
}

} // namespace
