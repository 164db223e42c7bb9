// SPDX-License-Identifier: GPL-3.0-or-later
// The snapshots vantrelctl read, write and store keep in the tune history,
// run as programs against a simulated ECU on a pseudo-terminal, with the
// history where the window program keeps it.

#include "EcuCommandSupport.h"
#include "RecordingInteraction.h"
#include "history/TuneHistory.h"

#include <QTemporaryDir>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/resource.h>
#include <thread>
#include <tuple>

namespace {

// The ECU's blocks: every value a full send writes and a full read reads.
QByteArray blocksOf(const EcuSettings& record) {
    return SimulatedEcu::fuelBlock(record) + SimulatedEcu::ignitionBlock(record) +
           SimulatedEcu::otherBlock(record);
}

EcuSettings recordToSend(quint32 seed) {
    EcuSettings record = randomValidRecord(seed);
    // Without its code section the wheel type is not sent.
    record.WheelType = SimulatedEcu::defaultImage().WheelType;
    return record;
}

// A user's data folder of its own for the programs the test starts.
class UserData {
public:
    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.path());
        return environment;
    }
    // Where the window program and vantrelctl keep the history.
    QString historyPath() const { return m_dir.filePath(QStringLiteral("Vantrel/history.sqlite")); }

private:
    QTemporaryDir m_dir;
};

// The history as the window program opens it.
class WindowProgramHistory {
public:
    explicit WindowProgramHistory(const UserData& user) : m_history(m_ui, options(user)) {}

    std::vector<SnapshotInfo> list() {
        const auto snapshots = m_history.list();
        EXPECT_TRUE(snapshots.has_value()) << m_history.lastError().toStdString();
        return snapshots.value_or(std::vector<SnapshotInfo>{});
    }
    QByteArray blocks(qint64 id) {
        return blocksOf(m_history.settings(id, startupRecord()).value_or(EcuSettings{}));
    }
    TuneHistory& history() { return m_history; }
    RecordingInteraction& ui() { return m_ui; }

private:
    static TuneHistoryOptions options(const UserData& user) {
        TuneHistoryOptions options;
        options.path = user.historyPath();
        return options;
    }

    RecordingInteraction m_ui;
    TuneHistory m_history;
};

QString serialOf(const QString& device, const UserData& user) {
    const Outcome identity = onPort(device, QStringLiteral("identify"), {}, user.environment());
    const QString text = QString::fromUtf8(identity.out);
    return text.mid(text.indexOf(QStringLiteral("Serial ")) + 7).trimmed();
}

TEST(EcuHistory, ReadWriteAndStoreEachKeepASnapshotOfTheirSourceWithTheEcuSerial) {
    const UserData user;
    const QTemporaryDir dir;
    EcuOnTerminal ecu([](SimulatedEcu& e) { e.setSerialBytes(0x45, 0x40, 0x2A); });
    const QString serial = serialOf(ecu.device(), user);
    ASSERT_FALSE(serial.isEmpty());
    const QString first = saveRecord(dir, QStringLiteral("first.ecu"), recordToSend(41));
    const QString second = saveRecord(dir, QStringLiteral("second.ecu"), recordToSend(42));
    const auto working = [&] { return ecu.with([](SimulatedEcu& e) { return e.settings(); }); };
    const auto stored = [&] {
        return ecu.with([](SimulatedEcu& e) { return e.storedSettings(); });
    };

    const struct {
        const char* what;
        QString command;
        QStringList arguments;
        // The snapshots it adds, newest first: source, file and the ECU's
        // image whose blocks they hold.
        std::vector<std::tuple<SnapshotSource, QString, std::function<EcuSettings()>>> kept;
    } steps[] = {
        {"read", "read", {}, {{SnapshotSource::ReadFromEcu, {}, working}}},
        {"write", "write", {first}, {{SnapshotSource::SentToEcu, first, working}}},
        {"store", "store", {}, {{SnapshotSource::StoredInEcu, {}, stored}}},
        {"write and store",
         "write",
         {second, "--store"},
         {{SnapshotSource::StoredInEcu, second, stored},
          {SnapshotSource::SentToEcu, second, working}}},
        {"read without history", "read", {"--no-history"}, {}},
        {"write without history", "write", {first, "--no-history"}, {}},
        {"store without history", "store", {"--no-history"}, {}},
    };
    size_t before = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        const Outcome outcome =
            onPort(ecu.device(), step.command, step.arguments, user.environment());
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
        EXPECT_FALSE(outcome.err.contains(QStringLiteral("history"))) << outcome.err.toStdString();

        WindowProgramHistory history(user);
        const std::vector<SnapshotInfo> list = history.list();
        ASSERT_EQ(list.size(), before + step.kept.size());
        for (size_t i = 0; i < step.kept.size(); ++i) {
            const auto& [source, file, image] = step.kept[i];
            EXPECT_EQ(list[i].source, source);
            EXPECT_EQ(list[i].path, file);
            ASSERT_TRUE(list[i].ecu.has_value());
            EXPECT_EQ(list[i].ecu->serial, serial);
            EXPECT_EQ(history.blocks(list[i].id), blocksOf(image()));
        }
        before = list.size();
    }
}

