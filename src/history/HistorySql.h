// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/Snapshot.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

// What the tune history's statements share.

// The columns of a snapshot's listing, from the snapshots table "s"; a
// statement adds its WHERE and ORDER BY.
QString snapshotInfoSelect();
// One row of snapshotInfoSelect().
SnapshotInfo snapshotInfoFrom(const QSqlQuery& query);

// A NULL integer column.
QVariant nullInt();
// Text for a NOT NULL column: a null QString would be bound as NULL.
QString notNull(const QString& text);
// The full path of a file name; an empty name stays empty.
QString absolutePath(const QString& path);

// What went wrong, as SQLite says it, or else as Qt does.
QString reasonOf(const QSqlError& error);

// Prepares and runs a statement with its values; the query then holds the
// error of whichever step failed.
bool execute(QSqlQuery& query, const QString& sql, const QVariantList& values = {});
