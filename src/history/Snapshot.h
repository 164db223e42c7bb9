// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuIdentity.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <span>

// One kept state of a tune: what the tune history lists about a snapshot.
// The settings themselves are kept as data file bytes and fetched apart.

// Why a snapshot was taken.
enum class SnapshotSource {
    ReadFromEcu,
    SentToEcu,
    StoredInEcu,
    FileOpened,
    FileSaved,
    FileOverwritten, // a file's old contents, kept before a save replaced them
    AutotuneApplied,
    Named, // taken by the tuner, under a name
};

// Every source, in the order above.
std::span<const SnapshotSource> snapshotSources();
// The short word kept in the database and taken by "vantrelctl history list
// --source": "read", "sent", "stored", "opened", "saved", "overwritten",
// "autotune", "named".
QString snapshotSourceKey(SnapshotSource source);
std::optional<SnapshotSource> snapshotSourceFromKey(const QString& key);
// How the history window and listing describe it: "read from the ECU", ...
QString snapshotSourceText(SnapshotSource source);

// The ECU a snapshot came from or went to.
struct SnapshotEcu {
    int versionMajor = 0;
    int versionMinor = 0;
    int build = 0;
    int serialByte1 = 0;
    int serialByte2 = 0;
    int serialByte3 = 0;
    QString serial; // as the identity shows it, "1-2-03-00417"

    static SnapshotEcu from(const EcuIdentity& identity);
    bool operator==(const SnapshotEcu&) const = default;
};

struct SnapshotInfo {
    qint64 id = 0;
    QDateTime time; // UTC
    SnapshotSource source = SnapshotSource::ReadFromEcu;
    std::optional<SnapshotEcu> ecu;
    QString path; // the data file involved, if any
    QString note;
    QString name;    // a named snapshot is kept for ever
    QByteArray hash; // SHA-256 of the data file bytes, hexadecimal

    bool operator==(const SnapshotInfo&) const = default;
};

// Which snapshots a listing shows; an empty field lets every snapshot pass.
struct SnapshotFilter {
    QString ecuSerial;
    std::optional<SnapshotSource> source;
    QString path;
};
