// SPDX-License-Identifier: GPL-3.0-or-later
#include "generators/DefaultFuelTable.h"

#include "StartupRecord.h"

#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace {

using Cell = std::tuple<int, int, int16_t>;

} // namespace

TEST(DefaultFuelTable, StartupInputsGiveTheWorkedCells) {
    EcuSettings s = startupRecord();
    generateFuelTable(FuelGeneratorInputs{}, s);

    // Count 0 is 1.4985 psi: 0.906 ms at 0 rpm is below the 1.1875 ms minimum,
    // so the cell holds (1.1875 - 0.0625) / 0.0625.
    EXPECT_EQ(s.FuelTable[15][0], 18);
    // Count 255 (15.193 psi): base time 4.7220 ms, at 3600 rpm VE 0.8 gives
    // 4.4276 ms, raw 69.84.
    EXPECT_EQ(s.FuelTable[0][6], 70);
    // Count 119 (7.8893 psi): base time 2.4520 ms; VE 0.55 at 0 rpm gives
    // raw 30.98, VE 0.8 at 3600 rpm 40.79, VE 0.56 at 9000 rpm 31.37.
    EXPECT_EQ(s.FuelTable[8][0], 31);
    EXPECT_EQ(s.FuelTable[8][6], 41);
    EXPECT_EQ(s.FuelTable[8][15], 31);
}

TEST(DefaultFuelTable, OnlyTheUsedPartIsWritten) {
    EcuSettings s = startupRecord();
    s.FuelTable[16][16] = 7;
    s.FuelTable[16][0] = 7;
    s.FuelTable[0][16] = 7;
    generateFuelTable(FuelGeneratorInputs{}, s);
    EXPECT_EQ(s.FuelTable[16][16], 7);
    EXPECT_EQ(s.FuelTable[16][0], 7);
    EXPECT_EQ(s.FuelTable[0][16], 7);
}

TEST(DefaultFuelTable, SinkReceivesEveryStoredCellFromTheBottomRowUp) {
    EcuSettings s = startupRecord();
    std::vector<Cell> cells;
    generateFuelTable(FuelGeneratorInputs{}, s,
                      [&](int load, int rpm, int16_t raw) { cells.emplace_back(load, rpm, raw); });
    ASSERT_EQ(cells.size(), 256u);
    EXPECT_EQ(cells[0], Cell(15, 0, 18));
    EXPECT_EQ(cells[1], Cell(15, 1, s.FuelTable[15][1]));
    EXPECT_EQ(cells[16], Cell(14, 0, s.FuelTable[14][0]));
    EXPECT_EQ(cells.back(), Cell(0, 15, s.FuelTable[0][15]));
    for (const auto& [load, rpm, raw] : cells) {
        EXPECT_EQ(s.FuelTable[load][rpm], raw);
    }
}

TEST(DefaultFuelTable, RawAbove255IsStoredAs255) {
    EcuSettings s = startupRecord();
    FuelGeneratorInputs in;
    in.injectorSize = 1.0f;
    in.displacement = 100.0f;
    generateFuelTable(in, s);
    EXPECT_EQ(s.FuelTable[0][6], 255);
}

TEST(DefaultFuelTable, InjectorSizeZeroFromAnOldSettingsFileGivesFullCells) {
    EcuSettings s = startupRecord();
    s.MapSensorType = 4; // no pressure at all: 0 lb of air over 0 lb/hr
    FuelGeneratorInputs in;
    in.injectorSize = 0.0f;
    generateFuelTable(in, s);
    EXPECT_EQ(s.FuelTable[0][0], 255);
    EXPECT_EQ(s.FuelTable[15][15], 255);
}

TEST(DefaultFuelTable, NoMapSensorUsesTheOneAtmosphereCurve) {
    EcuSettings typeOne = startupRecord();
    EcuSettings none = startupRecord();
    none.MapSensorType = 0;
    generateFuelTable(FuelGeneratorInputs{}, typeOne);
    generateFuelTable(FuelGeneratorInputs{}, none);
    EXPECT_EQ(none.FuelTable, typeOne.FuelTable);
}

