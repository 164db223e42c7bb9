#include "cli/Commands.h"
#include "cli/StderrInteraction.h"
#include "comm/SerialPorts.h"
#include "monitor/DataLog.h"
#include "record/AppState.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Runs one vantrelctl command in process, with the serial ports it is given.
struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome run(const QString& name, const QStringList& arguments, QList<SerialPortEntry> ports = {}) {
    AppState state;
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    StderrInteraction ui(err);
    CliContext context{state, ui, out, [ports] { return ports; }};
    for (const CliCommand& command : cliCommands()) {
        if (command.name == name) {
            const int code = command.run(arguments, context);
            return {code, QString::fromUtf8(out.data()), QString::fromUtf8(err.data())};
        }
    }
    ADD_FAILURE() << "no command " << name.toStdString();
    return {};
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
        AppState state;
        DataLog writer(state, [] { return qint64(0); });
        ASSERT_FALSE(writer.open(log).has_value());
        state.engine.RpmChannel.Value = 900;
        ASSERT_FALSE(
            writer.writeFullRecord(QDateTime::currentDateTime(), QLocale::c()).has_value());
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

} // namespace
