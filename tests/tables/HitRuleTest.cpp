// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/HitRule.h"
#include "monitor/LiveSample.h"
#include "record/EngineData.h"
#include "record/LoadPercent.h"
#include "record/SensorConversions.h"
#include "tables/OperatingHighlight.h"

#include <gtest/gtest.h>

namespace {

EcuSettings axes(int loadControl, int mapMin = 0, int mapMax = 255) {
    EcuSettings s = EcuSettings::withDefaults();
    s.LoadControl = static_cast<int16_t>(loadControl);
    s.MaxRpm = 9000; // 600 rpm a column
    s.MapSensorType = 1;
    s.MapMinBits = static_cast<int16_t>(mapMin);
    s.MapMaxBits = static_cast<int16_t>(mapMax);
    return s;
}

// A record falls in the cell the editor paints as the upper-left red cell:
// row 1 + round(top - load) \ step, column round(rpm) \ (MaxRpm \ 15) + 1.
TEST(HitRule, CellEdgesUnderEachLoadControl) {
    struct Case {
        int loadControl;
        double rpm;
        double mapPsi;
        double tps;
        GridCell cell;
        int mapMin = 0;
        int mapMax = 255;
    };
    const Case cases[] = {
        // Columns: 600 rpm each; the rpm is rounded first, halves to even.
        {2, 598.5, 0, 50, {8, 1}},
        {2, 599.5, 0, 50, {8, 2}},
        {2, 600, 0, 50, {8, 2}},
        {2, 8999, 0, 50, {8, 15}},
        {2, 9000, 0, 50, {8, 16}},
        {2, 12000, 0, 50, {8, 16}},
        // Throttle: 7 % a row from 105 down; 105 - load rounded, halves to even.
        {2, 0, 0, 105, {1, 1}},
        {2, 0, 0, 98.5, {1, 1}}, // 6.5 rounds to 6
        {2, 0, 0, 98.49, {2, 1}},
        {2, 0, 0, 14.5, {13, 1}}, // 90.5 rounds to 90: 12 rows down
        {2, 0, 0, 14.49, {14, 1}},
        {2, 0, 0, 0.5, {15, 1}}, // 104.5 rounds to 104
        {2, 0, 0, 0.49, {16, 1}},
        {2, 0, 0, 0, {16, 1}},
        // MAP: the nearest count to the logged psi (1.4985 + 0.0537 a count
        // for this sensor), as per cent of the span.
        {1, 3000, 14.37, 0, {1, 6}},          // count 239.7 is 240: 98.8 %
        {1, 3000, 14.36, 0, {2, 6}},          // count 239.5 less a little is 239: 98.4 %
        {1, 3000, 15.19, 0, {1, 6}},          // count 255
        {1, 3000, 1.50, 0, {16, 6}},          // count 0
        {1, 3000, 8.80, 0, {8, 6}},           // count 136: 56 %, 49 below the top
        {1, 3000, 2.04, 0, {16, 6}, 20, 230}, // count 10, below the span: 0 %
        {1, 3000, 14.39, 0, {1, 6}, 20, 230}, // count 240, above it: 105 %
        // The load input's count: 17 counts a row from 255 down.
        {3, 3000, 14.33, 100, {1, 6}}, // count 239: 16 below the top
        {3, 3000, 14.28, 100, {2, 6}}, // count 238
        {3, 3000, 1.53, 100, {15, 6}}, // count 1
        {3, 3000, 1.50, 100, {16, 6}}, // count 0
        // Another load control has no load axis: the top row.
        {0, 3000, 8.80, 50, {1, 6}},
    };
    for (const Case& c : cases) {
        const EcuSettings s = axes(c.loadControl, c.mapMin, c.mapMax);
        EXPECT_EQ(loggedCell(s, {c.rpm, c.mapPsi, c.tps}), c.cell)
            << "control " << c.loadControl << " rpm " << c.rpm << " psi " << c.mapPsi << " tps "
            << c.tps;
    }
}

// A record logged from live values falls where the editor painted them:
// both run through one rule, the log only having MAP in psi.
TEST(HitRule, ALoggedRecordFallsWhereTheEditorPaintedItsLiveValues) {
    for (const int loadControl : {1, 2}) {
        const EcuSettings s = axes(loadControl, 12, 241);
        for (int count = 0; count < 256; ++count) {
            EngineData e;
            e.RpmChannel.Value = static_cast<float>(count * 37);
            e.MapPercent = mapPercent(s, count);
            e.TpsChannel.Value = throttlePercent(s, count);
            const GridPoint live = gridPoint(s, LiveSample::fromEngineData(e, 0));
            const OperatingHighlight painted = operatingHighlightAt(s, live.rpm, live.load);
            const double psi = mapCountsToPsi(s.MapSensorType, count);
            EXPECT_EQ(loggedCell(s, {e.RpmChannel.Value, psi, e.TpsChannel.Value}),
                      (GridCell{painted.row, painted.column}))
                << loadControl << " " << count;
        }
    }
}

// The point on the axes in breakpoint steps, for the bilinear weights.
TEST(HitRule, TablePointInBreakpointSteps) {
    struct Case {
        int loadControl;
        double rpm;
        double mapPsi;
        double tps;
        double rpmStep;
        double loadStep;
        bool outside;
    };
    const Case cases[] = {
        {2, 2700, 0, 17.5, 4.5, 2.5, false},
        {2, 9000, 0, 105, 15, 15, false},
        {2, 9001, 0, 50, 15, 50 / 7.0, true},
        {1, 0, 8.80, 0, 0, 58 / 7.0, false}, // count 136 of the span 20..230: 58 %
        {1, 0, 1.50, 0, 0, 0, true},         // count 0, below the span
        {3, 0, 8.80, 0, 0, 8, false},        // count 136
    };
    for (const Case& c : cases) {
        const EcuSettings s = axes(c.loadControl, 20, 230);
        const std::optional<RecordLoad> load = recordLoad(s, c.mapPsi, c.tps);
        ASSERT_TRUE(load.has_value());
        const TablePoint p = tablePoint(s, c.rpm, *load);
        EXPECT_NEAR(p.rpmStep, c.rpmStep, 1e-6) << c.rpm;
        EXPECT_NEAR(p.loadStep, c.loadStep, 1e-4) << c.mapPsi << " " << c.tps;
        EXPECT_EQ(p.outside, c.outside) << c.rpm << " " << c.mapPsi;
    }
    EXPECT_FALSE(recordLoad(axes(0), 8.8, 50).has_value());
}

} // namespace
