// SPDX-License-Identifier: GPL-3.0-or-later
// The write and store commands run against a simulated ECU on a
// pseudo-terminal.

#include "EcuCommandSupport.h"
#include "sim/SimulatedEcu.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Bytes the ECU receives while a command finds it: the search byte, the seven
// identity reads and the six status and extra reads that follow.
constexpr qint64 kIdentifyBytes = 1 + 7 + 6;
// The first write of the full send: the cylinder count's command and value.
constexpr qint64 kCylindersWriteBytes = 2;

// The blocks of the three bulk reads: every value the full send writes, plus
// the wheel type.
QByteArray blocksOf(const EcuSettings& image) {
    return SimulatedEcu::fuelBlock(image) + SimulatedEcu::ignitionBlock(image) +
           SimulatedEcu::otherBlock(image);
}

EcuSettings recordToSend(quint32 seed) {
    EcuSettings record = randomValidRecord(seed);
    // Without its code section the wheel type is not sent.
    record.WheelType = SimulatedEcu::defaultImage().WheelType;
    return record;
}

TEST(Write, EveryValueOfTheFileReachesTheEcuAndIsStoredOnlyWhenAsked) {
    const QTemporaryDir dir;
    for (const bool store : {false, true}) {
        SCOPED_TRACE(store);
        const EcuSettings record = recordToSend(store ? 32 : 31);
        EcuOnTerminal ecu;
        ASSERT_NE(ecu.with([](SimulatedEcu& e) { return blocksOf(e.settings()); }),
                  blocksOf(record));
        QStringList arguments{saveRecord(dir, QStringLiteral("send.ecu"), record)};
        if (store) {
            arguments << QStringLiteral("--store");
        }

        const Outcome outcome = onPort(ecu.device(), QStringLiteral("write"), arguments);

        EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.out.isEmpty());
        EXPECT_EQ(outcome.count(QStringLiteral("Data Saved!\n")), store ? 1 : 0);
        EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return blocksOf(e.settings()); }),
                  blocksOf(record));
        EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return e.storeCount(); }), store ? 1 : 0);
        if (store) {
            EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return blocksOf(e.storedSettings()); }),
                      blocksOf(record));
        }
    }
}

// A file that cannot be read, or that holds a value the ECU cannot take, is
// refused as a whole before any byte is sent.
TEST(Write, BadFileIsRefusedBeforeAnyByteIsSent) {
    const QTemporaryDir dir;
    const QString unreadable = dir.filePath(QStringLiteral("bad-version.ecu"));
    QFile bad(unreadable);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\"File Version            \",3.14\r\n");
    bad.close();
    EcuSettings record = startupRecord();
    record.FuelTable[3][5] = -5;
    record.AccelRpm = 70000;
    const QString outOfRange = saveRecord(dir, QStringLiteral("out-of-range.ecu"), record);
    const std::pair<QString, QString> cases[] = {
        {unreadable, QStringLiteral("Invalid Data File Version 3.14")},
        {outOfRange, QStringLiteral("error: %1: Data file not loaded - values out of range for "
                                    "the ECU:\n"
                                    "Accel Rpm: 70000 is outside 0..65535\n"
                                    "Fuel Table, row 3, column 5: -5 is outside 0..255\n")
                         .arg(outOfRange)},
    };
    for (const auto& [file, message] : cases) {
        EcuOnTerminal ecu;
        const Outcome outcome =
            onPort(ecu.device(), QStringLiteral("write"), {file, QStringLiteral("--store")});
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_TRUE(outcome.err.contains(message)) << outcome.err.toStdString();
        EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return e.bytesReceived(); }), 0);
    }
}

TEST(Write, RefusedWriteLosesSyncOnceAndEndsTheSend) {
    const QTemporaryDir dir;
    const QString file = saveRecord(dir, QStringLiteral("send.ecu"), startupRecord());
    EcuOnTerminal ecu([](SimulatedEcu& e) { e.setRefuseWrites(true); });
    const Outcome outcome = onPort(ecu.device(), QStringLiteral("write"), {file});
    EXPECT_EQ(outcome.exitCode, 5);
    EXPECT_EQ(outcome.count(QStringLiteral("Communication Sync Lost!")), 1)
        << outcome.err.toStdString();
    EXPECT_EQ(outcome.count(QStringLiteral("Communication Lost!")), 0);
    // The rest of the send is skipped: after the first write nothing more
    // reaches the ECU.
    EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return e.bytesReceived(); }),
              kIdentifyBytes + kCylindersWriteBytes);
}

TEST(Write, EcuFallingSilentPartWayIsReportedOnceAndEndsTheSend) {
    const QTemporaryDir dir;
    const QString file = saveRecord(dir, QStringLiteral("send.ecu"), startupRecord());
    // Silent from the second command of the send on: its command byte goes
    // unanswered, and its confirmation then cannot come either.
    const qint64 answered = kIdentifyBytes + kCylindersWriteBytes;
    const SimulatorProcess simulator({QStringLiteral("--stop-after"), QString::number(answered)});
    const Outcome outcome = onPort(simulator.device(), QStringLiteral("write"), {file},
                                   shortReplyWait(kFallingSilentReplyMs));
    EXPECT_EQ(outcome.exitCode, 5);
    EXPECT_EQ(outcome.count(QStringLiteral("error: Communication Lost!\n")), 1)
        << outcome.err.toStdString();
    EXPECT_EQ(outcome.count(QStringLiteral("Communication Sync Lost!")), 1);
}

TEST(Store, AnsweredStoreSaysDataSaved) {
    const SimulatorProcess simulator;
    const Outcome outcome = onPort(simulator.device(), QStringLiteral("store"));
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_TRUE(outcome.err.endsWith(QStringLiteral("\nData Saved!\n")))
        << outcome.err.toStdString();
    EXPECT_TRUE(outcome.out.isEmpty());
}

TEST(Store, StoreAnsweredWithZeroSaysDataSaveError) {
    EcuOnTerminal ecu([](SimulatedEcu& e) { e.setStoreFails(true); });
    const Outcome outcome = onPort(ecu.device(), QStringLiteral("store"));
    EXPECT_EQ(outcome.exitCode, 6);
    EXPECT_TRUE(outcome.err.endsWith(QStringLiteral("\nerror: Data Save Error\n")))
        << outcome.err.toStdString();
    EXPECT_FALSE(outcome.err.contains(QStringLiteral("Data Saved!")));
}

TEST(Store, SilentStoreIsCommunicationLostWithoutASaveMessage) {
    // Silent from the store command on.
    const SimulatorProcess simulator(
        {QStringLiteral("--stop-after"), QString::number(kIdentifyBytes)});
    const Outcome outcome = onPort(simulator.device(), QStringLiteral("store"), {},
                                   shortReplyWait(kFallingSilentReplyMs));
    EXPECT_EQ(outcome.exitCode, 5);
    EXPECT_EQ(outcome.count(QStringLiteral("Communication Lost!")), 1);
    EXPECT_FALSE(outcome.err.contains(QStringLiteral("Data Save")));
}

} // namespace
