// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/Snapshot.h"
#include "record/EcuSettings.h"
#include "record/UserInteraction.h"

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QSqlError;

struct TuneHistoryOptions {
    QString path; // the database file; empty: TuneHistory::defaultPath()
    // How long a write waits for another program's write to end.
    int busyTimeoutMs = 3000;
    // A snapshot that still found the database locked is tried again this
    // often, this many times, before it is given up and reported.
    int retryIntervalMs = 5000;
    int retryAttempts = 6;
    std::function<QDateTime()> now; // the clock; empty: the system clock
};

// Every state of a tune, kept in an SQLite database (history.sqlite in the
// per-user data folder) shared by the window program and vantrelctl. Each
// object has a connection of its own; the database runs in write-ahead-log
// mode with a busy time-out, so that several programs write at once.
//
// The history never stands in the way of the tuning: a damaged database is
// moved aside and a new one started, a folder that cannot be written leaves
// the program without history, a snapshot that cannot be written is reported
// and dropped, and one that finds the database locked for longer than the
// time-out is tried again in the background. The user is told through the
// user interaction: of a history that cannot be used once, of a snapshot
// lost each time.
class TuneHistory : public QObject {
    Q_OBJECT

public:
    enum class Status {
        Stored,
        Duplicate,   // the same as the last snapshot of that source and ECU: not kept again
        Pending,     // the database was locked: it is tried again in the background
        Failed,      // it could not be written; the user has been told why
        Unavailable, // the program works without history
    };
    struct RecordResult {
        Status status = Status::Unavailable;
        qint64 id = 0; // the snapshot kept (Stored), or the one it repeats (Duplicate)
    };

    // Automatic snapshots are kept this many days, and always the latest
    // kKeepLatest of them; a named snapshot is kept for ever.
    static constexpr int kKeepDays = 180;
    static constexpr int kKeepLatest = 500;

    explicit TuneHistory(UserInteraction& ui, TuneHistoryOptions options = {},
                         QObject* parent = nullptr);
    ~TuneHistory() override;
    TuneHistory(const TuneHistory&) = delete;
    TuneHistory& operator=(const TuneHistory&) = delete;

    // history.sqlite in the data folder of the window program, which
    // vantrelctl shares.
    static QString defaultPath();

    QString path() const { return m_options.path; }
    bool isAvailable() const { return m_available; }

    // Takes a snapshot of settings, as data file bytes of the newest version.
    // A snapshot given a name is always kept; an unnamed one that repeats the
    // latest of the same source and ECU is not.
    RecordResult record(const EcuSettings& settings, SnapshotSource source,
                        const EcuIdentity* ecu = nullptr, const QString& path = {},
                        const QString& name = {});

    // Newest first. std::nullopt when the database could not answer
    // (lastError() tells why).
    std::optional<std::vector<SnapshotInfo>> list(const SnapshotFilter& filter = {}) const;
    std::optional<SnapshotInfo> info(qint64 id) const;
    // The snapshot as a data file.
    std::optional<QByteArray> fileBytes(qint64 id) const;
    // The snapshot's settings over base, which gives what a data file does
    // not hold (the table extents, the charge times).
    std::optional<EcuSettings> settings(qint64 id, const EcuSettings& base) const;

    bool setNote(qint64 id, const QString& note);
    // A name keeps the snapshot for ever; an empty name makes it automatic again.
    bool setName(qint64 id, const QString& name);

    // Why the last query or change failed, ready to show.
    QString lastError() const { return m_lastError; }

    // Snapshots waiting for a locked database.
    int pendingCount() const { return static_cast<int>(m_pending.size()); }
    // Tries the waiting snapshots until they are written or given up, without
    // an event loop: for a program about to end.
    void finishPending();

signals:
    void snapshotAdded(qint64 id);
    // Snapshots given up after the database stayed locked.
    void snapshotsDropped(int count);

private:
    enum class Fault { None, Busy, Damaged, Full, Other };
    struct Pending {
        QByteArray data;
        QByteArray hash;
        qint64 timeMs = 0;
        SnapshotSource source = SnapshotSource::ReadFromEcu;
        std::optional<SnapshotEcu> ecu;
        QString path;
        QString name;
    };
    struct WriteResult {
        Fault fault = Fault::None;
        QString error;
        qint64 id = 0;
        bool duplicate = false;
    };

    void open();
    Fault openConnection(QString* error);
    void closeConnection();
    bool moveDamagedAside();
    void becomeUnavailable(const QString& reason);
    WriteResult write(const Pending& snapshot);
    WriteResult writeOnce(const Pending& snapshot);
    RecordResult attempt(const Pending& snapshot);
    void retryPending();
    void reportWriteFailure(const WriteResult& result);
    bool changeText(qint64 id, const char* column, const QString& text);
    QDateTime now() const;
    static Fault fault(const QSqlError& error);
    // Whether the history can answer a query; sets lastError() when not.
    bool usable() const;
    bool fail(const QSqlError& error) const;

    UserInteraction& m_ui;
    TuneHistoryOptions m_options;
    QString m_connection;
    bool m_available = false;
    std::deque<Pending> m_pending;
    int m_retries = 0;
    QTimer m_retryTimer;
    mutable QString m_lastError;
};
