// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/TuneHistory.h"

#include "files/EcuFile.h"
#include "history/HistorySchema.h"
#include "history/HistorySql.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QUuid>

namespace {

const QString kDriver = QStringLiteral("QSQLITE");

// The primary result codes of SQLite that the history tells apart.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteNotADatabase = 26;

constexpr qint64 kMsPerDay = 24LL * 60 * 60 * 1000;
constexpr int kCompressionLevel = 9;

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

void rollback(const QSqlDatabase& db) {
    QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
}

} // namespace

TuneHistory::TuneHistory(UserInteraction& ui, TuneHistoryOptions options, QObject* parent)
    : QObject(parent), m_ui(ui), m_options(std::move(options)),
      m_connection(QStringLiteral("tune-history-") +
                   QUuid::createUuid().toString(QUuid::WithoutBraces)) {
    if (m_options.path.isEmpty()) {
        m_options.path = defaultPath();
    }
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &TuneHistory::retryPending);
    open();
}

TuneHistory::~TuneHistory() {
    closeConnection();
}

QString TuneHistory::defaultPath() {
    // The window program's own data folder (it has no organisation name), so
    // that vantrelctl, which carries a name of its own, finds the same file.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Vantrel/history.sqlite");
}

QDateTime TuneHistory::now() const {
    return m_options.now ? m_options.now() : QDateTime::currentDateTimeUtc();
}

TuneHistory::Fault TuneHistory::fault(const QSqlError& error) {
    if (error.type() == QSqlError::NoError) {
        return Fault::None;
    }
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    if (!ok) {
        return Fault::Other;
    }
    switch (code) {
    case kSqliteBusy:
    case kSqliteLocked:
        return Fault::Busy;
    case kSqliteCorrupt:
    case kSqliteNotADatabase:
        return Fault::Damaged;
    case kSqliteFull:
        return Fault::Full;
    default:
        return Fault::Other;
    }
}

void TuneHistory::open() {
    if (!QSqlDatabase::isDriverAvailable(kDriver)) {
        becomeUnavailable(QStringLiteral("the SQLite driver of Qt SQL is not installed"));
        return;
    }
    const QString folder = QFileInfo(m_options.path).absolutePath();
    if (!QDir().mkpath(folder)) {
        becomeUnavailable(QStringLiteral("the folder %1 cannot be made").arg(native(folder)));
        return;
    }
    QString error;
    Fault opened = openConnection(&error);
    if (opened == Fault::Damaged) {
        closeConnection();
        if (!moveDamagedAside()) {
            return;
        }
        opened = openConnection(&error);
    }
    if (opened != Fault::None) {
        closeConnection();
        becomeUnavailable(error);
        return;
    }
    m_available = true;
}

TuneHistory::Fault TuneHistory::openConnection(QString* error) {
    QSqlDatabase db = QSqlDatabase::addDatabase(kDriver, m_connection);
    db.setDatabaseName(m_options.path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_options.busyTimeoutMs));
    if (!db.open()) {
        *error = reasonOf(db.lastError());
        return fault(db.lastError()) == Fault::Damaged ? Fault::Damaged : Fault::Other;
    }
    // A file that is no database fails the first statement; damage deeper
    // in shows in the quick check.
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("PRAGMA quick_check"))) {
        *error = reasonOf(check.lastError());
        return fault(check.lastError()) == Fault::Damaged ? Fault::Damaged : Fault::Other;
    }
    if (!check.next() || check.value(0).toString() != QLatin1String("ok")) {
        return Fault::Damaged;
    }
    check.finish();

    // Migrated before anything else is written, so that the file of a newer
    // version stays as it is.
    QSqlError migration;
    switch (migrateHistory(db, &migration)) {
    case MigrationOutcome::Done:
        break;
    case MigrationOutcome::Newer:
        *error = QStringLiteral("it was made by a newer version of Vantrel");
        return Fault::Other;
    case MigrationOutcome::Failed:
        *error = reasonOf(migration);
        return fault(migration) == Fault::Damaged ? Fault::Damaged : Fault::Other;
    }
    QSqlQuery query(db);
    for (const QString& pragma : {QStringLiteral("PRAGMA journal_mode = WAL"),
                                  QStringLiteral("PRAGMA synchronous = NORMAL")}) {
        if (!query.exec(pragma)) {
            *error = reasonOf(query.lastError());
            return Fault::Other;
        }
    }
    return Fault::None;
}

