// SPDX-License-Identifier: GPL-3.0-or-later
#include "generators/DefaultIgnitionTable.h"

#include "StartupRecord.h"

#include "record/SensorConversions.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace {

// Inputs with no MAP part, so that the rpm curve alone fills the table.
IgnitionGeneratorInputs rpmOnly() {
    IgnitionGeneratorInputs in;
    in.initialAdvanceMap = 0.0f;
    in.finalAdvanceMap = 0.0f;
    in.advanceLimit = 50.0f;
    return in;
}

// The pressure of load step j as the generator spaces them.
float stepPsi(int j) {
    const float bottom = mapCountsToPsi(1, 0);
    const float top = mapCountsToPsi(1, 255);
    return bottom + static_cast<float>(j) * (top - bottom) / 15.0f;
}

using Cell = std::tuple<int, int, int16_t>;

} // namespace

TEST(DefaultIgnitionTable, StartupInputsGiveTheWorkedColumns) {
    EcuSettings s = startupRecord();
    generateIgnitionTable(IgnitionGeneratorInputs{}, s);
    for (int load = 0; load <= 15; ++load) {
        EXPECT_EQ(s.IgnitionTable[load][3], 20) << load; // 1800 rpm
        EXPECT_EQ(s.IgnitionTable[load][6], 44) << load; // 3600 rpm: round(44.32)
        EXPECT_EQ(s.IgnitionTable[load][9], 69) << load; // 5400 rpm: round(68.65)
        for (int rpm = 10; rpm <= 15; ++rpm) {           // 6000 rpm and up
            EXPECT_EQ(s.IgnitionTable[load][rpm], 70) << load << " " << rpm;
        }
    }
}

TEST(DefaultIgnitionTable, SinkReceivesColumnByColumnFromTheBottomRowUp) {
    EcuSettings s = startupRecord();
    std::vector<Cell> cells;
    generateIgnitionTable(IgnitionGeneratorInputs{}, s, [&](int load, int rpm, int16_t raw) {
        cells.emplace_back(load, rpm, raw);
    });
    ASSERT_EQ(cells.size(), 256u);
    EXPECT_EQ(cells[0], Cell(15, 0, 20));
    EXPECT_EQ(cells[1], Cell(14, 0, 20));
    EXPECT_EQ(cells[15], Cell(0, 0, 20));
    EXPECT_EQ(cells[16], Cell(15, 1, 20));
    EXPECT_EQ(cells.back(), Cell(0, 15, 70));
    for (const auto& [load, rpm, raw] : cells) {
        EXPECT_EQ(s.IgnitionTable[load][rpm], raw);
    }
}

TEST(DefaultIgnitionTable, SumIsLimitedTo5And100ThenToTwiceTheMaximumAdvance) {
    EcuSettings s = startupRecord();
    IgnitionGeneratorInputs in = rpmOnly();
    in.initialAdvance = 1.0f; // 2 half degrees, below the floor
    in.finalAdvance = 50.0f;
    in.finalAdvanceMap = 50.0f; // 100 + 100 at the top pressures
    in.maxMapInitialAdvance = 6.0f;
    in.minMapFinalAdvance = 6.0f;
    generateIgnitionTable(in, s);
    EXPECT_EQ(s.IgnitionTable[15][0], 5);
    EXPECT_EQ(s.IgnitionTable[0][15], 100);

    in.advanceLimit = 20.0f;
    generateIgnitionTable(in, s);
    EXPECT_EQ(s.IgnitionTable[0][15], 40);
    EXPECT_EQ(s.IgnitionTable[15][0], 5);

    // The maximum advance is applied after the floor of 5.
    in.advanceLimit = 2.0f;
    generateIgnitionTable(in, s);
    EXPECT_EQ(s.IgnitionTable[15][0], 4);

    in.advanceLimit = 17.25f; // 34.5 rounds to 34
    generateIgnitionTable(in, s);
    EXPECT_EQ(s.IgnitionTable[0][15], 34);
}

TEST(DefaultIgnitionTable, PressureOnTheBreakPointsTakesTheHeldAdvances) {
    EcuSettings s = startupRecord();
    IgnitionGeneratorInputs in = rpmOnly();
    in.initialAdvanceMap = 5.0f;
    in.finalAdvanceMap = 10.0f;
    in.maxMapInitialAdvance = stepPsi(5);
    in.minMapFinalAdvance = stepPsi(10);
    generateIgnitionTable(in, s);
    // Rpm column 0 gives 20 on its own.
    EXPECT_EQ(s.IgnitionTable[15 - 5][0], 30);
    EXPECT_EQ(s.IgnitionTable[15 - 10][0], 40);
    EXPECT_EQ(s.IgnitionTable[15 - 0][0], 30);
    EXPECT_EQ(s.IgnitionTable[15 - 15][0], 40);
    // Step 7 lies 2/5 of the way between the break points: 10 + 0.4 x 10.
    EXPECT_EQ(s.IgnitionTable[15 - 7][0], 34);
}

