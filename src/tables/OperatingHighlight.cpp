// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/OperatingHighlight.h"

#include "monitor/LiveSample.h"
#include "record/Rounding.h"
#include "record/SettingCodes.h"

#include <algorithm>

namespace {

constexpr int kLastGridCell = 16;
constexpr int kSteps = 15;
// Below this MaxRpm a column is less than one rpm wide.
constexpr int kLowestMaxRpm = kSteps;

struct LoadScale {
    int top;
    int step;
};

std::optional<LoadScale> loadScale(LoadControl control) {
    switch (control) {
    case LoadControl::Map:
    case LoadControl::Tps:
        return LoadScale{105, 7};
    case LoadControl::Volts:
        return LoadScale{255, 255 / kSteps};
    default:
        return std::nullopt;
    }
}

int inGrid(int64_t index) {
    if (index >= kLastGridCell + 1) {
        return kLastGridCell;
    }
    return index < 1 ? 1 : static_cast<int>(index);
}

std::vector<GridCell> block(const OperatingHighlight& h, bool right, bool below) {
    std::vector<GridCell> cells{{h.row, h.column}};
    if (right) {
        cells.push_back({h.row, h.column + 1});
    }
    if (below) {
        cells.push_back({h.row + 1, h.column});
    }
    if (right && below) {
        cells.push_back({h.row + 1, h.column + 1});
    }
    return cells;
}

} // namespace

OperatingHighlight operatingHighlightAt(const EcuSettings& s, double rpm, double load) {
    OperatingHighlight h;
    if (const std::optional<LoadScale> scale = loadScale(loadControl(s))) {
        h.row = inGrid(1 + truncDiv(roundHalfEven(scale->top - load), scale->step));
    }
    const int64_t columnWidth = s.MaxRpm >= kLowestMaxRpm ? truncDiv(s.MaxRpm, kSteps) : 0;
    if (columnWidth > 0) {
        h.column = inGrid(truncDiv(roundHalfEven(rpm), columnWidth) + 1);
    }
    h.overRange =
        (loadControl(s) == LoadControl::Map || loadControl(s) == LoadControl::Tps) && load >= 105.0;
    h.columnRight = h.column < kLastGridCell;
    h.rowBelow = !h.overRange && h.row < kLastGridCell;
    return h;
}

GridPoint gridPoint(const EcuSettings& s, const LiveSample& sample) {
    GridPoint point{sample.value(LiveChannel::Rpm), 0.0};
    switch (loadControl(s)) {
    case LoadControl::Map:
        point.load = sample.mapPercent();
        break;
    case LoadControl::Tps:
        point.load = sample.value(LiveChannel::Tps);
        break;
    case LoadControl::Volts:
        point.load = sample.raw(LiveChannel::Tps);
        break;
    default:
        break;
    }
    return point;
}

std::optional<HighlightRepaint> HighlightTracker::update(const OperatingHighlight& highlight,
                                                         const GridCursor& cursor) {
    if (m_painted && m_painted->row == highlight.row && m_painted->column == highlight.column &&
        m_painted->overRange == highlight.overRange && m_cursor == cursor) {
        return std::nullopt;
    }
    HighlightRepaint repaint;
    if (m_painted) {
        repaint.restore =
            block(*m_painted, m_painted->column < kLastGridCell, m_painted->row < kLastGridCell);
    }
    repaint.paint = block(highlight, highlight.columnRight, highlight.rowBelow);
    std::rotate(repaint.paint.begin(), repaint.paint.begin() + 1, repaint.paint.end());
    m_painted = highlight;
    m_cursor = cursor;
    return repaint;
}

QPoint crossHairPosition(const GridGeometry& grid, const EcuSettings& s, const GridPoint& point) {
    double xOffset = 0.0;
    if (s.MaxRpm >= kLowestMaxRpm) {
        xOffset = (grid.cellWidth + 11) * 15 / s.MaxRpm * point.rpm;
    }
    const double rowSpan = (grid.cellHeight + 15) * 15;
    const std::optional<LoadScale> scale = loadScale(loadControl(s));
    const double yOffset = scale ? rowSpan / scale->top * point.load : 0.0;
    const int64_t top = roundHalfEven((grid.top - 100) + (grid.cellHeight + 15) * 16.5 - yOffset);
    const int64_t left = roundHalfEven((grid.left - 100) + (grid.cellWidth + 15) * 1.5 + xOffset);
    return {static_cast<int>(left), static_cast<int>(top)};
}
