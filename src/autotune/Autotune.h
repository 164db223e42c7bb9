// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "autotune/EgoModel.h"
#include "record/EcuSettings.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <deque>
#include <optional>

// Rows and columns of the fuel table that autotune works on.
inline constexpr int kAutotuneSize = 16;

template <typename T>
using AutotuneGrid = std::array<std::array<T, kAutotuneSize>, kAutotuneSize>; // [table row][column]

// Why a record was left out. A record is counted once, under the first of
// these that it fails, in this order.
enum class AutotuneFilter : uint8_t {
    ColdEngine,     // water below the lowest temperature: warm-up enrichment
    EngineStopped,  // rpm below the lowest: the engine is not running
    ThrottleMoving, // the throttle moved faster than the limit, or did less
                    // than the settle time ago: acceleration enrichment
    FuelCut,        // no injector time, or less than the settle time after
    EgoOutOfRange,  // sensor volts outside what it reads: cold or failed sensor
    OutsideTable,   // rpm or load beyond the table's axes
    LockedCell,     // all its weight falls on cells the tuner locked
};
inline constexpr int kAutotuneFilterCount = 7;

// The filters' thresholds. Temperatures in degrees F.
struct AutotuneFilters {
    double minWaterF = 160.0;
    double minRpm = 300.0;
    double maxTpsPercentPerSecond = 20.0;
    double throttleSettleMs = 500.0;
    double fuelCutSettleMs = 500.0;
    double minEgoVolts = 0.1;
    double maxEgoVolts = 4.9;
    bool operator==(const AutotuneFilters&) const = default;
};

// A filter's name for people, with its threshold ("water below 160 °F").
QString autotuneFilterText(AutotuneFilter filter, const AutotuneFilters& filters);

struct AutotuneOptions {
    EgoTransfer transfer;
    // One target air/fuel ratio for every cell; none: the EGO setpoint of
    // the record's load (analog input 1's table) through the transfer.
    std::optional<double> targetAfr;
    AutotuneFilters filters;
    EgoLag lag;
    // A cell whose records weigh less than this in all is left unchanged.
    double minWeight = 5.0;
    // From this weight on a cell takes the mean of its corrected values;
    // below it the new value is pulled part of the way from the old one.
    double fullWeight = 20.0;
    // The most a cell may move, in per cent of its value when the session
    // started, however often proposals are applied.
    double maxChangePercent = 15.0;
    // Records further apart than this do not follow one another: the
    // operating point one lag earlier and the throttle's rate start afresh.
    double maxRecordGapMs = 2000.0;
    AutotuneGrid<bool> locked{};
};

// One record as autotune reads it, in the units the log shows: rpm, MAP
// psi, throttle per cent, water degrees F, injector open time ms, and the
// EGO sensor's volts.
struct AutotuneSample {
    qint64 timeMs = 0;
    double rpm = 0.0;
    double mapPsi = 0.0;
    double tpsPercent = 0.0;
    double waterF = 0.0;
    double fuelMs = 0.0;
    double egoVolts = 0.0;
};

struct AutotuneCounts {
    qint64 records = 0;
    qint64 used = 0;
    std::array<qint64, kAutotuneFilterCount> rejected{};

    qint64 rejectedBy(AutotuneFilter filter) const { return rejected[static_cast<size_t>(filter)]; }
};

// A cell of a proposal.
struct AutotuneCell {
    qint64 hits = 0;     // records that gave it weight
    double weight = 0.0; // the sum of their weights
    double meanMs = 0.0; // the weighted mean of their corrected values; 0 without
    int oldRaw = 0;      // the table's count now
    int newRaw = 0;      // the proposed count
    bool locked = false;

    double oldMs() const;
    double newMs() const;
    double changePercent() const;
    bool changed() const { return newRaw != oldRaw; }
};

struct AutotuneProposal {
    AutotuneGrid<AutotuneCell> cells{};

