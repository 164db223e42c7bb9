// SPDX-License-Identifier: GPL-3.0-or-later
// The ECU commands of vantrelctl, run as a separate program against a
// simulated ECU on a real pseudo-terminal.

#include "EcuCommandSupport.h"

#include "comm/QtSerialLink.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// ---------------------------------------------------------------------------
// The command line of the ECU commands

TEST(EcuCommandLine, PortMustBeGivenExactlyOnce) {
    const Outcome none = vantrelctl({QStringLiteral("identify")});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_TRUE(none.err.contains(QStringLiteral("--port DEVICE or --com N")));

    const Outcome both =
        vantrelctl({QStringLiteral("identify"), QStringLiteral("--port"),
                    QStringLiteral("/dev/null"), QStringLiteral("--com"), QStringLiteral("1")});
    EXPECT_EQ(both.exitCode, 2);

    const Outcome outOfRange =
        vantrelctl({QStringLiteral("identify"), QStringLiteral("--com"), QStringLiteral("6")});
    EXPECT_EQ(outOfRange.exitCode, 2);
    EXPECT_TRUE(outOfRange.out.isEmpty());
}

TEST(EcuCommandLine, PortNameIsAPathWithASlashElseADeviceUnderDev) {
    const Outcome empty = onPort(QString(), QStringLiteral("identify"));
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_TRUE(empty.err.contains(QStringLiteral("--port"))) << empty.err.toStdString();

    const QTemporaryDir dir;
    const struct {
        QString given;
        QString opened;
    } cases[] = {
        {QStringLiteral("ttyVantrelAbsent"), QStringLiteral("/dev/ttyVantrelAbsent")},
        {QStringLiteral("sub/ttyVantrel"), dir.filePath(QStringLiteral("sub/ttyVantrel"))},
        {QStringLiteral("/nonexistent/ttyVantrel"), QStringLiteral("/nonexistent/ttyVantrel")},
    };
    for (const auto& c : cases) {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(binary(QStringLiteral("vantrelctl")),
                      {QStringLiteral("identify"), QStringLiteral("--port"), c.given});
        ASSERT_TRUE(process.waitForFinished(kPatienceMs));
        EXPECT_EQ(process.exitCode(), 3);
        EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()),
                  QStringLiteral("error: Comm Port Error - %1: No such file or directory\n")
                      .arg(c.opened));
    }
}

TEST(EcuCommandLine, ComNumberMeansTheDeviceOfTheWindowProgramsPortMap) {
    const SimulatorProcess simulator;
    const QTemporaryDir config;
    ASSERT_TRUE(QDir(config.path()).mkpath(QStringLiteral("Vantrel")));
    QFile map(config.filePath(QStringLiteral("Vantrel/ports.conf")));
    ASSERT_TRUE(map.open(QIODevice::WriteOnly));
    map.write("# test port\nCOM3 = " + simulator.device().toLocal8Bit() + "\n");
    map.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());

    const Outcome outcome = vantrelctl(
        {QStringLiteral("identify"), QStringLiteral("--com"), QStringLiteral("3")}, environment);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.out.startsWith("Version 2.051\n"));
}

TEST(EcuCommandLine, APortMapThatIsNoRegularFileIsNamedAndTheUsualDeviceOpened) {
    const QTemporaryDir config;
    ASSERT_TRUE(QDir(config.path()).mkpath(QStringLiteral("Vantrel")));
    const QString map = config.filePath(QStringLiteral("Vantrel/ports.conf"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), map));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());

    const Outcome outcome = vantrelctl(
        {QStringLiteral("identify"), QStringLiteral("--com"), QStringLiteral("5")}, environment);
    EXPECT_TRUE(outcome.err.startsWith(QStringLiteral("warning: ")) &&
                outcome.err.contains(map + QStringLiteral(" is a device, not a regular file")))
        << outcome.err.toStdString();
    EXPECT_TRUE(outcome.err.contains(QStringLiteral("Comm Port Error - /dev/ttyS4: ")))
        << outcome.err.toStdString();
}

