// SPDX-License-Identifier: GPL-3.0-or-later
// The tune history's listings and the changes the tuner makes to a snapshot.
#include "history/TuneHistory.h"

#include "files/EcuFile.h"
#include "history/HistorySql.h"

#include <QSqlDatabase>

bool TuneHistory::usable() const {
    if (!m_available) {
        m_lastError = QStringLiteral("the tune history cannot be used");
    }
    return m_available;
}

bool TuneHistory::fail(const QSqlError& error) const {
    m_lastError = fault(error) == Fault::Busy
                      ? QStringLiteral("the tune history is locked by another program")
                      : QStringLiteral("the tune history: %1").arg(reasonOf(error));
    return false;
}

std::optional<std::vector<SnapshotInfo>> TuneHistory::list(const SnapshotFilter& filter) const {
    if (!usable()) {
        return std::nullopt;
    }
    QStringList conditions;
    QVariantList values;
    if (!filter.ecuSerial.isEmpty()) {
        conditions << QStringLiteral("s.ecu_serial = ?");
        values << filter.ecuSerial;
    }
    if (filter.source) {
        conditions << QStringLiteral("s.source = ?");
        values << snapshotSourceKey(*filter.source);
    }
    if (!filter.path.isEmpty()) {
        conditions << QStringLiteral("s.path = ?");
        values << absolutePath(filter.path);
    }
    QString sql = snapshotInfoSelect();
    if (!conditions.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    }
    sql += QStringLiteral(" ORDER BY s.time DESC, s.id DESC");

    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (!execute(query, sql, values)) {
        fail(query.lastError());
        return std::nullopt;
    }
    std::vector<SnapshotInfo> snapshots;
    while (query.next()) {
        snapshots.push_back(snapshotInfoFrom(query));
    }
    if (query.lastError().isValid()) {
        fail(query.lastError());
        return std::nullopt;
    }
    return snapshots;
}

std::optional<SnapshotInfo> TuneHistory::info(qint64 id) const {
    if (!usable()) {
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!execute(query, snapshotInfoSelect() + QStringLiteral(" WHERE s.id = ?"), {id})) {
        fail(query.lastError());
        return std::nullopt;
    }
    if (!query.next()) {
        m_lastError = QStringLiteral("there is no snapshot %1 in the tune history").arg(id);
        return std::nullopt;
    }
    return snapshotInfoFrom(query);
}

std::optional<QByteArray> TuneHistory::fileBytes(qint64 id) const {
    if (!usable()) {
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!execute(query,
                 QStringLiteral("SELECT t.data FROM snapshots AS s JOIN tunes AS t ON "
                                "t.hash = s.hash WHERE s.id = ?"),
                 {id})) {
        fail(query.lastError());
        return std::nullopt;
    }
    if (!query.next()) {
        m_lastError = QStringLiteral("there is no snapshot %1 in the tune history").arg(id);
        return std::nullopt;
    }
    QByteArray data = qUncompress(query.value(0).toByteArray());
    if (data.isEmpty()) {
        m_lastError = QStringLiteral("snapshot %1 is damaged in the tune history").arg(id);
        return std::nullopt;
    }
    return data;
}

std::optional<EcuSettings> TuneHistory::settings(qint64 id, const EcuSettings& base) const {
    const std::optional<QByteArray> data = fileBytes(id);
    if (!data) {
        return std::nullopt;
    }
    EcuFileReadResult read = readEcuFile(*data, base);
    if (!read.ok()) {
        m_lastError = QStringLiteral("snapshot %1: %2").arg(id).arg(read.error);
        return std::nullopt;
    }
    return std::move(read.settings);
}

bool TuneHistory::setNote(qint64 id, const QString& note) {
    return changeText(id, "note", note);
}

bool TuneHistory::setName(qint64 id, const QString& name) {
    return changeText(id, "name", name);
}

bool TuneHistory::changeText(qint64 id, const char* column, const QString& text) {
    if (!usable()) {
        return false;
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!execute(
            query,
            QStringLiteral("UPDATE snapshots SET %1 = ? WHERE id = ?").arg(QLatin1String(column)),
            {notNull(text), id})) {
        return fail(query.lastError());
    }
    if (query.numRowsAffected() == 0) {
        m_lastError = QStringLiteral("there is no snapshot %1 in the tune history").arg(id);
        return false;
    }
    return true;
}
