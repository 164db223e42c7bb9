// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tables/CellHits.h"
#include "tables/HitRule.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

// An open log as the table editors see it: its records, counted in the
// cells of a table.
class LogHitsSource {
public:
    virtual ~LogHitsSource() = default;

    // The log and what its records must pass ("drive.log, Water ≥ 160").
    virtual QString description() const = 0;
    virtual std::vector<HitChannel> channels() const = 0;
    // The records that pass, placed by the axes of the settings, with the
    // mean of the channel meanOf (counts only when empty or not in the log).
    virtual CellHits count(const EcuSettings& settings, const QString& meanOf) const = 0;
};

// What an open log shows over the table editors: its hits, and the record
// at the review's cursor (replay), which the editors show as their operating
// point until live data arrives. The window that holds the log hands them
// over; the editors read them and follow the signals. It also keeps, for
// each table, the channel whose mean its hits show.
class LogOverlay : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The open log; none when no log is open.
    const std::shared_ptr<const LogHitsSource>& log() const { return m_log; }
    void setLog(std::shared_ptr<const LogHitsSource> log);

    // The values of the record at the review's cursor since it last moved;
    // none before it moves and once the log closes.
    const std::optional<LoggedPoint>& replay() const { return m_replay; }
    void setReplay(const LoggedPoint& point);
    // The editors go back to the live operating point (another log is shown).
    void endReplay();

    // The log closed: no hits and no replay.
    void close();

    QString meanOf(bool ignition) const { return ignition ? m_ignitionMean : m_fuelMean; }
    void setMeanOf(bool ignition, const QString& channel);

signals:
    void logChanged();
    void replayChanged();
    void meanOfChanged(bool ignition);

private:
    std::shared_ptr<const LogHitsSource> m_log;
    std::optional<LoggedPoint> m_replay;
    QString m_fuelMean;
    QString m_ignitionMean;
};
