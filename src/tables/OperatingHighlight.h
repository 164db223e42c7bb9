// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"
#include "tables/TableOperations.h"

#include <QPoint>
#include <cstdint>
#include <optional>
#include <vector>

class LiveSample;

// The cells around the live operating point, in grid numbers: (row, column)
// is the upper-left red cell; the column to its right and the row below are
// red too when columnRight and rowBelow say so.
struct OperatingHighlight {
    int row = 1;
    int column = 1;
    bool columnRight = false;
    bool rowBelow = false;
    bool overRange = false; // MAP or TPS load at 105 or more: the top row only

    bool operator==(const OperatingHighlight&) const = default;
};

// An operating point on the editors' grid: an rpm and a load given in the
// unit of the load control: MAP per cent (1), throttle per cent (2), the load
// count 0..255 (3).
struct GridPoint {
    double rpm = 0.0;
    double load = 0.0;
};

// The operating point of a live sample's values.
GridPoint gridPoint(const EcuSettings& settings, const LiveSample& sample);

// The operating cells of an rpm and a load given in the unit of the load
// control: MAP per cent (1), throttle per cent (2), the load count 0..255
// (3). Any other load control keeps the top row; a MaxRpm below 15 leaves no
// rpm step between the columns, and the highlight stays in column 1. The
// live operating cells and the cell of a logged record (HitRule.h) both come
// from here.
OperatingHighlight operatingHighlightAt(const EcuSettings& settings, double rpm, double load);

// The grid's current cell at the time of a repaint.
struct GridCursor {
    int row = 0;
    int column = 0;

    bool operator==(const GridCursor&) const = default;
};

// One repaint of the red cells: first the cells to give back their own
// colours, then the cells to paint red (the upper-left one last).
struct HighlightRepaint {
    std::vector<GridCell> restore;
    std::vector<GridCell> paint;
};

// What an editor painted last. A poll whose operating cells, over-range state
// and grid cursor are all as at the last repaint changes nothing.
class HighlightTracker {
public:
    std::optional<HighlightRepaint> update(const OperatingHighlight& highlight,
                                           const GridCursor& cursor);

    // The cells painted last, or nothing before the first repaint.
    const std::optional<OperatingHighlight>& current() const { return m_painted; }
    // Forgets the painted cells (window load and unload): the next poll
    // repaints and restores nothing.
    void reset() { m_painted.reset(); }

private:
    std::optional<OperatingHighlight> m_painted;
    GridCursor m_cursor;
};

// Where the cross-hair dot goes, in twips: the grid's position and the size
// of its data cells.
struct GridGeometry {
    double left = 0;
    double top = 0;
    double cellWidth = 0;
    double cellHeight = 0;
};
QPoint crossHairPosition(const GridGeometry& grid, const EcuSettings& settings,
                         const GridPoint& point);