TEST(EcuCommandLine, APortHeldByAnotherProgramIsSaidToBeInUseByIt) {
    const SimulatorProcess simulator;
    QtSerialLink windowProgram; // holds the port as the window program would
    windowProgram.setDevice(simulator.device());
    QString error;
    ASSERT_TRUE(windowProgram.open(&error)) << error.toStdString();

    const Outcome outcome = onPort(simulator.device(), QStringLiteral("identify"));
    EXPECT_EQ(outcome.exitCode, 3);
    EXPECT_EQ(outcome.err, QStringLiteral("error: Comm Port Error - %1: the port is in use by %2 "
                                          "(process %3)\n")
                               .arg(simulator.device(), QCoreApplication::applicationName())
                               .arg(QCoreApplication::applicationPid()));
}

// ---------------------------------------------------------------------------
// identify

// How the search ends shows in the exit code, on standard output (version,
// build and serial on three lines) and in a message on a line of its own,
// prefixed by how grave it is.
TEST(Identify, SearchOutcomesGiveTheirExitCodesOutputAndMessages) {
    const struct {
        QStringList options;
        int exitCode;
        QByteArray out;
        QString message;
    } cases[] = {
        {{},
         0,
         "Version 2.051\nBuild 007\nSerial 1-4-07-00042\n",
         QStringLiteral("Found ECU - Version 2.051\n             (Build 007)\n")},
        // Byte 1 0xE5: field 2 = 7 + 1, field 3 = 5; byte 2 0xC1: field 1 =
        // 3 + 1, field 4 = 1 x 256 + byte 3.
        {{QStringLiteral("--serial"), QStringLiteral("0xE5,0xC1,2"), QStringLiteral("--build"),
          QStringLiteral("120")},
         0,
         "Version 2.051\nBuild 120\nSerial 4-8-05-00258\n",
         QStringLiteral("Found ECU - Version 2.051\n             (Build 120)\n")},
        {{QStringLiteral("--version"), QStringLiteral("2.050")},
         4,
         "",
         QStringLiteral("error: Found ECU - Version 2.050\n             (Build 007)\n"
                        "Expecting   - Version 2.051\n\nPlease contact Marrowby\n")},
        {{QStringLiteral("--version"), QStringLiteral("255.3")},
         0,
         "Version 255.003\nBuild 007\nSerial 1-4-07-00042\n",
         QStringLiteral("warning: Found ECU - Version 255.003\n             (Build 007)\n\n"
                        "Experimental Firmware\n")},
        {{QStringLiteral("--echo")},
         4,
         "",
         QStringLiteral("error: Invalid Response\nCheck your Com Port/Cables and try again.\n")},
        {{QStringLiteral("--silent")}, 4, "", QStringLiteral("ECU Not Found\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        const SimulatorProcess simulator(c.options);
        const Outcome outcome = onPort(simulator.device(), QStringLiteral("identify"), {},
                                       shortReplyWait(kFallingSilentReplyMs));
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        EXPECT_EQ(outcome.out, c.out);
        EXPECT_EQ((QStringLiteral("\n") + outcome.err).count(QStringLiteral("\n") + c.message), 1)
            << outcome.err.toStdString();
        EXPECT_FALSE(outcome.err.contains(QStringLiteral("Search for ECU?")));
    }
}

TEST(Identify, WarningBitsOfTheStatusAreReportedAfterTheSearch) {
    const SimulatorProcess simulator({QStringLiteral("--status1"), QStringLiteral("16")});
    const Outcome outcome = onPort(simulator.device(), QStringLiteral("identify"));
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_TRUE(outcome.err.contains(QStringLiteral("Communication Error! Invalid Serial Data \n"
                                                    "\nPlease Contact Marrowby\n\n"
                                                    "Click on Find ECU to clear warnings")))
        << outcome.err.toStdString();
}

// ---------------------------------------------------------------------------
// read

TEST(Read, RandomisedRecordSurvivesTheRoundTripThroughTheEcu) {
    const QTemporaryDir dir;
    for (quint32 seed : {11u, 2024u, 777777u}) {
        SCOPED_TRACE(seed);
        const EcuSettings record = randomValidRecord(seed);
        ASSERT_NE(record, startupRecord());
        const SimulatorProcess simulator(
            {QStringLiteral("--file"), saveRecord(dir, QStringLiteral("given.ecu"), record)});
        const QString readBack = dir.filePath(QStringLiteral("read-%1.ecu").arg(seed));
        const Outcome outcome =
            onPort(simulator.device(), QStringLiteral("read"), {QStringLiteral("-o"), readBack});
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
        EXPECT_FALSE(outcome.err.contains(QStringLiteral("Data Error Found and Fixed!")));
        EXPECT_TRUE(outcome.out.isEmpty());

        const EcuFileReadResult result = loadEcuFile(readBack, startupRecord());
        ASSERT_TRUE(result.ok()) << result.error.toStdString();
        EXPECT_EQ(*result.settings, record)
            << describeDifferences(record, *result.settings).toStdString();
        EXPECT_EQ(readFile(readBack), writeEcuFile(record));
    }
}

TEST(Read, ImpossibleValueIsRepairedAndTheFixSentToTheEcu) {
    const QTemporaryDir dir;
    EcuSettings record = startupRecord();
    record.NumberOfCylinders = 5;
    record.IgnitionType = 2;
    const SimulatorProcess simulator(
        {QStringLiteral("--file"), saveRecord(dir, QStringLiteral("bad.ecu"), record)});

    const Outcome first = onPort(simulator.device(), QStringLiteral("read"));
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_TRUE(first.err.contains(QStringLiteral("error: Data Error Found and Fixed!\n\n"
                                                  " Number of Cylinders set to 6\n")))
        << first.err.toStdString();
    record.NumberOfCylinders = 6;
    EXPECT_EQ(first.out, writeEcuFile(record));

    // The ECU now holds the repaired value, so a second read repairs nothing.
    const Outcome second = onPort(simulator.device(), QStringLiteral("read"));
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_FALSE(second.err.contains(QStringLiteral("Data Error Found and Fixed!")));
    EXPECT_EQ(second.out, writeEcuFile(record));
}

TEST(Read, BadSumOfTheOtherBlockTakesTheEcuOfflineAndWritesNothing) {
    const QTemporaryDir dir;
    const SimulatorProcess simulator({QStringLiteral("--bad-checksum"), QStringLiteral("16")});
    const QString path = dir.filePath(QStringLiteral("never.ecu"));
    const Outcome outcome =
        onPort(simulator.device(), QStringLiteral("read"), {QStringLiteral("-o"), path});
    EXPECT_EQ(outcome.exitCode, 5);
    EXPECT_EQ(outcome.count(QStringLiteral("Download Error! (Other)")), 1)
        << outcome.err.toStdString();
    EXPECT_FALSE(outcome.err.contains(QStringLiteral("(Fuel)")));
    EXPECT_FALSE(QFile::exists(path));
}

TEST(Read, ShortFuelBlockFailsTheDownloadAndWritesNothing) {
    const SimulatorProcess simulator({QStringLiteral("--short-block"), QStringLiteral("14")});
    const Outcome outcome =
        onPort(simulator.device(), QStringLiteral("read"), {}, shortReplyWait(kShortBlockWaitMs));
    EXPECT_EQ(outcome.exitCode, 5);
    EXPECT_EQ(outcome.count(QStringLiteral("Download Failed! (Fuel)")), 1)
        << outcome.err.toStdString();
    // The table reads leave the ECU online: the other blocks are still read.
    EXPECT_FALSE(outcome.err.contains(QStringLiteral("(Ign)")));
    EXPECT_FALSE(outcome.err.contains(QStringLiteral("(Other)")));
    EXPECT_TRUE(outcome.out.isEmpty());
}

} // namespace
