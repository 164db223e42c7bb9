// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tables/HitRule.h"
#include "tables/TableOperations.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

// A channel of a log whose mean the hits can show.
struct HitChannel {
    QString name;
    QString unit;

    bool operator==(const HitChannel&) const = default;
};

// How many records of a log fell in each cell of the tables, and the mean of
// a channel's values there. A record is placed by loggedCell: the cell that
// the editors paint as the upper-left red cell for it.
class CellHits {
public:
    static constexpr int kCells = 16;

    // Adds a record in a cell (grid numbers 1..16) with the value of the
    // channel whose mean is kept; NaN when it has none (it still counts).
    void add(GridCell cell, double value);
    // Places a logged record by the axes of the settings and adds it; a
    // record without its rpm or load is left out (false).
    bool add(const EcuSettings& settings, const LoggedPoint& point, double value);

    qint64 count(GridCell cell) const;
    // None where no record of the cell had a value.
    std::optional<double> mean(GridCell cell) const;
    // Records added, and left out for want of rpm or load.
    qint64 total() const { return m_total; }
    qint64 leftOut() const { return m_leftOut; }
    // The most records of any cell.
    qint64 maxCount() const { return m_maxCount; }

private:
    template <typename T> using Grid = std::array<std::array<T, kCells>, kCells>;
    static size_t at(int number) { return static_cast<size_t>(number - 1); }

    Grid<qint64> m_count{};
    Grid<qint64> m_valued{};
    Grid<double> m_sum{};
    qint64 m_total = 0;
    qint64 m_leftOut = 0;
    qint64 m_maxCount = 0;
};

// How strongly a cell is shaded for its records, 0 for none: from
// kLeastShade for one record up to kMostShade for the most of any cell, by
// the logarithm of the count, so that a few records still show.
inline constexpr double kLeastShade = 0.15;
inline constexpr double kMostShade = 0.5;
double hitShade(qint64 count, qint64 maxCount);

// A cell's hits in words: "54 records, mean User 1 0.482 V", "1 record",
// "no records".
QString hitSummary(const CellHits& hits, GridCell cell, const HitChannel& meanOf);

// A cell's count as its small line shows it: in full below 10,000, then in
// thousands ("12k") and millions ("1.2M"), rounded down.
QString hitCountText(qint64 count);
// A mean with the decimals its size calls for: none from 100 up, one from
// 10, two from 1, three below.
QString hitMeanText(double mean);
