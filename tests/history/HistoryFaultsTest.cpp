// SPDX-License-Identifier: GPL-3.0-or-later
// The faults the tune history survives, each made on a real database file:
// a damaged file, a folder that cannot be written, a file of a newer version,
// and a database that another connection keeps locked.

#include "HistorySupport.h"
#include "RandomRecord.h"
#include "history/HistorySchema.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using Status = TuneHistory::Status;

// A generous limit on waiting for the background retry; it returns as soon as
// the retry has run.
constexpr int kPatienceMs = 10000;

QByteArray readAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

QByteArray garbage(qsizetype size) {
    QByteArray data(size, '\0');
    QRandomGenerator random(7);
    for (char& byte : data) {
        byte = static_cast<char>(random.bounded(256));
    }
    return data;
}

// Another program's connection to the database file, to set it up by hand or
// to hold its write lock.
class OtherConnection {
public:
    explicit OtherConnection(const QString& path) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
    }
    ~OtherConnection() {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool exec(const QString& statement) {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        return query.exec(statement);
    }

private:
    QString m_name = QStringLiteral("other-program");
};

struct Damage {
    const char* what;
    std::function<QByteArray(const QByteArray&)> damage;
};

TEST(TuneHistoryFaults, ADamagedDatabaseIsMovedAsideTheTunerToldOnceAndANewOneStarted) {
    const std::vector<Damage> damages{
        {"filled with garbage", [](const QByteArray& file) { return garbage(file.size()); }},
        {"truncated", [](const QByteArray& file) { return file.left(file.size() / 2); }},
        {"its tables overwritten",
         [](const QByteArray& file) { return file.left(4096) + garbage(file.size() - 4096); }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        const QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        const TestClock clock;
        RecordingInteraction ui;
        {
            TuneHistory history(ui, historyAt(path, clock));
            for (quint32 seed = 1; seed <= 40; ++seed) {
                history.record(randomValidRecord(seed), SnapshotSource::ReadFromEcu);
            }
        }
        const QByteArray damaged = damage.damage(readAll(path));
        writeAll(path, damaged);

        TuneHistory history(ui, historyAt(path, clock));
        EXPECT_EQ(ui.boxes(),
                  QStringList{"Warning|Vantrel|The tune history " + path +
                              " was damaged. It was moved aside as "
                              "history.sqlite.damaged-20250301-142205, and a new history was "
                              "started."});
        EXPECT_EQ(readAll(path + ".damaged-20250301-142205"), damaged);
        ASSERT_TRUE(history.isAvailable());
        EXPECT_TRUE(history.list()->empty());
        EXPECT_EQ(history.record(variant(1), SnapshotSource::FileSaved).status, Status::Stored);

        ui.clear();
        TuneHistory next(ui, historyAt(path, clock)); // the next run
        EXPECT_TRUE(ui.boxes().isEmpty());
        EXPECT_EQ(next.list()->size(), 1u);
    }
}

struct Unusable {
    const char* what;
    std::function<QString(const QTemporaryDir&)> prepare; // gives the database's path
    const char* reason;
};

TEST(TuneHistoryFaults, AHistoryThatCannotBeUsedSaysSoOnceAndEveryCallStillReturns) {
    std::vector<Unusable> cases{
        {"its folder cannot be made",
         [](const QTemporaryDir& dir) {
             writeAll(dir.filePath("data"), "not a folder");
             return dir.filePath("data/Vantrel/history.sqlite");
         },
         "the folder %1/data/Vantrel cannot be made"},
        {"made by a newer version",
         [](const QTemporaryDir& dir) {
             const QString path = dir.filePath("history.sqlite");
             OtherConnection newer(path);
             newer.exec(QStringLiteral("CREATE TABLE later (x)"));
             newer.exec(QStringLiteral("PRAGMA user_version = %1").arg(historySchemaVersion() + 1));
             return path;
         },
         "it was made by a newer version of Vantrel"},
    };
    // The owner of a folder may write in it whatever its mode says.
    if (geteuid() != 0) {
        cases.push_back({"its folder is read-only",
                         [](const QTemporaryDir& dir) {
                             QDir().mkdir(dir.filePath("locked"));
                             QFile::setPermissions(dir.filePath("locked"),
                                                   QFile::ReadOwner | QFile::ExeOwner);
                             return dir.filePath("locked/history.sqlite");
                         },
                         "unable to open database file"});
    }
    for (const Unusable& c : cases) {
        SCOPED_TRACE(c.what);
        const QTemporaryDir dir;
        const QString path = c.prepare(dir);
        const QByteArray before = QFile::exists(path) ? readAll(path) : QByteArray();
        RecordingInteraction ui;
        TuneHistory history(ui, historyAt(path));
        EXPECT_FALSE(history.isAvailable());
        EXPECT_EQ(history.record(variant(1), SnapshotSource::ReadFromEcu).status,
                  Status::Unavailable);
        EXPECT_EQ(history.record(variant(2), SnapshotSource::SentToEcu).status,
                  Status::Unavailable);
        EXPECT_FALSE(history.list().has_value());
        EXPECT_EQ(ui.boxes(),
                  QStringList{"Warning|Vantrel|The tune history " + path + " cannot be used (" +
                              QString::fromLatin1(c.reason).replace("%1", dir.path()) +
                              "). Tuning works as before, without history."});
        if (!before.isEmpty()) {
            EXPECT_EQ(readAll(path), before);
        }
    }
}

TuneHistoryOptions quickRetries(const QString& path) {
    TuneHistoryOptions options = historyAt(path);
    options.busyTimeoutMs = 20;
    options.retryIntervalMs = 10;
    options.retryAttempts = 3;
    return options;
}

TEST(TuneHistoryFaults, ASnapshotThatFindsTheDatabaseLockedLandsOnceTheLockIsGone) {
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    RecordingInteraction ui;
    TuneHistory history(ui, quickRetries(path));
    OtherConnection other(path);
    ASSERT_TRUE(other.exec(QStringLiteral("BEGIN IMMEDIATE")));

    EXPECT_EQ(history.record(variant(1), SnapshotSource::ReadFromEcu).status, Status::Pending);
    // A later snapshot waits behind it, in order.
    EXPECT_EQ(history.record(variant(2), SnapshotSource::SentToEcu).status, Status::Pending);
    ASSERT_TRUE(other.exec(QStringLiteral("COMMIT")));
    QSignalSpy added(&history, &TuneHistory::snapshotAdded);
    while (added.size() < 2 && added.wait(kPatienceMs)) {
    }

    EXPECT_TRUE(ui.boxes().isEmpty()) << ui.boxes().join('\n').toStdString();
    EXPECT_EQ(history.pendingCount(), 0);
    const auto list = history.list();
    ASSERT_EQ(list->size(), 2u);
    EXPECT_EQ(list->at(0).source, SnapshotSource::SentToEcu);
    EXPECT_EQ(list->at(1).source, SnapshotSource::ReadFromEcu);
}

TEST(TuneHistoryFaults, ASnapshotIsReportedOnlyWhenTheDatabaseStaysLockedThroughEveryRetry) {
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    RecordingInteraction ui;
    TuneHistory history(ui, quickRetries(path));
    OtherConnection other(path);
    ASSERT_TRUE(other.exec(QStringLiteral("BEGIN IMMEDIATE")));

    QSignalSpy dropped(&history, &TuneHistory::snapshotsDropped);
    EXPECT_EQ(history.record(variant(1), SnapshotSource::ReadFromEcu).status, Status::Pending);
    EXPECT_EQ(history.record(variant(2), SnapshotSource::SentToEcu).status, Status::Pending);
    EXPECT_TRUE(ui.boxes().isEmpty());
    ASSERT_TRUE(dropped.wait(kPatienceMs));

    EXPECT_EQ(dropped.first().first().toInt(), 2);
    EXPECT_EQ(ui.boxes(),
              QStringList{"Warning|Vantrel|2 snapshots of the tune could not be added to the "
                          "history: another program kept it locked. The settings, the ECU and "
                          "the data files are not affected."});
    ASSERT_TRUE(other.exec(QStringLiteral("COMMIT")));
    // The history goes on.
    EXPECT_EQ(history.record(variant(3), SnapshotSource::ReadFromEcu).status, Status::Stored);
    EXPECT_EQ(history.list()->size(), 1u);
}

} // namespace
