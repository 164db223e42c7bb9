// SPDX-License-Identifier: GPL-3.0-or-later
// vantrelctl history, run in process on a history the test fills as the
// window program would.

#include "RandomRecord.h"
#include "RecordingInteraction.h"
#include "cli/Commands.h"
#include "cli/StderrInteraction.h"
#include "files/EcuFile.h"
#include "history/TuneHistory.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Outcome run(const QString& historyPath, const QString& name, const QStringList& arguments) {
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    StderrInteraction ui(err);
    const std::unique_ptr<AppState> startup = std::make_unique<AppState>(startupState());
    SettingsStore store(startupRecord());
    CliContext context{*startup, store, ui, out, {}, historyPath};
    for (const CliCommand& command : cliCommands()) {
        if (command.name == name) {
            const int code = command.run(arguments, context);
            return {code, out.data(), QString::fromUtf8(err.data())};
        }
    }
    ADD_FAILURE() << "no command " << name.toStdString();
    return {};
}

// Four snapshots a minute apart from 14:22:05 local time: 1 read from ECU A,
// 2 sent to ECU A from a file, 3 read from ECU B, 4 the file saved.
class HistoryCommand : public ::testing::Test {
protected:
    void SetUp() override {
        EcuIdentity a;
        a.SerialNumberText = QStringLiteral("2-3-05-00042");
        EcuIdentity b;
        b.SerialNumberText = QStringLiteral("3-2-01-00007");
        auto time = std::make_shared<QDateTime>(QDate(2025, 3, 1), QTime(14, 22, 5));
        TuneHistoryOptions options;
        options.path = m_path;
        options.now = [time] { return *time; };
        RecordingInteraction ui;
        TuneHistory history(ui, options);
        const auto next = [&] { *time = time->addSecs(60); };
        history.record(m_records[0], SnapshotSource::ReadFromEcu, &a);
        next();
        history.record(m_records[1], SnapshotSource::SentToEcu, &a, m_file);
        next();
        history.record(m_records[2], SnapshotSource::ReadFromEcu, &b);
        next();
        history.record(m_records[1], SnapshotSource::FileSaved, nullptr, m_file);
        ASSERT_TRUE(ui.boxes().isEmpty());
    }

    Outcome history(const QStringList& arguments) {
        return run(m_path, QStringLiteral("history"), arguments);
    }

    QString saved(const EcuSettings& record) {
        const QString path = m_dir.filePath(QStringLiteral("saved-%1.ecu").arg(++m_saved));
        EXPECT_TRUE(saveEcuFile(path, record).ok());
        return path;
    }

    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(QStringLiteral("history.sqlite"));
    QString m_file = m_dir.filePath(QStringLiteral("engine.ecu"));
    EcuSettings m_records[3] = {randomValidRecord(1), randomValidRecord(2), randomValidRecord(3)};
    int m_saved = 0;
};

TEST_F(HistoryCommand, ListsNewestFirstOneATabbedLineFilteredByEcuAndSource) {
    ASSERT_EQ(history({"note", "2", "after the\tdyno run"}).exitCode, kExitOk);
    ASSERT_EQ(history({"name", "1", "Baseline"}).exitCode, kExitOk);
    const QString lines[] = {
        "1\t2025-03-01 14:22:05\tread\t2-3-05-00042\tBaseline\t\t\n",
        "2\t2025-03-01 14:23:05\tsent\t2-3-05-00042\t\t" + m_file + "\tafter the dyno run\n",
        "3\t2025-03-01 14:24:05\tread\t3-2-01-00007\t\t\t\n",
        "4\t2025-03-01 14:25:05\tsaved\t\t\t" + m_file + "\t\n",
    };
    const struct {
        QStringList options;
        std::vector<int> snapshots;
    } cases[] = {
        {{}, {4, 3, 2, 1}},
        {{"--ecu", "2-3-05-00042"}, {2, 1}},
        {{"--source", "read"}, {3, 1}},
        {{"--source", "read", "--ecu", "2-3-05-00042"}, {1}},
        {{"--ecu", "9-9-99-99999"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        const Outcome outcome = history(QStringList{"list"} + c.options);
        QString expected;
        for (int snapshot : c.snapshots) {
            expected += lines[snapshot - 1];
        }
        EXPECT_EQ(outcome.exitCode, kExitOk);
        EXPECT_EQ(QString::fromUtf8(outcome.out), expected);
        EXPECT_TRUE(outcome.err.isEmpty()) << outcome.err.toStdString();
    }

    const Outcome bad = history({"list", "--source", "guessed"});
    EXPECT_EQ(bad.exitCode, kExitFailure);
    EXPECT_EQ(bad.err, "error: history list: --source takes one of read, sent, stored, opened, "
                       "saved, overwritten, autotune, named, not \"guessed\"\n");
}

TEST_F(HistoryCommand, ShowWritesTheSnapshotAsTheDataFileOfItsRecord) {
    const QString file = m_dir.filePath(QStringLiteral("out.ecu"));
    EXPECT_EQ(history({"show", "3", "-o", file}).exitCode, kExitOk);
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), writeEcuFile(m_records[2]));
    EXPECT_EQ(history({"show", "2"}).out, writeEcuFile(m_records[1]));

    const struct {
        QStringList arguments;
        const char* message;
    } errors[] = {
        {{"show", "9"}, "error: history show: there is no snapshot 9 in the tune history\n"},
        {{"show", "two"},
         "error: history show: \"two\" is no snapshot number (see \"vantrelctl history "
         "list\")\n"},
        {{"note", "9", "x"}, "error: history note: there is no snapshot 9 in the tune history\n"},
        {{"name", "1"},
         "error: history name: an argument is missing. Try \"vantrelctl history name "
         "--help\".\n"},
        {{"undo"},
         "error: history: give one of list, show, diff, note, name. Try \"vantrelctl history "
         "--help\".\n"},
    };
    for (const auto& e : errors) {
        SCOPED_TRACE(e.arguments.join(' ').toStdString());
        const Outcome outcome = history(e.arguments);
        EXPECT_EQ(outcome.exitCode, kExitFailure);
        EXPECT_EQ(outcome.err, e.message);
        EXPECT_TRUE(outcome.out.isEmpty());
    }
}

TEST_F(HistoryCommand, DiffListsWhatDiffersAsDiffDoesAndExitsZeroOneOrTwo) {
    const QString first = saved(m_records[0]);
    const QString second = saved(m_records[1]);
    const QByteArray changes = run({}, QStringLiteral("diff"), {first, second}).out;
    ASSERT_FALSE(changes.isEmpty());
    const struct {
        QStringList sides;
        int exitCode;
        QByteArray out;
    } cases[] = {
        {{"1", "1"}, kExitOk, {}},
        {{"2", "4"}, kExitOk, {}}, // the same record, sent and then saved
        {{"1", "2"}, kExitDifferent, changes},
        {{"1", first}, kExitOk, {}},
        {{"1", second}, kExitDifferent, changes},
        {{first, "2"}, kExitDifferent, changes},
        {{"1", "9"}, kExitFailure, {}},
        {{"1", m_dir.filePath("missing.ecu")}, kExitFailure, {}},
        {{"1"}, kExitFailure, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sides.join(' ').toStdString());
        const Outcome outcome = history(QStringList{"diff"} + c.sides);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.err.toStdString();
        EXPECT_EQ(outcome.out, c.out);
        EXPECT_EQ(outcome.err.isEmpty(), c.exitCode != kExitFailure);
    }
}

} // namespace