    int changedCells() const;
    // The table with the proposed counts in rows and columns 0..15.
    EcuSettings::Table appliedTo(EcuSettings::Table table) const;
};

// One autotune session over the fuel table of the settings it starts with.
// Records come one at a time, from a log or the live stream, in time order.
// A record's mixture, read by the EGO sensor, was burnt one lag earlier, at
// the operating point of that moment (interpolated between records); it is
// spread over the 4 cells around that point with bilinear weights on the
// table's axes. For each cell the value that would have given the target is
// the cell's fuel time x measured AFR / target AFR, so a lean reading asks
// for more fuel.
class Autotune {
public:
    // The session starts from the settings' fuel table; their axes (MaxRpm,
    // LoadControl, the MAP sensor and span) and EGO setpoints are used
    // throughout.
    Autotune(const EcuSettings& settings, const AutotuneOptions& options);
    // A session that keeps the change limit of an earlier one: startTable is
    // the table that earlier session started from.
    Autotune(const EcuSettings& settings, const AutotuneOptions& options,
             const EcuSettings::Table& startTable);

    const AutotuneOptions& options() const { return m_options; }
    // Locks or unlocks a cell, for the records taken as for those to come:
    // a locked cell keeps its value and shows no records, and a record
    // whose weight falls on locked cells only is counted as such. Unlocking
    // gives the cell back the records that fell on it.
    void setLocked(int row, int column, bool locked);
    // Takes the proposal's limits of options: the least and the full weight
    // and the largest change. The records stay: the limits act on the
    // proposal alone.
    void setLimits(const AutotuneOptions& options);

    // The next record does not follow the ones before (a new run of a log,
    // the live stream after a gap).
    void startRun();
    void add(const AutotuneSample& sample);
    AutotuneCounts counts() const;

    AutotuneProposal proposal() const;
    // The table now holds the proposal's counts; the records behind it are
    // used up. The limits stay those of the session's start.
    void apply(const AutotuneProposal& proposal);
    // Drops the records taken so far; the table stays.
    void clearData();
    // The table changed by other hands (an edit, an undo): proposals start
    // from it and records to come are read against it. The records taken
    // stay, since the fuel a cell needed does not depend on what it holds.
    void setTable(const EcuSettings::Table& table);

    const EcuSettings::Table& table() const { return m_settings.FuelTable; }
    const EcuSettings::Table& startTable() const { return m_start; }

private:
    struct Point {
        qint64 timeMs = 0;
        double rpm = 0.0;
        double load = 0.0;     // in the load control's unit
        double setpoint = 0.0; // position on the EGO setpoint array, 0..15
        bool outside = false;
    };
    struct Totals {
        qint64 hits = 0;
        double weight = 0.0;
        double corrected = 0.0; // sum of weight x corrected ms
    };
    // The records spread over the cells around each point of the table: by
    // the 2 x 2 block's top left cell, and by which of its 4 cells took
    // weight (a bit each), so that the records on locked cells only can be
    // counted whatever the locks are.
    static constexpr int kBlocks = (kAutotuneSize - 1) * (kAutotuneSize - 1);
    static constexpr int kCellSets = 16;
    using SpreadCounts = std::array<std::array<qint64, kCellSets>, kBlocks>;

    Point pointAt(double timeMs) const;
    double targetAfr(const Point& point) const;
    // Spreads a record over the cells around its point; false when the
    // point lies outside the table.
    bool spread(const Point& point, double measuredAfr);

    EcuSettings m_settings;
    EcuSettings::Table m_start{};
    AutotuneOptions m_options;
    AutotuneGrid<Totals> m_totals{}; // every cell's, locked or not
    AutotuneCounts m_counts;         // without the spread records
    SpreadCounts m_spread{};
    std::deque<Point> m_history;
    std::optional<AutotuneSample> m_previous;
    double m_throttleSettledMs = 0.0;
    double m_fuelSettledMs = 0.0;
};
