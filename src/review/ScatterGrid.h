// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/SampleSeries.h"
#include "review/ChannelFilter.h"

#include <QtGlobal>
#include <vector>

// A scatter plot of one channel over another, coloured by a third, as cells
// of a grid: each cell holds how many of the records that pass the filter
// fall in it and the mean of their colour channel. A million records make a
// grid of a few thousand cells, which draws at once.
struct ScatterGrid {
    int columns = 0;
    int rows = 0;
    ValueRange x;                  // of the records that pass, across
    ValueRange y;                  // up
    ValueRange colour;             // of the colour channel over the records that pass
    qint64 total = 0;              // records of the log
    qint64 passed = 0;             // records that pass the filter and hold x and y
    std::vector<qint32> count;     // by row (0 at the bottom) and column
    std::vector<float> colourMean; // NaN where no record has a colour value

    qsizetype cell(int column, int row) const {
        return static_cast<qsizetype>(row) * columns + column;
    }
};

// The grid of the records whose x, y and colour channels (series channel
// indexes; colour may be -1 for none) hold values and that pass the filter.
ScatterGrid scatterGrid(const SampleSeries& series, int xChannel, int yChannel, int colourChannel,
                        const ChannelFilter::Bound& filter, int columns, int rows);
