// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistorySchema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <array>

namespace {

const std::array<QStringList, 1> kMigrations{{
    {
        QStringLiteral("CREATE TABLE tunes ("
                       " hash BLOB PRIMARY KEY,"
                       " data BLOB NOT NULL)"),
        QStringLiteral("CREATE TABLE snapshots ("
                       " id INTEGER PRIMARY KEY,"
                       " time INTEGER NOT NULL,"
                       " source TEXT NOT NULL,"
                       " ecu_serial TEXT,"
                       " ecu_version_major INTEGER,"
                       " ecu_version_minor INTEGER,"
                       " ecu_build INTEGER,"
                       " ecu_serial_byte1 INTEGER,"
                       " ecu_serial_byte2 INTEGER,"
                       " ecu_serial_byte3 INTEGER,"
                       " path TEXT NOT NULL DEFAULT '',"
                       " note TEXT NOT NULL DEFAULT '',"
                       " name TEXT NOT NULL DEFAULT '',"
                       " hash BLOB NOT NULL REFERENCES tunes(hash))"),
        QStringLiteral("CREATE INDEX snapshots_by_time ON snapshots(time)"),
        QStringLiteral(
            "CREATE INDEX snapshots_by_source_ecu ON snapshots(source, ecu_serial, time)"),
        QStringLiteral("CREATE INDEX snapshots_by_hash ON snapshots(hash)"),
    },
}};

bool run(QSqlDatabase& db, const QString& statement, QSqlError* error) {
    QSqlQuery query(db);
    if (query.exec(statement)) {
        return true;
    }
    *error = query.lastError();
    return false;
}

} // namespace

std::span<const QStringList> historyMigrations() {
    return kMigrations;
}

MigrationOutcome migrateHistory(QSqlDatabase& db, QSqlError* error) {
    // A database that is up to date is only read.
    QSqlQuery version(db);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
        *error = version.lastError();
        return MigrationOutcome::Failed;
    }
    if (version.value(0).toInt() == historySchemaVersion()) {
        return MigrationOutcome::Done;
    }
    if (version.value(0).toInt() > historySchemaVersion()) {
        return MigrationOutcome::Newer;
    }
    version.finish();

    if (!run(db, QStringLiteral("BEGIN IMMEDIATE"), error)) {
        return MigrationOutcome::Failed;
    }
    // Another program may have moved it on while this one waited.
    QSqlQuery current(db);
    if (!current.exec(QStringLiteral("PRAGMA user_version")) || !current.next()) {
        *error = current.lastError();
        QSqlError ignored;
        run(db, QStringLiteral("ROLLBACK"), &ignored);
        return MigrationOutcome::Failed;
    }
    const int from = current.value(0).toInt();
    current.finish();
    if (from > historySchemaVersion()) {
        run(db, QStringLiteral("ROLLBACK"), error);
        return MigrationOutcome::Newer;
    }
    for (int step = from; step < historySchemaVersion(); ++step) {
        for (const QString& statement : kMigrations[static_cast<size_t>(step)]) {
            if (!run(db, statement, error)) {
                QSqlError ignored;
                run(db, QStringLiteral("ROLLBACK"), &ignored);
                return MigrationOutcome::Failed;
            }
        }
    }
    if (!run(db, QStringLiteral("PRAGMA user_version = %1").arg(historySchemaVersion()), error) ||
        !run(db, QStringLiteral("COMMIT"), error)) {
        QSqlError ignored;
        run(db, QStringLiteral("ROLLBACK"), &ignored);
        return MigrationOutcome::Failed;
    }
    return MigrationOutcome::Done;
}