TEST(DefaultIgnitionTable, EqualBreakPointsLeaveOnlyTheHeldValues) {
    EcuSettings s = startupRecord();
    IgnitionGeneratorInputs in = rpmOnly();
    in.maxRpmInitialAdvance = 3000.0f;
    in.minRpmFinalAdvance = 3000.0f;
    in.initialAdvanceMap = 5.0f;
    in.finalAdvanceMap = 10.0f;
    in.maxMapInitialAdvance = 8.0f;
    in.minMapFinalAdvance = 8.0f;
    generateIgnitionTable(in, s);
    // Column 4 is 2400 rpm, column 5 exactly 3000 rpm. Step 0 is 1.5 psi,
    // step 15 is 15.2 psi.
    EXPECT_EQ(s.IgnitionTable[15][4], 20 + 10);
    EXPECT_EQ(s.IgnitionTable[15][5], 70 + 10);
    EXPECT_EQ(s.IgnitionTable[0][4], 20 + 20);
    EXPECT_EQ(s.IgnitionTable[0][5], 70 + 20);
}

TEST(DefaultIgnitionTable, OverlappingMapBreakPointsAddBothHeldAdvances) {
    EcuSettings s = startupRecord();
    IgnitionGeneratorInputs in = rpmOnly();
    in.initialAdvanceMap = 5.0f;
    in.maxMapInitialAdvance = 10.0f;
    in.finalAdvanceMap = 3.0f;
    in.minMapFinalAdvance = 5.0f;
    generateIgnitionTable(in, s);
    // Step 2 is about 3.3 psi (below both), step 6 about 7.0 (between), step
    // 13 about 13.4 (above both).
    EXPECT_EQ(s.IgnitionTable[15 - 2][0], 20 + 10);
    EXPECT_EQ(s.IgnitionTable[15 - 6][0], 20 + 10 + 6);
    EXPECT_EQ(s.IgnitionTable[15 - 13][0], 20 + 6);
}

TEST(DefaultIgnitionTable, OverlappingRpmBreakPointsGiveTheFinalAdvance) {
    EcuSettings s = startupRecord();
    IgnitionGeneratorInputs in = rpmOnly();
    in.maxRpmInitialAdvance = 5000.0f;
    in.minRpmFinalAdvance = 3000.0f;
    generateIgnitionTable(in, s);
    EXPECT_EQ(s.IgnitionTable[15][4], 20); // 2400 rpm
    EXPECT_EQ(s.IgnitionTable[15][6], 70); // 3600 rpm matches both rules
    EXPECT_EQ(s.IgnitionTable[15][12], 70);
}

TEST(DefaultIgnitionTable, SingleCellTableDoesNotDivideByZero) {
    EcuSettings s = startupRecord();
    s.RpmIndexMax = 0;
    s.LoadIndexMax = 0;
    int calls = 0;
    generateIgnitionTable(IgnitionGeneratorInputs{}, s, [&](int, int, int16_t) { ++calls; });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(s.IgnitionTable[0][0], 20);
}

TEST(IgnitionGeneratorInputs, NumberedInWindowOrder) {
    IgnitionGeneratorInputs in;
    EXPECT_EQ(ignitionInput(in, 1), &in.initialAdvance);
    EXPECT_EQ(ignitionInput(in, 2), &in.maxRpmInitialAdvance);
    EXPECT_EQ(ignitionInput(in, 4), &in.minRpmFinalAdvance);
    EXPECT_EQ(ignitionInput(in, 6), &in.maxMapInitialAdvance);
    EXPECT_EQ(ignitionInput(in, 9), &in.advanceLimit);
    EXPECT_EQ(ignitionInput(in, 0), nullptr);
    EXPECT_EQ(ignitionInput(in, 10), nullptr);
    EXPECT_EQ(ignitionInputValue(in, 8), 6.0f);
}

TEST(IgnitionGeneratorInputs, EntryLimits) {
    const float psiTop = generatorPsiTop(1);
    EXPECT_NEAR(psiTop, 15.193f, 0.0005f);
    EXPECT_EQ(generatorPsiTop(0), psiTop);
    EXPECT_EQ(clampIgnitionInput(1, 3.0f, psiTop), 5.0f);
    EXPECT_EQ(clampIgnitionInput(3, 60.0f, psiTop), 50.0f);
    EXPECT_EQ(clampIgnitionInput(2, 25000.0f, psiTop), 20000.0f);
    EXPECT_EQ(clampIgnitionInput(4, -1.0f, psiTop), 0.0f);
    EXPECT_EQ(clampIgnitionInput(5, -1.0f, psiTop), 0.0f);
    EXPECT_EQ(clampIgnitionInput(7, 51.0f, psiTop), 50.0f);
    EXPECT_EQ(clampIgnitionInput(9, 51.0f, psiTop), 50.0f);
    EXPECT_EQ(clampIgnitionInput(6, 20.0f, psiTop), psiTop);
    EXPECT_EQ(clampIgnitionInput(8, 20.0f, psiTop), psiTop);
    EXPECT_EQ(clampIgnitionInput(8, 12.5f, psiTop), 12.5f);
}

TEST(IgnitionGeneratorInputs, ClearedMaximumAdvanceBringsTheResetValues) {
    IgnitionGeneratorInputs in;
    EXPECT_FALSE(resetIgnitionInputsIfCleared(in, 6000));
    EXPECT_EQ(in, IgnitionGeneratorInputs{});
    in.advanceLimit = 0.0f;
    EXPECT_TRUE(resetIgnitionInputsIfCleared(in, 6000));
    EXPECT_EQ(in, ignitionResetValues(6000));
    EXPECT_EQ(in.maxRpmInitialAdvance, 1200.0f);
    EXPECT_EQ(in.minRpmFinalAdvance, 2400.0f);
}
