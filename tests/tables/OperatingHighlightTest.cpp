// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/OperatingHighlight.h"
#include "monitor/LiveSample.h"
#include "record/EngineData.h"

#include <gtest/gtest.h>

namespace {

struct HighlightCase {
    int loadControl;
    float mapPercent;
    float tps;
    int loadCount;
    float rpm;
    int maxRpm;
    OperatingHighlight expected;
};

TEST(OperatingHighlight, RowsAndColumnsAroundTheLivePoint) {
    const HighlightCase cases[] = {
        // Throttle load: 0 is the bottom row alone, 100 brackets rows 1 and 2,
        // 105 is over range and paints the top row only.
        {2, 0, 0, 0, 0, 7500, {16, 1, true, false, false}},
        {2, 0, 100, 0, 0, 7500, {1, 1, true, true, false}},
        {2, 0, 105, 0, 0, 7500, {1, 1, true, false, true}},
        {2, 0, 120, 0, 0, 7500, {1, 1, true, false, true}},
        {1, 100, 0, 0, 0, 7500, {1, 1, true, true, false}},
        {1, 105, 0, 0, 0, 7500, {1, 1, true, false, true}},
        {1, 59.5f, 0, 0, 0, 7500, {7, 1, true, true, false}}, // 45.5 rounds to 46
        {3, 0, 0, 255, 0, 7500, {1, 1, true, true, false}},
        {3, 0, 0, 0, 0, 7500, {16, 1, true, false, false}},
        {3, 0, 105, 128, 0, 7500, {8, 1, true, true, false}}, // volts are never over range
        {0, 105, 105, 0, 0, 7500, {1, 1, true, true, false}},
        // Rpm: MaxRpm \ 15 per column, the last column alone at MaxRpm.
        {2, 0, 50, 0, 7500, 7500, {8, 16, false, true, false}},
        {2, 0, 50, 0, 9000, 7500, {8, 16, false, true, false}},
        {2, 0, 50, 0, 4999.6f, 7500, {8, 11, true, true, false}},
        {2, 0, 50, 0, 4999.4f, 7500, {8, 10, true, true, false}},
        {2, 0, 50, 0, 3, 15, {8, 4, true, true, false}},
        // No rpm step below 15: column 1.
        {2, 0, 50, 0, 3000, 0, {8, 1, true, true, false}},
        {2, 0, 50, 0, 3000, 14, {8, 1, true, true, false}},
    };
    for (const HighlightCase& c : cases) {
        EcuSettings s = EcuSettings::withDefaults();
        EngineData e;
        s.LoadControl = static_cast<int16_t>(c.loadControl);
        s.MaxRpm = c.maxRpm;
        e.MapPercent = c.mapPercent;
        e.TpsChannel.Value = c.tps;
        e.TpsChannel.RawLow = static_cast<uint8_t>(c.loadCount);
        e.RpmChannel.Value = c.rpm;
        const GridPoint p = gridPoint(s, LiveSample::fromEngineData(e, 0));
        const OperatingHighlight h = operatingHighlightAt(s, p.rpm, p.load);
        EXPECT_EQ(h, c.expected) << "control " << c.loadControl << " rpm " << c.rpm << " max "
                                 << c.maxRpm << " got " << h.row << "," << h.column;
    }
}

TEST(HighlightTracker, RepaintsOnlyWhenTheCellOrTheCursorMoves) {
    HighlightTracker tracker;
    const OperatingHighlight middle{5, 7, true, true, false};
    const GridCursor cursor{1, 1};

    const auto first = tracker.update(middle, cursor);
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(first->restore.empty());
    EXPECT_EQ(first->paint, (std::vector<GridCell>{{5, 8}, {6, 7}, {6, 8}, {5, 7}}));

    EXPECT_FALSE(tracker.update(middle, cursor).has_value());

    // A click elsewhere repaints the same cells once.
    const auto clicked = tracker.update(middle, {3, 3});
    ASSERT_TRUE(clicked.has_value());
    EXPECT_EQ(clicked->restore, (std::vector<GridCell>{{5, 7}, {5, 8}, {6, 7}, {6, 8}}));
    EXPECT_EQ(clicked->paint, first->paint);
    EXPECT_FALSE(tracker.update(middle, {3, 3}).has_value());

    // Over range at the same cell paints the top row only.
    const auto over = tracker.update({5, 7, true, false, true}, {3, 3});
    ASSERT_TRUE(over.has_value());
    EXPECT_EQ(over->paint, (std::vector<GridCell>{{5, 8}, {5, 7}}));

    const auto corner = tracker.update({16, 16, false, false, false}, {3, 3});
    ASSERT_TRUE(corner.has_value());
    EXPECT_EQ(corner->paint, (std::vector<GridCell>{{16, 16}}));
    const auto away = tracker.update(middle, {3, 3});
    ASSERT_TRUE(away.has_value());
    EXPECT_EQ(away->restore, (std::vector<GridCell>{{16, 16}}));

    tracker.reset();
    const auto reloaded = tracker.update(middle, {3, 3});
    ASSERT_TRUE(reloaded.has_value());
    EXPECT_TRUE(reloaded->restore.empty());
}

struct CrossHairCase {
    int loadControl;
    int maxRpm;
    float rpm;
    float load; // per cent, or the load count with LoadControl 3
    QPoint expected;
};

TEST(CrossHair, DotPositionInTwips) {
    // Grid at (1000, 500), data cells 600 x 250 twips: zero rpm and load sit
    // at 1822.5, 4772.5, and MaxRpm and full load fifteen steps on.
    const GridGeometry grid{1000, 500, 600, 250};
    const CrossHairCase cases[] = {
        {2, 7500, 0, 0, {1822, 4772}},        {2, 7500, 7500, 105, {10988, 798}},
        {1, 7500, 3750, 52.5f, {6405, 2785}}, {3, 7500, 0, 255, {1822, 798}},
        {0, 7500, 0, 100, {1822, 4772}},      {2, 0, 3000, 0, {1822, 4772}},
        {2, 14, 3000, 0, {1822, 4772}},
    };
    for (const CrossHairCase& c : cases) {
        EcuSettings s = EcuSettings::withDefaults();
        EngineData e;
        s.LoadControl = static_cast<int16_t>(c.loadControl);
        s.MaxRpm = c.maxRpm;
        e.RpmChannel.Value = c.rpm;
        e.MapPercent = c.load;
        e.TpsChannel.Value = c.load;
        e.TpsChannel.RawLow = static_cast<uint8_t>(c.load);
        EXPECT_EQ(crossHairPosition(grid, s, gridPoint(s, LiveSample::fromEngineData(e, 0))),
                  c.expected)
            << "control " << c.loadControl << " max " << c.maxRpm;
    }
}

} // namespace