void TuneHistory::closeConnection() {
    if (!QSqlDatabase::contains(m_connection)) {
        return;
    }
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool TuneHistory::moveDamagedAside() {
    const QString base = m_options.path + QStringLiteral(".damaged-") +
                         now().toLocalTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = base;
    for (int n = 2; QFileInfo::exists(aside); ++n) {
        aside = base + QLatin1Char('-') + QString::number(n);
    }
    if (!QFile::rename(m_options.path, aside)) {
        becomeUnavailable(QStringLiteral("it is damaged and cannot be moved aside"));
        return false;
    }
    // The log belongs to the damaged file and must not reach the new one;
    // the shared index is rebuilt from the log.
    const QString wal = m_options.path + QStringLiteral("-wal");
    if (QFile::exists(wal) && !QFile::rename(wal, aside + QStringLiteral("-wal"))) {
        QFile::remove(wal);
    }
    QFile::remove(m_options.path + QStringLiteral("-shm"));
    m_ui.message(QStringLiteral("The tune history %1 was damaged. It was moved aside as %2, and "
                                "a new history was started.")
                     .arg(native(m_options.path), QFileInfo(aside).fileName()),
                 UserInteraction::Icon::Warning);
    return true;
}

void TuneHistory::becomeUnavailable(const QString& reason) {
    m_available = false;
    m_pending.clear();
    m_retryTimer.stop();
    m_ui.message(QStringLiteral("The tune history %1 cannot be used (%2). Tuning works as "
                                "before, without history.")
                     .arg(native(m_options.path), reason),
                 UserInteraction::Icon::Warning);
}

TuneHistory::RecordResult TuneHistory::record(const EcuSettings& settings, SnapshotSource source,
                                              const EcuIdentity* ecu, const QString& path,
                                              const QString& name) {
    if (!m_available) {
        return {Status::Unavailable};
    }
    Pending snapshot;
    const QByteArray data = writeEcuFile(settings);
    snapshot.hash = QCryptographicHash::hash(data, QCryptographicHash::Sha256);
    snapshot.data = qCompress(data, kCompressionLevel);
    snapshot.timeMs = now().toMSecsSinceEpoch();
    snapshot.source = source;
    if (ecu) {
        snapshot.ecu = SnapshotEcu::from(*ecu);
    }
    snapshot.path = absolutePath(path);
    snapshot.name = name;
    // Snapshots land in the order they were taken.
    if (!m_pending.empty()) {
        m_pending.push_back(std::move(snapshot));
        return {Status::Pending};
    }
    return attempt(snapshot);
}

TuneHistory::RecordResult TuneHistory::attempt(const Pending& snapshot) {
    const WriteResult result = write(snapshot);
    if (!m_available) {
        return {Status::Unavailable};
    }
    switch (result.fault) {
    case Fault::None:
        if (result.duplicate) {
            return {Status::Duplicate, result.id};
        }
        emit snapshotAdded(result.id);
        return {Status::Stored, result.id};
    case Fault::Busy:
        m_pending.push_back(snapshot);
        m_retries = 0;
        m_retryTimer.start(m_options.retryIntervalMs);
        return {Status::Pending};
    case Fault::Damaged:
    case Fault::Full:
    case Fault::Other:
        break;
    }
    reportWriteFailure(result);
    return {Status::Failed};
}

void TuneHistory::reportWriteFailure(const WriteResult& result) {
    const QString reason =
        result.fault == Fault::Full ? QStringLiteral("the disk is full") : result.error;
    m_ui.message(QStringLiteral("A snapshot of the tune could not be added to the history (%1). "
                                "The settings, the ECU and the data files are not affected.")
                     .arg(reason),
                 UserInteraction::Icon::Warning);
}

void TuneHistory::retryPending() {
    while (m_available && !m_pending.empty()) {
        const WriteResult result = write(m_pending.front());
        if (!m_available) {
            return;
        }
        if (result.fault == Fault::Busy) {
            if (++m_retries < m_options.retryAttempts) {
                m_retryTimer.start(m_options.retryIntervalMs);
                return;
            }
            const int count = pendingCount();
            m_pending.clear();
            m_ui.message(
                QStringLiteral("%1 of the tune could not be added to the history: another "
                               "program kept it locked. The settings, the ECU and the data "
                               "files are not affected.")
                    .arg(count == 1 ? QStringLiteral("A snapshot")
                                    : QStringLiteral("%1 snapshots").arg(count)),
                UserInteraction::Icon::Warning);
            emit snapshotsDropped(count);
            return;
        }
        m_pending.pop_front();
        m_retries = 0;
        if (result.fault != Fault::None) {
            reportWriteFailure(result);
        } else if (!result.duplicate) {
            emit snapshotAdded(result.id);
        }
    }
}

void TuneHistory::finishPending() {
    while (m_available && !m_pending.empty()) {
        m_retryTimer.stop();
        QThread::msleep(static_cast<unsigned long>(m_options.retryIntervalMs));
        retryPending();
    }
}

TuneHistory::WriteResult TuneHistory::write(const Pending& snapshot) {
    const WriteResult result = writeOnce(snapshot);
    if (result.fault != Fault::Damaged) {
        return result;
    }
    closeConnection();
    if (!moveDamagedAside()) {
        return result;
    }
    QString error;
    if (openConnection(&error) != Fault::None) {
        closeConnection();
        becomeUnavailable(error);
        return result;
    }
    return writeOnce(snapshot);
}

TuneHistory::WriteResult TuneHistory::writeOnce(const Pending& snapshot) {
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    WriteResult result;
    const auto failed = [&](const QSqlQuery& failing) {
        result.fault = fault(failing.lastError());
        result.error = reasonOf(failing.lastError());
        rollback(db);
        return result;
    };
    // The write lock first, so that the check for a repeat and the insert
    // see the same database as any other program's writes.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        return failed(query);
    }
    const QVariant serial =
        snapshot.ecu ? QVariant(snapshot.ecu->serial) : QVariant(QMetaType::fromType<QString>());
    if (snapshot.name.isEmpty()) {
        if (!execute(query,
                     QStringLiteral("SELECT id, hash FROM snapshots WHERE source = ? AND "
                                    "ecu_serial IS ? ORDER BY time DESC, id DESC LIMIT 1"),
                     {snapshotSourceKey(snapshot.source), serial})) {
            return failed(query);
        }
        if (query.next() && query.value(1).toByteArray() == snapshot.hash) {
            result.id = query.value(0).toLongLong();
            result.duplicate = true;
            query.finish();
            rollback(db);
            return result;
        }
    }

    // Each distinct tune is kept once, however many snapshots show it.
    if (!execute(query, QStringLiteral("INSERT OR IGNORE INTO tunes (hash, data) VALUES (?, ?)"),
                 {snapshot.hash, snapshot.data})) {
        return failed(query);
    }

    QVariantList values{snapshot.timeMs, snapshotSourceKey(snapshot.source), serial};
    const SnapshotEcu* ecu = snapshot.ecu ? &*snapshot.ecu : nullptr;
    for (const int value :
         {ecu ? ecu->versionMajor : 0, ecu ? ecu->versionMinor : 0, ecu ? ecu->build : 0,
          ecu ? ecu->serialByte1 : 0, ecu ? ecu->serialByte2 : 0, ecu ? ecu->serialByte3 : 0}) {
        values << (ecu ? QVariant(value) : nullInt());
    }
    values << notNull(snapshot.path) << notNull(snapshot.name) << snapshot.hash;
    if (!execute(
            query,
            QStringLiteral("INSERT INTO snapshots (time, source, ecu_serial, "
                           "ecu_version_major, ecu_version_minor, ecu_build, "
                           "ecu_serial_byte1, ecu_serial_byte2, ecu_serial_byte3, path, "
                           "note, name, hash) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '', ?, ?)"),
            values)) {
        return failed(query);
    }
    result.id = query.lastInsertId().toLongLong();

    // Retention: unnamed snapshots older than the kept days go, except the
    // latest ones; then the tunes no snapshot shows any more.
    if (!execute(query,
                 QStringLiteral("DELETE FROM snapshots WHERE name = '' AND time < ? AND id NOT IN "
                                "(SELECT id FROM snapshots WHERE name = '' ORDER BY time DESC, "
                                "id DESC LIMIT ?)"),
                 {now().toMSecsSinceEpoch() - kKeepDays * kMsPerDay, kKeepLatest})) {
        return failed(query);
    }
    if (query.numRowsAffected() > 0 &&
        !query.exec(
            QStringLiteral("DELETE FROM tunes WHERE hash NOT IN (SELECT hash FROM snapshots)"))) {
        return failed(query);
    }
    if (!query.exec(QStringLiteral("COMMIT"))) {
        return failed(query);
    }
    return result;
}
