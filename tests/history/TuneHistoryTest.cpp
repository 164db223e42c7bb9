// SPDX-License-Identifier: GPL-3.0-or-later
// Snapshots on a real database file: what a snapshot keeps, which repeats are
// not kept, how long snapshots are kept, and two connections writing at once.

#include "HistorySupport.h"
#include "files/EcuFile.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

namespace {

using Status = TuneHistory::Status;

TEST(TuneHistorySnapshot, KeepsTheWholeRecordWithItsTimeEcuSourcePathAndHashAcrossRuns) {
    const QTemporaryDir dir;
    const TestClock clock;
    const QString path = dir.filePath(QStringLiteral("data/history.sqlite"));
    const EcuSettings record = variant(1);
    const EcuIdentity ecu = ecuWithSerial(0x45, 0x40, 0x2A, QStringLiteral("2-3-05-00042"));
    RecordingInteraction ui;
    qint64 read = 0;
    qint64 saved = 0;
    {
        TuneHistory history(ui, historyAt(path, clock));
        ASSERT_TRUE(history.isAvailable());
        read = history.record(record, SnapshotSource::ReadFromEcu, &ecu).id;
        clock.advanceMs(1500);
        // A relative file name is kept as the full path it stands for.
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        saved = history
                    .record(variant(2), SnapshotSource::FileSaved, nullptr,
                            QStringLiteral("engine.ecu"))
                    .id;
        QDir::setCurrent(cwd);
    }
    EXPECT_TRUE(ui.boxes().isEmpty()) << ui.boxes().join('\n').toStdString();

    TuneHistory again(ui, historyAt(path, clock)); // the next run
    const auto list = again.list();
    ASSERT_TRUE(list.has_value()) << again.lastError().toStdString();
    ASSERT_EQ(list->size(), 2u);
    const SnapshotInfo& newest = list->at(0);
    const SnapshotInfo& oldest = list->at(1);
    EXPECT_EQ(newest.id, saved);
    EXPECT_EQ(newest.source, SnapshotSource::FileSaved);
    EXPECT_FALSE(newest.ecu.has_value());
    EXPECT_EQ(newest.path, dir.filePath(QStringLiteral("engine.ecu")));
    EXPECT_EQ(newest.time, clock.time->toUTC());

    EXPECT_EQ(oldest.id, read);
    EXPECT_EQ(oldest.time, clock.time->addMSecs(-1500).toUTC());
    EXPECT_EQ(oldest.source, SnapshotSource::ReadFromEcu);
    EXPECT_EQ(oldest.ecu, (SnapshotEcu{2, 51, 7, 0x45, 0x40, 0x2A, "2-3-05-00042"}));
    EXPECT_TRUE(oldest.path.isEmpty());
    const QByteArray file = writeEcuFile(record);
    EXPECT_EQ(again.fileBytes(read), file);
    EXPECT_EQ(oldest.hash, QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(again.settings(read, startupRecord()), record);
    EXPECT_EQ(again.info(read), oldest);

    ASSERT_TRUE(again.setNote(read, QStringLiteral("before the dyno run")));
    ASSERT_TRUE(again.setName(read, QStringLiteral("Baseline")));
    EXPECT_EQ(again.info(read)->note, "before the dyno run");
    EXPECT_EQ(again.info(read)->name, "Baseline");
    EXPECT_FALSE(again.setNote(99, QStringLiteral("x")));
    EXPECT_EQ(again.lastError(), "there is no snapshot 99 in the tune history");
    EXPECT_FALSE(again.fileBytes(99).has_value());
}

struct Step {
    int content;
    SnapshotSource source;
    int ecu; // 0: none
    const char* name;
    Status expected;
    int sameAs; // for a repeat: the step (from 0) whose snapshot it repeats
};

TEST(TuneHistorySnapshot, AnIdenticalConsecutiveSnapshotOfTheSameSourceAndEcuIsNotKeptTwice) {
    using S = SnapshotSource;
    const std::vector<Step> steps{
        {1, S::ReadFromEcu, 1, "", Status::Stored, -1},
        {1, S::ReadFromEcu, 1, "", Status::Duplicate, 0},
        {1, S::ReadFromEcu, 2, "", Status::Stored, -1}, // another ECU
        {1, S::SentToEcu, 1, "", Status::Stored, -1},   // another source
        {2, S::ReadFromEcu, 1, "", Status::Stored, -1},
        {1, S::ReadFromEcu, 1, "", Status::Stored, -1}, // the last read of ECU 1 was 2
        {1, S::FileOpened, 0, "", Status::Stored, -1},
        {1, S::FileOpened, 0, "", Status::Duplicate, 6},
        {1, S::Named, 1, "Baseline", Status::Stored, -1}, // a name is always kept
        {1, S::Named, 1, "Baseline 2", Status::Stored, -1},
        {1, S::ReadFromEcu, 1, "", Status::Duplicate, 5},
    };
    const QTemporaryDir dir;
    RecordingInteraction ui;
    TestClock clock;
    TuneHistory history(ui, historyAt(dir.filePath(QStringLiteral("history.sqlite")), clock));
    const EcuIdentity ecus[] = {ecuWithSerial(0x45, 0x40, 0x2A, "2-3-05-00042"),
                                ecuWithSerial(0x21, 0x80, 0x07, "3-2-01-00007")};
    std::vector<qint64> ids;
    int kept = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        const Step& step = steps[i];
        clock.advanceMs(1000);
        const auto result = history.record(variant(step.content), step.source,
                                           step.ecu ? &ecus[step.ecu - 1] : nullptr, {}, step.name);
        EXPECT_EQ(result.status, step.expected);
        if (step.sameAs >= 0) {
            EXPECT_EQ(result.id, ids[static_cast<size_t>(step.sameAs)]);
        } else {
            ++kept;
        }
        ids.push_back(result.id);
    }
    EXPECT_EQ(history.list()->size(), static_cast<size_t>(kept));
}

// One snapshot to record: how many days before the last one, and whether it
// is named.
struct Aged {
    int count;
    double ageDays;
    bool named;
};

struct RetentionCase {
    const char* what;
    std::vector<Aged> snapshots; // oldest first
    int keptAutomatic;
    int keptNamed;
};

TEST(TuneHistoryRetention, NamedKeptForEverAutomaticFor180DaysAndAlwaysTheLatest500) {
    // Each case ends with one more automatic snapshot taken now, on which
    // the retention runs; keptAutomatic counts it.
    const std::vector<RetentionCase> cases{
        {"all older than 180 days: the latest 500", {{505, 400, false}}, 500, 0},
        {"all within 180 days: every one", {{505, 10, false}}, 506, 0},
        {"named ones beside the latest 500", {{5, 1000, true}, {505, 400, false}}, 500, 5},
        {"just within 180 days is kept, just beyond is not",
         {{1, 180.01, false}, {1, 179.99, false}, {500, 1, false}},
         502,
         0},
    };
    for (const RetentionCase& c : cases) {
        SCOPED_TRACE(c.what);
        const QTemporaryDir dir;
        RecordingInteraction ui;
        const TestClock clock;
        const QDateTime now = *clock.time;
        TuneHistory history(ui, historyAt(dir.filePath(QStringLiteral("history.sqlite")), clock));
        int n = 0;
        for (const Aged& group : c.snapshots) {
            for (int i = 0; i < group.count; ++i) {
                // Each a little later than the one before, the group's age
                // kept at the last check.
                *clock.time = now.addMSecs(static_cast<qint64>(-group.ageDays * 86400000.0) -
                                           (group.count - i) * 10);
                ++n;
                history.record(
                    variant(n), group.named ? SnapshotSource::Named : SnapshotSource::ReadFromEcu,
                    nullptr, {}, group.named ? QStringLiteral("kept %1").arg(n) : QString());
            }
        }
        *clock.time = now;
        history.record(variant(++n), SnapshotSource::FileSaved);
        const auto list = history.list();
        ASSERT_TRUE(list.has_value());
        int automatic = 0;
        int named = 0;
        for (const SnapshotInfo& snapshot : *list) {
            ++(snapshot.name.isEmpty() ? automatic : named);
        }
        EXPECT_EQ(automatic, c.keptAutomatic);
        EXPECT_EQ(named, c.keptNamed);
        // What goes is the oldest.
        EXPECT_EQ(
            history
                .settings(list->at(static_cast<size_t>(c.keptAutomatic - 1)).id, startupRecord())
                ->RevLimit,
            6000 + n - c.keptAutomatic + 1);
    }
}

TEST(TuneHistoryConnections, TwoConnectionsWriteAtOnceWithoutAnError) {
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    constexpr int kEach = 150;
    RecordingInteraction uis[2];
    std::vector<Status> outcomes[2];
    {
        RecordingInteraction setup;
        TuneHistory create(setup, historyAt(path)); // the schema, made once
    }
    const auto writer = [&](int which) {
        TuneHistory history(uis[which], historyAt(path));
        const EcuIdentity ecu = ecuWithSerial(which, 0, 0, QString::number(which));
        for (int i = 0; i < kEach; ++i) {
            outcomes[which].push_back(
                history.record(variant(i), SnapshotSource::ReadFromEcu, &ecu).status);
        }
    };
    std::thread first(writer, 0);
    std::thread second(writer, 1);
    first.join();
    second.join();

    for (int which : {0, 1}) {
        EXPECT_TRUE(uis[which].boxes().isEmpty()) << uis[which].boxes().join('\n').toStdString();
        EXPECT_EQ(std::count(outcomes[which].begin(), outcomes[which].end(), Status::Stored),
                  kEach);
    }
    RecordingInteraction ui;
    TuneHistory history(ui, historyAt(path));
    EXPECT_EQ(history.list()->size(), 2u * kEach);
    for (int which : {0, 1}) {
        SnapshotFilter filter;
        filter.ecuSerial = QString::number(which);
        EXPECT_EQ(history.list(filter)->size(), size_t{kEach});
    }
}

} // namespace
