// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/SmartAdd.h"

#include "monitor/LiveSample.h"
#include "record/Rounding.h"
#include "record/SettingCodes.h"

#include <algorithm>

namespace {

double liveLoad(const EcuSettings& s, const LiveSample& sample) {
    switch (loadControl(s)) {
    case LoadControl::Map:
        return sample.value(LiveChannel::Map);
    case LoadControl::Volts:
        return sample.raw(LiveChannel::Tps) * 5.0 / 255.0;
    default:
        return sample.value(LiveChannel::Tps);
    }
}

// 0 near the first label, 1 near the second, 0.5 in the middle third.
double share(double fraction, bool firstThirdInclusive) {
    const bool nearFirst = firstThirdInclusive ? fraction <= 0.33 : fraction < 0.33;
    if (nearFirst) {
        return 0.0;
    }
    return fraction > 0.66 ? 1.0 : 0.5;
}

} // namespace

std::vector<FieldCell> smartAdd(const TableModel& fuel, const OperatingHighlight& h,
                                const LiveSample& sample, double amount, int sign) {
    const int dx = h.columnRight ? 1 : 0;
    const int dy = h.rowBelow ? 1 : 0;
    const double s1 = fuel.rpmLabelValue(h.column);
    const double s2 = fuel.rpmLabelValue(h.column + dx);
    const double l1 = fuel.loadLabelValue(h.row);
    const double l2 = fuel.loadLabelValue(h.row + dy);

    double wx = 0.0;
    if (dx == 1) {
        wx = s1 == s2 ? 1.0 : share((sample.value(LiveChannel::Rpm) - s1) / (s2 - s1), false);
    }
    double wy = 1.0;
    if (dy == 1) {
        wy = l1 == l2 ? 0.0 : share((liveLoad(fuel.settings(), sample) - l2) / (l1 - l2), true);
    }
    const double weights[2][2] = {{(1 - wx) * wy, wx * wy}, {(1 - wx) * (1 - wy), wx * (1 - wy)}};

    double shares = 1.0;
    if (weights[0][0] == 0.25) {
        shares = 4.0;
    }
    for (const auto& row : weights) {
        if (row[0] == 0.5 || row[1] == 0.5) {
            shares = 2.0;
        }
    }
    const double step = fuel.description().amountInRaw(amount) * sign;

    std::vector<FieldCell> cells;
    for (int y = 0; y <= dy; ++y) {
        for (int x = 0; x <= dx; ++x) {
            const int row = h.row + y;
            const int column = h.column + x;
            const int64_t stored = fuel.raw(row, column);
            const double raw = static_cast<double>(stored) + weights[y][x] * (shares * step);
            cells.push_back({row - 1, column - 1,
                             roundedCount(raw, fuel.description().rawMin, fuel.description().rawMax)
                                 .value_or(stored)});
        }
    }
    return cells;
}
