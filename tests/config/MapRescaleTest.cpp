// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/MapRescale.h"
#include "StoreRecord.h"

#include "RecordingInteraction.h"
#include "record/SettingsStore.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Cell {
    int command;
    int load;
    int rpm;
    bool operator==(const Cell&) const = default;
};

class MapRescaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        record.LoadControl = 1;
        record.MapMinBits = 0;
        record.MapMaxBits = 255; // already stored by the box; it was 200
        for (int r = 0; r < 17; ++r) {
            for (int c = 0; c < 17; ++c) {
                record.FuelTable[r][c] = static_cast<int16_t>(9 * r + c);
                record.IgnitionTable[r][c] = static_cast<int16_t>(200 - 7 * r + c);
            }
        }
        old = record;
        store.setSender([this](int command, int load, int rpm) {
            sent.push_back({command, load, rpm});
        });
    }

    SettingsStore store;
    EcuSettings old;
    EcuSettings& record = recordOf(store);
    RecordingInteraction ui;
    std::vector<Cell> sent;
};

// Raising MapMaxBits from 200 to 255 with MapMinBits 0: new row r stands for
// the count 255 - 17 r, old row r stood for 200 - 13.33 r. Rows above the old
// top copy old row 0; the others lie between the two old rows around them.
TEST_F(MapRescaleTest, RaisedMaximumKeepsEachPressuresValues) {
    ASSERT_TRUE(rescaleMap(store, ui, true, 255, 200, true));
    for (int r = 0; r < 16; ++r) {
        const double x = 255.0 - 17.0 * r;
        const double oldRow = (200.0 - x) / (200.0 / 15.0); // fractional old row
        for (int c = 0; c < 16; ++c) {
            auto value = [&](const auto& table) {
                if (oldRow <= 0) {
                    return static_cast<double>(table[0][c]);
                }
                const int k = static_cast<int>(std::ceil(oldRow));
                const double f = oldRow - (k - 1);
                return table[k - 1][c] + f * (table[k][c] - table[k - 1][c]);
            };
            EXPECT_EQ(record.FuelTable[r][c], std::lround(value(old.FuelTable))) << r << "," << c;
            EXPECT_EQ(record.IgnitionTable[r][c], std::lround(value(old.IgnitionTable)))
                << r << "," << c;
        }
    }
    // Row 4 (count 187) lies 97.5 % of the way from old row 0 to old row 1.
    EXPECT_EQ(record.FuelTable[4][3], 12);      // 3 + 8.775
    EXPECT_EQ(record.IgnitionTable[4][0], 193); // 200 - 6.825
    EXPECT_EQ(record.FuelTable[16][16], old.FuelTable[16][16]);

    std::vector<Cell> expected;
    for (int command : {240, 241}) {
        for (int l = 0; l < 16; ++l) {
            for (int n = 0; n < 16; ++n) {
                expected.push_back({command, l, n});
            }
        }
    }
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(ui.progressCaptions, (QStringList{"Sending Fuel Table", "Sending Ignition Table"}));
    EXPECT_EQ(ui.progressSteps, 1 + 16 + 8 + 16);
    EXPECT_EQ(ui.messages.front().buttons, UserInteraction::Buttons::YesNo);
    EXPECT_TRUE(ui.messages.front().text.startsWith(
        "Do you want to re-scale the current fuel/Ignition table?\r\n\r\n\"Yes\" - The maximum"));
}

TEST_F(MapRescaleTest, DeclinedOfflineOrThrottleLoadedTablesAreNotSent) {
    ui.answers.push_back(UserInteraction::Answer::No);
    EXPECT_FALSE(rescaleMap(store, ui, true, 255, 200, true));
    EXPECT_EQ(record.FuelTable, old.FuelTable);

    // Offline the tables are rescaled in memory only, without progress.
    EXPECT_TRUE(rescaleMap(store, ui, false, 255, 200, true));
    EXPECT_EQ(record.FuelTable[3][5], old.FuelTable[0][5]);
    EXPECT_TRUE(ui.progressCaptions.isEmpty());

    // Tables loaded by throttle are not offered the MAP rule at all.
    record = old;
    record.LoadControl = 2;
    ui.clear();
    EXPECT_FALSE(rescaleMap(store, ui, true, 255, 200, true));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(record.FuelTable, old.FuelTable);
    EXPECT_TRUE(sent.empty());
}

// Lowering the minimum from 60 to 0 under a maximum of 240: rows whose count
// falls below the old bottom copy old row 15, a row on an old row's count
// takes it exactly.
TEST_F(MapRescaleTest, LoweredMinimumCopiesTheOldBottomRow) {
    record.MapMaxBits = 240;
    record.MapMinBits = 0;
    const RescaledTables t = rescaleMapTables(record, 0, 60, false);
    EXPECT_EQ(t.fuel[0],
              (std::array<int16_t, 16>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(t.fuel[15][2], 137); // count 0, below the old bottom 60
    EXPECT_EQ(t.fuel[12][2], 137); // count 48
    EXPECT_EQ(t.fuel[3][2], 38);   // count 192, old row 4's
}

} // namespace
