// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/AreaFit.h"

#include <algorithm>

namespace {

// One axis: the start and length of a window inside [areaStart, areaStart +
// areaLength).
std::pair<int, int> fitAxis(int start, int length, int areaStart, int areaLength, int minimum) {
    const int fitted = std::max(std::min(length, areaLength), minimum);
    const int last = areaStart + areaLength - fitted;
    return {std::max(areaStart, std::min(start, last)), fitted};
}

} // namespace

QRect keepInside(const QRect& window, const QRect& area, const QSize& minimum) {
    const auto [x, width] =
        fitAxis(window.x(), window.width(), area.x(), area.width(), std::max(0, minimum.width()));
    const auto [y, height] = fitAxis(window.y(), window.height(), area.y(), area.height(),
                                     std::max(0, minimum.height()));
    return {x, y, width, height};
}
