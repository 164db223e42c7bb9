// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/SmartAdd.h"
#include "monitor/LiveSample.h"
#include "record/EngineData.h"

#include <gtest/gtest.h>

namespace {

class SmartAddTest : public ::testing::Test {
protected:
    SmartAddTest() {
        record.MaxRpm = 7500;   // rpm labels 0, 500, ... 7500
        record.LoadControl = 2; // load labels 105, 98, ... 0
    }

    std::vector<FieldCell> smartAddAt(float rpm, double amount, int sign) {
        engine.RpmChannel.Value = rpm;
        const LiveSample sample = LiveSample::fromEngineData(engine, 0);
        const GridPoint p = gridPoint(record, sample);
        const OperatingHighlight h = operatingHighlightAt(record, p.rpm, p.load);
        return smartAdd(fuel, h, sample, amount, sign);
    }
    void fill(int raw) {
        for (auto& row : record.FuelTable) {
            row.fill(static_cast<int16_t>(raw));
        }
    }

    AppState state;
    EcuSettings record = EcuSettings::withDefaults();
    EngineData engine = EngineData::withChannelLayout();
    TableModel fuel{fuelEditor(), state, record};
};

struct SmartCase {
    float rpm;
    float tps;
    double amount;
    int sign;
    int raw;
    std::vector<FieldCell> expected;
};

TEST_F(SmartAddTest, MovesTheCellsNearestToTheOperatingPoint) {
    // Grid rows 7 and 8 (labels 63 and 56) and columns 5 and 6 (2000 and
    // 2500 rpm) around the point; the table indexes are one less.
    const SmartCase cases[] = {
        // Middle third of both spacings: all four cells.
        {2250, 59.5f, 0.0625, 1, 100, {{6, 4, 101}, {6, 5, 101}, {7, 4, 101}, {7, 5, 101}}},
        {2250, 59.5f, 0.125, -1, 100, {{6, 4, 98}, {6, 5, 98}, {7, 4, 98}, {7, 5, 98}}},
        {2250, 59.5f, 0.0625, 1, 255, {{6, 4, 255}, {6, 5, 255}, {7, 4, 255}, {7, 5, 255}}},
        // Near the left column: its two cells.
        {2050, 59.5f, 0.0625, 1, 100, {{6, 4, 101}, {6, 5, 100}, {7, 4, 101}, {7, 5, 100}}},
        // Near the upper-right and the lower-left corner: that cell.
        {2450, 62, 0.0625, 1, 100, {{6, 4, 100}, {6, 5, 101}, {7, 4, 100}, {7, 5, 100}}},
        {2050, 57, 0.0625, 1, 100, {{6, 4, 100}, {6, 5, 100}, {7, 4, 101}, {7, 5, 100}}},
        // The last rpm column: only its cells.
        {7500, 59.5f, 0.0625, 1, 100, {{6, 15, 101}, {7, 15, 101}}},
        // The bottom row has no row below.
        {2250, 0, 0.0625, 1, 100, {{15, 4, 101}, {15, 5, 101}}},
    };
    for (const SmartCase& c : cases) {
        fill(c.raw);
        engine.TpsChannel.Value = c.tps;
        EXPECT_EQ(smartAddAt(c.rpm, c.amount, c.sign), c.expected)
            << "rpm " << c.rpm << " tps " << c.tps;
    }
}

// A huge amount takes the cells near the point to the end of the range it
// heads for; the cells farther away keep their values.
TEST_F(SmartAddTest, HugeAmountsMoveOnlyTheNearCellsToTheEndOfTheRange) {
    engine.TpsChannel.Value = 62; // near the upper-right corner
    const struct {
        double amount;
        int sign;
        int moved;
    } cases[] = {{1e19, 1, 255}, {1e308, 1, 255}, {-1e308, 1, 0}, {1e308, -1, 0}};
    for (const auto& c : cases) {
        fill(100);
        EXPECT_EQ(smartAddAt(2450, c.amount, c.sign),
                  (std::vector<FieldCell>{{6, 4, 100}, {6, 5, c.moved}, {7, 4, 100}, {7, 5, 100}}))
            << c.amount << " x " << c.sign;
    }
}

TEST_F(SmartAddTest, LoadInVoltsIsComparedWithTheVoltLabels) {
    // Load count 128 is 2.51 V, between the labels 2.7 (grid row 8) and 2.3;
    // the throttle per cent must not be used.
    fill(100);
    record.LoadControl = 3;
    engine.TpsChannel.RawLow = 128;
    engine.TpsChannel.Value = 100.0f;
    EXPECT_EQ(smartAddAt(2250, 0.0625, 1),
              (std::vector<FieldCell>{{7, 4, 101}, {7, 5, 101}, {8, 4, 101}, {8, 5, 101}}));
}

} // namespace