TEST(EcuHistory, TwoProgramsAndTheWindowProgramWriteAtOnceWithoutAnError) {
    const UserData user;
    WindowProgramHistory window(user);
    EcuOnTerminal one([](SimulatedEcu& e) { e.setSettings(recordToSend(51)); });
    EcuOnTerminal two([](SimulatedEcu& e) { e.setSettings(recordToSend(52)); });

    // The window program keeps taking snapshots while both reads run.
    std::atomic<bool> reading = true;
    std::atomic<int> windowSnapshots = 0;
    std::thread windowProgram([&] {
        RecordingInteraction ui;
        TuneHistoryOptions options;
        options.path = user.historyPath();
        TuneHistory history(ui, options);
        for (int n = 0; reading || n < 20; ++n) {
            EcuSettings record = startupRecord();
            record.RevLimit = 6000 + n;
            if (history.record(record, SnapshotSource::FileSaved).status ==
                TuneHistory::Status::Stored) {
                ++windowSnapshots;
            }
        }
        EXPECT_TRUE(ui.boxes().isEmpty()) << ui.boxes().join('\n').toStdString();
    });
    QProcess first;
    QProcess second;
    for (auto [process, ecu] : {std::pair{&first, &one}, std::pair{&second, &two}}) {
        process->setProcessEnvironment(user.environment());
        process->start(binary(QStringLiteral("vantrelctl")),
                       {QStringLiteral("read"), QStringLiteral("--port"), ecu->device()});
    }
    for (QProcess* process : {&first, &second}) {
        EXPECT_TRUE(process->waitForFinished(kPatienceMs));
        EXPECT_EQ(process->exitCode(), 0);
        EXPECT_FALSE(process->readAllStandardError().contains("history"));
    }
    reading = false;
    windowProgram.join();

    SnapshotFilter reads;
    reads.source = SnapshotSource::ReadFromEcu;
    const auto snapshots = window.history().list(reads);
    ASSERT_EQ(snapshots->size(), 2u);
    std::set<QByteArray> blocks;
    for (const SnapshotInfo& snapshot : *snapshots) {
        blocks.insert(window.blocks(snapshot.id));
    }
    EXPECT_EQ(blocks, (std::set{blocksOf(recordToSend(51)), blocksOf(recordToSend(52))}));
    EXPECT_EQ(window.list().size(), 2u + static_cast<size_t>(windowSnapshots));
}

TEST(EcuHistory, AFullDiskLosesTheSnapshotWithAMessageAndNothingElse) {
    const UserData user;
    const QTemporaryDir dir;
    // The window program has the history open, with a snapshot in it.
    WindowProgramHistory window(user);
    window.history().record(startupRecord(), SnapshotSource::FileOpened);
    const EcuSettings record = recordToSend(61);
    const QString file = saveRecord(dir, QStringLiteral("send.ecu"), record);
    EcuOnTerminal ecu;

    QProcess process;
    process.setProcessEnvironment(user.environment());
    process.setChildProcessModifier([] {
        // Room for the serial port's lock file, not for a page of the
        // history's log, the only other file the command writes.
        const rlimit full{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &full);
    });
    process.start(binary(QStringLiteral("vantrelctl")),
                  {QStringLiteral("write"), QStringLiteral("--port"), ecu.device(), file});
    ASSERT_TRUE(process.waitForFinished(kPatienceMs));
    const QString err = QString::fromUtf8(process.readAllStandardError());

    EXPECT_EQ(process.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(ecu.with([](SimulatedEcu& e) { return blocksOf(e.settings()); }), blocksOf(record));
    EXPECT_EQ(err.count(QStringLiteral("warning: A snapshot of the tune could not be added to the "
                                       "history (")),
              1)
        << err.toStdString();
    EXPECT_TRUE(err.contains(
        QStringLiteral("). The settings, the ECU and the data files are not affected.\n")));
    EXPECT_EQ(readFile(file), writeEcuFile(record));
    const std::vector<SnapshotInfo> list = window.list();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(window.blocks(list[0].id), blocksOf(startupRecord()));

    // With room again the next snapshot lands.
    const Outcome again = onPort(ecu.device(), QStringLiteral("write"), {file}, user.environment());
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(window.list().size(), 2u);
}

} // namespace