TEST(DefaultFuelTable, FourthRpmPointZeroGivesEveryColumnTheFourthEfficiency) {
    FuelGeneratorInputs in;
    in.rpm[3] = 0.0f;
    in.ve = {0.3f, 0.9f, 1.0f, 0.6f};
    for (float r : {0.0f, 1800.0f, 2500.0f, 5400.0f, 9000.0f}) {
        EXPECT_FLOAT_EQ(fuelVolumetricEfficiency(in, r), 0.6f) << r;
    }
    EcuSettings s = startupRecord();
    generateFuelTable(in, s);
    for (int load = 0; load <= 15; ++load) {
        for (int rpm = 1; rpm <= 15; ++rpm) {
            EXPECT_EQ(s.FuelTable[load][rpm], s.FuelTable[load][0]);
        }
    }
}

TEST(FuelVolumetricEfficiency, InterpolatesBetweenOrderedPoints) {
    const FuelGeneratorInputs in;
    EXPECT_FLOAT_EQ(fuelVolumetricEfficiency(in, 0.0f), 0.55f);
    EXPECT_FLOAT_EQ(fuelVolumetricEfficiency(in, 1800.0f), 0.55f);
    EXPECT_NEAR(fuelVolumetricEfficiency(in, 2700.0f), 0.675f, 1e-6);
    EXPECT_FLOAT_EQ(fuelVolumetricEfficiency(in, 3600.0f), 0.8f);
    EXPECT_NEAR(fuelVolumetricEfficiency(in, 6300.0f), 0.68f, 1e-6);
    EXPECT_FLOAT_EQ(fuelVolumetricEfficiency(in, 7200.0f), 0.56f);
    EXPECT_FLOAT_EQ(fuelVolumetricEfficiency(in, 9000.0f), 0.56f);
}

TEST(FuelVolumetricEfficiency, OutOfOrderPointsLetTheLastMatchingRuleWin) {
    FuelGeneratorInputs in;
    in.rpm = {1800.0f, 3600.0f, 2000.0f, 7200.0f};
    in.ve = {0.5f, 0.9f, 0.7f, 0.6f};
    // 2500 rpm matches the second rule (0.6556) and then the fourth, which wins:
    // 0.7 + (0.6 - 0.7) x 500 / 5200.
    EXPECT_NEAR(fuelVolumetricEfficiency(in, 2500.0f), 0.7f - 0.1f * 500.0f / 5200.0f, 1e-6);
}

TEST(FuelVolumetricEfficiency, NegativeEfficiencyBecomesZero) {
    FuelGeneratorInputs in;
    in.ve[3] = -0.2f;
    EXPECT_EQ(fuelVolumetricEfficiency(in, 8000.0f), 0.0f);
    EXPECT_GT(fuelVolumetricEfficiency(in, 6300.0f), 0.0f);
}

TEST(FuelGeneratorEntryLimits, ClampEachInput) {
    EXPECT_EQ(clampInjectorSize(0.0f), 1.0f);
    EXPECT_EQ(clampInjectorSize(600.0f), 500.0f);
    EXPECT_EQ(clampInjectorSize(12.5f), 12.0f);
    EXPECT_EQ(clampInjectorSize(13.5f), 14.0f);
    EXPECT_EQ(clampInjectorSize(13.4f), 13.0f);
    EXPECT_EQ(clampDisplacement(0.5f), 1.0f);
    EXPECT_EQ(clampDisplacement(7000.0f), 6000.0f);
    EXPECT_EQ(clampDisplacement(30.5f), 30.5f);
    EXPECT_EQ(clampGeneratorRpm(10000.0f, 9000), 9000.0f);
    EXPECT_EQ(clampGeneratorRpm(-5.0f, 9000), 0.0f);
    EXPECT_EQ(clampVolumetricEfficiency(1.5f), 1.0f);
    EXPECT_EQ(clampVolumetricEfficiency(-0.2f), 0.0f);
    EXPECT_EQ(clampVolumetricEfficiency(0.55f), 0.55f);
}
