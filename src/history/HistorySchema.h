// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <span>

// The tables of the tune history and the steps that bring an older database
// up to them. The database's user_version holds the number of steps applied.
//
// tunes: each distinct data file once (SHA-256 hash, zlib-compressed bytes).
// snapshots: one row a snapshot (time in ms since 1970 UTC, source key, the
// ECU's identity or NULLs, file path, note, name) and the hash of its tune,
// so that a listing reads no tune.

// Step i (from 0) brings a database of version i to version i + 1. Steps are
// only ever added at the end.
std::span<const QStringList> historyMigrations();

inline int historySchemaVersion() {
    return static_cast<int>(historyMigrations().size());
}

enum class MigrationOutcome { Done, Newer, Failed };

// Applies the missing steps in one write transaction, so that two programs
// opening an old database at once apply each step once. Newer: the database
// was made by a later version of the program and is left alone.
MigrationOutcome migrateHistory(QSqlDatabase& db, QSqlError* error);
