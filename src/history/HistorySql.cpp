// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistorySql.h"

#include <QFileInfo>

QString snapshotInfoSelect() {
    return QStringLiteral(
        "SELECT "
        "s.id, s.time, s.source, s.ecu_serial, s.ecu_version_major, s.ecu_version_minor, "
        "s.ecu_build, s.ecu_serial_byte1, s.ecu_serial_byte2, s.ecu_serial_byte3, s.path, s.note, "
        "s.name, s.hash FROM snapshots AS s");
}

SnapshotInfo snapshotInfoFrom(const QSqlQuery& query) {
    SnapshotInfo info;
    info.id = query.value(0).toLongLong();
    info.time = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong(), Qt::UTC);
    info.source = snapshotSourceFromKey(query.value(2).toString()).value_or(SnapshotSource::Named);
    if (!query.isNull(3)) {
        info.ecu =
            SnapshotEcu{query.value(4).toInt(),   query.value(5).toInt(), query.value(6).toInt(),
                        query.value(7).toInt(),   query.value(8).toInt(), query.value(9).toInt(),
                        query.value(3).toString()};
    }
    info.path = query.value(10).toString();
    info.note = query.value(11).toString();
    info.name = query.value(12).toString();
    info.hash = query.value(13).toByteArray().toHex();
    return info;
}

QVariant nullInt() {
    return QVariant(QMetaType::fromType<int>());
}

QString notNull(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

QString absolutePath(const QString& path) {
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

QString reasonOf(const QSqlError& error) {
    return error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
}

bool execute(QSqlQuery& query, const QString& sql, const QVariantList& values) {
    if (!query.prepare(sql)) {
        return false;
    }
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    return query.exec();
}
