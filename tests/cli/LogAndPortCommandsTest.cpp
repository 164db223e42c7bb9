// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Commands.h"
#include "cli/StderrInteraction.h"
#include "comm/SerialPorts.h"
#include "monitor/DataLog.h"
#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "record/AppState.h"
#include "record/EngineData.h"
#include "record/SettingsStore.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// Runs one vantrelctl command in process, with the serial ports it is given.
struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the command with its standard output going to out.
Outcome runTo(QIODevice& out, const QString& name, const QStringList& arguments,
              QList<SerialPortEntry> ports = {}) {
    AppState state;
    SettingsStore store;
    QBuffer err;
    err.open(QIODevice::WriteOnly);
    StderrInteraction ui(err);
    CliContext context{state, store, ui, out, [ports] { return ports; }};
    for (const CliCommand& command : cliCommands()) {
        if (command.name == name) {
            const int code = command.run(arguments, context);
            return {code, {}, QString::fromUtf8(err.data())};
        }
    }
    ADD_FAILURE() << "no command " << name.toStdString();
    return {};
}

Outcome run(const QString& name, const QStringList& arguments, QList<SerialPortEntry> ports = {}) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    Outcome outcome = runTo(out, name, arguments, std::move(ports));
    outcome.out = QString::fromUtf8(out.data());
    return outcome;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

// A log of the program's writer: a run of full records, then a run of the
// time history plot's records under the given load control, fuel on trace 1.
QByteArray writtenLog(const QString& path, int16_t loadControl, int fullRecords, int plotRecords) {
    AppState state;
    EcuSettings settings;
    EngineData engine = EngineData::withChannelLayout();
    qint64 ms = 0;
    DataLog writer;
    EXPECT_FALSE(writer.open(path).has_value());
    settings.LoadControl = loadControl;
    engine.RpmChannel.Value = 900;
    engine.MapChannel.Value = 9.87f;
    engine.TpsChannel.Value = 37;
    engine.FuelChannel.Value = 3.25f;
    engine.EngineStatus1 = 6;
    const QDateTime now(QDate(2026, 5, 2), QTime(14, 30, 0));
    for (int i = 0; i < fullRecords; ++i, ms += 500) {
        EXPECT_FALSE(
            writer.writeFullRecord(LiveSample::fromEngineData(engine, ms), now, QLocale::c())
                .has_value());
    }
    writer.requestHeader();
    for (int i = 0; i < plotRecords; ++i, ms += 50) {
        EXPECT_FALSE(writer
                         .writePlotRecord(LiveSample::fromEngineData(engine, ms),
                                          plotLogLayout(state, settings, {0, 11}), now,
                                          QLocale::c())
                         .has_value());
    }
    writer.close();
    return readFile(path);
}

QList<QByteArray> csvRows(const QByteArray& csv) {
    QList<QByteArray> rows = csv.split('\n');
    EXPECT_TRUE(rows.takeLast().isEmpty());
    return rows;
}

TEST(PortsCommand, ListsTheMachinesPortsOrSaysThereAreNone) {
    const Outcome none = run("ports", {});
    EXPECT_EQ(none.exitCode, kExitOk);
    EXPECT_EQ(none.out, "No serial ports found.\n");

    const QList<SerialPortEntry> ports{{"/dev/ttyS0", "", "", ""},
                                       {"/dev/ttyUSB0", "USB Serial", "Acme Cables", "A10K3"}};
    const Outcome two = run("ports", {}, ports);
    EXPECT_EQ(two.exitCode, kExitOk);
    EXPECT_EQ(two.out, describeSerialPorts(ports));

    EXPECT_EQ(run("ports", {"extra"}).exitCode, kExitFailure);
}

TEST(Log2CsvCommand, WritesTheCsvAndCountsTheLinesItSkipped) {
    QTemporaryDir dir;
    const QString log = dir.filePath("run.log");
    {
        EngineData engine = EngineData::withChannelLayout();
        DataLog writer;
        ASSERT_FALSE(writer.open(log).has_value());
        engine.RpmChannel.Value = 900;
        ASSERT_FALSE(writer
                         .writeFullRecord(LiveSample::fromEngineData(engine, 0),
                                          QDateTime::currentDateTime(), QLocale::c())
                         .has_value());
    }
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("cut off rec\r\n");
    file.close();

    const QString csv = dir.filePath("run.csv");
    const Outcome converted = run("log2csv", {log, "-o", csv});
    EXPECT_EQ(converted.exitCode, kExitOk);
    EXPECT_TRUE(converted.out.isEmpty());
    EXPECT_EQ(converted.err, QStringLiteral("warning: %1: skipped 1 line(s) that are not records "
                                            "(line 5)\n")
                                 .arg(log));
    QFile written(csv);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = written.readAll().split('\n');
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows[0].startsWith("Time (s),Rpm (rpm),Map (psi),"));
    EXPECT_TRUE(rows[1].startsWith("0.000,900,"));

    EXPECT_EQ(run("log2csv", {dir.filePath("missing.log")}).exitCode, kExitFailure);
    const Outcome empty = run("log2csv", {csv});
    EXPECT_EQ(empty.exitCode, kExitFailure);
    EXPECT_TRUE(empty.err.contains("no data log records found"));
}

