// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/ScatterGrid.h"

#include <algorithm>
#include <cmath>

namespace {

int binOf(float value, const ValueRange& range, int bins) {
    const double width = static_cast<double>(range.max) - range.min;
    if (width <= 0) {
        return bins / 2;
    }
    const auto bin = static_cast<int>((value - range.min) / width * bins);
    return std::clamp(bin, 0, bins - 1);
}

} // namespace

ScatterGrid scatterGrid(const SampleSeries& series, int xChannel, int yChannel, int colourChannel,
                        const ChannelFilter::Bound& filter, int columns, int rows) {
    ScatterGrid g;
    g.columns = std::max(columns, 1);
    g.rows = std::max(rows, 1);
    g.total = series.size();
    const auto cells = static_cast<size_t>(g.columns) * static_cast<size_t>(g.rows);
    g.count.assign(cells, 0);
    g.colourMean.assign(cells, 0.0f);
    if (xChannel < 0 || yChannel < 0) {
        return g;
    }
    const auto x = static_cast<size_t>(xChannel);
    const auto y = static_cast<size_t>(yChannel);
    const auto c = static_cast<size_t>(colourChannel);
    // The first pass finds the ranges, the second fills the cells.
    series.forEachRecord(0, series.size(), [&](qsizetype, qint64, std::span<const float> v) {
        if (std::isnan(v[x]) || std::isnan(v[y]) || !filter.passes(v)) {
            return;
        }
        ++g.passed;
        g.x.add(v[x]);
        g.y.add(v[y]);
        if (colourChannel >= 0) {
            g.colour.add(v[c]);
        }
    });
    std::vector<qint32> coloured(cells, 0);
    series.forEachRecord(0, series.size(), [&](qsizetype, qint64, std::span<const float> v) {
        if (std::isnan(v[x]) || std::isnan(v[y]) || !filter.passes(v)) {
            return;
        }
        const size_t at =
            static_cast<size_t>(g.cell(binOf(v[x], g.x, g.columns), binOf(v[y], g.y, g.rows)));
        ++g.count[at];
        if (colourChannel >= 0 && !std::isnan(v[c])) {
            g.colourMean[at] += v[c];
            ++coloured[at];
        }
    });
    for (size_t i = 0; i < cells; ++i) {
        g.colourMean[i] = coloured[i] > 0 ? g.colourMean[i] / static_cast<float>(coloured[i])
                                          : std::numeric_limits<float>::quiet_NaN();
    }
    return g;
}