TEST(Log2CsvCommand, RefusesAnOutputThatIsTheLogItselfHoweverNamed) {
    QTemporaryDir dir;
    const QString log = dir.filePath("run.log");
    const QByteArray text = writtenLog(log, 1, 3, 0);
    ASSERT_TRUE(QFile::link(log, dir.filePath("link.log")));
    ASSERT_EQ(::link(QFile::encodeName(log).constData(),
                     QFile::encodeName(dir.filePath("hard.log")).constData()),
              0);
    for (const QString& output :
         {log, dir.path() + "/./run.log", dir.filePath("link.log"), dir.filePath("hard.log")}) {
        const Outcome r = run("log2csv", {log, "-o", output});
        EXPECT_EQ(r.exitCode, kExitFailure) << output.toStdString();
        EXPECT_TRUE(r.err.contains("the output is the data log itself")) << r.err.toStdString();
        EXPECT_EQ(readFile(log), text) << output.toStdString();
    }
    // Standard output appending to the log.
    QFile append(log);
    ASSERT_TRUE(append.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered));
    const Outcome r = runTo(append, "log2csv", {dir.filePath("hard.log")});
    EXPECT_EQ(r.exitCode, kExitFailure);
    EXPECT_EQ(readFile(log), text);
    // Another file, and a symbolic link to the log as the input, are fine.
    EXPECT_EQ(run("log2csv", {dir.filePath("link.log"), "-o", dir.filePath("run.csv")}).exitCode,
              kExitOk);
}

TEST(Log2CsvCommand, StrayCarriageReturnsAndTheLoadColumnOfLoadControl3) {
    QTemporaryDir dir;
    const QString log = dir.filePath("run.log");
    QByteArray text = writtenLog(log, 3, 1, 1);
    ASSERT_TRUE(text.endsWith("\r\n"));
    text.insert(text.size() - 2, '\r'); // CR CR LF
    writeFile(log, text);

    const Outcome r = run("log2csv", {log});
    EXPECT_EQ(r.exitCode, kExitOk) << r.err.toStdString();
    const QList<QByteArray> rows = csvRows(r.out.toUtf8());
    ASSERT_EQ(rows.size(), 3);
    // The plot's load column holds MAP psi under load control 3, whatever
    // its title says: it shares the full record's Map column.
    EXPECT_TRUE(rows[0].startsWith("Time (s),Rpm (rpm),Map (psi),TPS (%),")) << rows[0].data();
    EXPECT_FALSE(rows[0].contains("Load")) << rows[0].data();
    EXPECT_TRUE(rows[1].startsWith("0.000,900,9.87,37,")) << rows[1].data();
    EXPECT_EQ(rows[2], "0.000,900,9.9,,,,,,3.25,,,,,\r");
}

TEST(Log2CsvCommand, SkipsAndCountsOverlongAndCutShortLinesAndRefusesADevice) {
    QTemporaryDir dir;
    const QString log = dir.filePath("run.log");
    QByteArray text = writtenLog(log, 1, 2, 0);
    const QByteArray record = text.mid(text.lastIndexOf("\r\n", text.size() - 3) + 2);
    text += QByteArray(100 * 1024, '7') + "\r\n" + record + record.left(40);
    writeFile(log, text);

    const Outcome r = run("log2csv", {log});
    EXPECT_EQ(r.exitCode, kExitOk);
    EXPECT_EQ(r.err, QStringLiteral("warning: %1: skipped 2 line(s) that are not records "
                                    "(line 6, 8)\n")
                         .arg(log));
    EXPECT_EQ(csvRows(r.out.toUtf8()).size(), 4);

    const Outcome zero = run("log2csv", {"/dev/zero"});
    EXPECT_EQ(zero.exitCode, kExitFailure);
    EXPECT_EQ(zero.err, "error: /dev/zero: a device, not a data log\n");
}

} // namespace
