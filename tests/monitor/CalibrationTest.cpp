// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/Calibration.h"
#include "monitor/LiveSample.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr uint8_t kTurning = 2;

class Calibration : public ::testing::Test {
protected:
    void setPeriod(int period) {
        engine.PeriodChannel.RawHigh = static_cast<uint8_t>(period / 256);
        engine.PeriodChannel.RawLow = static_cast<uint8_t>(period % 256);
    }
    void setOpenCount(int count) {
        engine.InjectorChannel.RawHigh = static_cast<uint8_t>(count / 256);
        engine.InjectorChannel.RawLow = static_cast<uint8_t>(count % 256);
    }
    float rpmForPeriod(int period) {
        setPeriod(period);
        calibrateData(settings, engine);
        return engine.RpmChannel.Value;
    }

    EcuSettings settings = EcuSettings::withDefaults();
    EngineData engine = EngineData::withChannelLayout();
};

} // namespace

TEST_F(Calibration, PeriodZeroWhileTurningGivesNoRpmDutyOrOpenTime) {
    engine.EngineStatus1 = kTurning;
    setPeriod(0);
    setOpenCount(5000);
    calibrateData(settings, engine);
    EXPECT_EQ(engine.RpmChannel.Value, 0.0f);
    EXPECT_EQ(engine.DutyChannel.Value, 0.0f);
    EXPECT_EQ(engine.FuelChannel.Value, 0.0f);
    EXPECT_EQ(engine.OpenTimeCount, 5000);
}

TEST_F(Calibration, RpmIsLimitedRoundedThenCutToMultiplesOf50) {
    engine.EngineStatus1 = kTurning;
    EXPECT_EQ(rpmForPeriod(1), 30000.0f); // 2,500,000 before the limit
    EXPECT_EQ(engine.RpmHigh, 117);
    EXPECT_EQ(engine.RpmLow, 48);
    EXPECT_EQ(rpmForPeriod(2025), 1200.0f); // 1234.57 -> 1235 -> 1200
    EXPECT_EQ(rpmForPeriod(1667), 1500.0f); // 1499.70 rounds up to 1500 first
    EXPECT_EQ(rpmForPeriod(2001), 1200.0f); // 1249.38 -> 1249 -> 1200
    EXPECT_EQ(rpmForPeriod(2000), 1250.0f);
    EXPECT_EQ(engine.RpmHigh, 4);
    EXPECT_EQ(engine.RpmLow, 226);
    EXPECT_EQ(rpmForPeriod(65535), 0.0f); // 38.1 rpm
}

TEST_F(Calibration, EngineNotTurningZeroesTheEngineValuesButNotTheSensors) {
    engine.EngineStatus1 = 0;
    engine.RpmChannel.Value = 3000.0f;
    engine.RpmHigh = 11;
    engine.IgnitionChannel.Value = 20.0f;
    engine.FuelChannel.Value = 3.0f;
    engine.DutyChannel.Value = 40.0f;
    setPeriod(1000);
    setOpenCount(1000);
    engine.AdvanceChannel.RawLow = 40;
    engine.MapChannel.RawLow = 255;
    engine.BatteryChannel.RawLow = 255;
    calibrateData(settings, engine);
    EXPECT_EQ(engine.RpmChannel.Value, 0.0f);
    EXPECT_EQ(engine.RpmHigh, 0);
    EXPECT_EQ(engine.RpmLow, 0);
    EXPECT_EQ(engine.IgnitionChannel.Value, 0.0f);
    EXPECT_EQ(engine.FuelChannel.Value, 0.0f);
    EXPECT_EQ(engine.DutyChannel.Value, 0.0f);
    EXPECT_NEAR(engine.MapChannel.Value, 15.193f, 0.0005f);
    EXPECT_FLOAT_EQ(engine.BatteryChannel.Value, 15.8f);
}

TEST_F(Calibration, DutyOpenTimeAndAdvanceUnlessTheStatusBitsDropThem) {
    engine.EngineStatus1 = kTurning;
    setPeriod(1000);
    setOpenCount(6000);
    engine.AdvanceChannel.RawLow = 61;
    calibrateData(settings, engine);
    EXPECT_FLOAT_EQ(engine.DutyChannel.Value, 50.0f); // 6000 / 12000
    EXPECT_FLOAT_EQ(engine.FuelChannel.Value, 12.0f); // 6000 x 2 microseconds
    EXPECT_FLOAT_EQ(engine.IgnitionChannel.Value, 30.5f);
    EXPECT_EQ(engine.CrankPeriod, 1000);

    engine.EngineStatus2 = 64;
    calibrateData(settings, engine);
    EXPECT_EQ(engine.OpenTimeCount, 0);
    EXPECT_EQ(engine.DutyChannel.Value, 0.0f);
    EXPECT_EQ(engine.FuelChannel.Value, 0.0f);
    EXPECT_FLOAT_EQ(engine.IgnitionChannel.Value, 30.5f);

    engine.EngineStatus2 = 128;
    calibrateData(settings, engine);
    EXPECT_FLOAT_EQ(engine.FuelChannel.Value, 12.0f);
    EXPECT_EQ(engine.IgnitionChannel.Value, 0.0f);
    EXPECT_EQ(engine.AdvanceChannel.RawLow, 61); // the reading itself is kept
}

TEST_F(Calibration, TemperaturesFromTheSensorCurveOrTheFixedValues) {
    engine.AirChannel.RawLow = 21;
    engine.WaterChannel.RawLow = 22;
    calibrateData(settings, engine);
    EXPECT_EQ(engine.AirChannel.Value, 256.0f);
    EXPECT_EQ(engine.WaterChannel.Value, 252.0f);

    settings.AirTempSensorType = 0;
    settings.WaterTempSensorType = 0;
    calibrateData(settings, engine);
    EXPECT_EQ(engine.AirChannel.Value, 75.0f);
    EXPECT_EQ(engine.WaterChannel.Value, 175.0f);
}

TEST_F(Calibration, BatteryDropsTheFractionBeforeTheTenth) {
    engine.BatteryChannel.RawLow = 255;
    calibrateData(settings, engine);
    EXPECT_FLOAT_EQ(engine.BatteryChannel.Value, 15.8f);
    engine.BatteryChannel.RawLow = 100; // 15800 / 255 = 61.96 -> 61
    calibrateData(settings, engine);
    EXPECT_FLOAT_EQ(engine.BatteryChannel.Value, 6.1f);
}

TEST_F(Calibration, MapPressureAndPercent) {
    settings.MapSensorType = 2;
    settings.MapMinBits = 0;
    settings.MapMaxBits = 255;
    engine.MapChannel.RawLow = 128;
    calibrateData(settings, engine);
    EXPECT_FLOAT_EQ(engine.MapChannel.Value, (128 * 91 + 928) / 800.0f);
    EXPECT_FLOAT_EQ(engine.MapPercent, 128 * 105 / 255.0f);

    settings.MapMinBits = 50;
    settings.MapMaxBits = 200;
    engine.MapChannel.RawLow = 201;
    calibrateData(settings, engine);
    EXPECT_EQ(engine.MapPercent, 105.0f);
    engine.MapChannel.RawLow = 49;
    calibrateData(settings, engine);
    EXPECT_EQ(engine.MapPercent, 0.0f);
}

TEST_F(Calibration, EqualSensorLimitsGiveFinitePercents) {
    settings.MapMinBits = 100;
    settings.MapMaxBits = 100;
    settings.TpsMinBits = 100;
    settings.TpsMaxBits = 100;
    for (int count : {99, 100, 101}) {
        engine.MapChannel.RawLow = static_cast<uint8_t>(count);
        engine.TpsChannel.RawLow = static_cast<uint8_t>(count);
        calibrateData(settings, engine);
        EXPECT_TRUE(std::isfinite(engine.MapPercent)) << count;
        EXPECT_TRUE(std::isfinite(engine.TpsChannel.Value)) << count;
        const float expected = count > 100 ? 105.0f : 0.0f;
        EXPECT_EQ(engine.MapPercent, expected) << count;
        EXPECT_EQ(engine.TpsChannel.Value, expected) << count;
    }
}

TEST_F(Calibration, ThrottlePercentIsCappedAt105AndZeroBelowClosed) {
    settings.TpsMinBits = 20;
    settings.TpsMaxBits = 220;
    engine.TpsChannel.RawLow = 120;
    calibrateData(settings, engine);
    EXPECT_FLOAT_EQ(engine.TpsChannel.Value, 50.0f);
    engine.TpsChannel.RawLow = 228; // 104
    calibrateData(settings, engine);
    EXPECT_FLOAT_EQ(engine.TpsChannel.Value, 104.0f);
    engine.TpsChannel.RawLow = 240; // 110
    calibrateData(settings, engine);
    EXPECT_EQ(engine.TpsChannel.Value, 105.0f);
    engine.TpsChannel.RawLow = 10;
    calibrateData(settings, engine);
    EXPECT_EQ(engine.TpsChannel.Value, 0.0f);
}

TEST_F(Calibration, UserInputsByMode) {
    settings.UserInputAnalogMode = {0, 1, 2};
    settings.UserInputAnalogTable[2] = settings.UserInputAnalogTable[1]; // 120 + row
    engine.UserChannel[0].RawLow = 255;
    engine.UserChannel[1].RawLow = 24; // 121 + 8 / 16 = 121.5 -> 122
    engine.UserChannel[2].RawLow = 8;  // 120.5 -> 120, less 128
    calibrateData(settings, engine);
    EXPECT_FLOAT_EQ(engine.UserChannel[0].Value, 5.0f);
    EXPECT_EQ(engine.UserChannel[1].Value, 122.0f);
    EXPECT_EQ(engine.UserChannel[2].Value, -8.0f);

    settings.UserInputAnalogMode = {3, 4, 1};
    engine.UserChannel[0].RawLow = 51;
    engine.UserChannel[1].Value = 7.0f;
    engine.UserChannel[2].RawLow = 255; // between rows 15 and 16: 135 + 15 / 16
    calibrateData(settings, engine);
    EXPECT_FLOAT_EQ(engine.UserChannel[0].Value, 1.0f);
    EXPECT_EQ(engine.UserChannel[1].Value, 7.0f); // unknown mode leaves it
    EXPECT_EQ(engine.UserChannel[2].Value, 136.0f);
}

TEST(InterpolateUserInput, RoundsHalvesToEven) {
    EcuSettings::Curve table{};
    table[0] = 0;
    table[1] = 3; // 16 counts for 3 steps
    EXPECT_EQ(interpolateUserInput(table, 0), 0);
    EXPECT_EQ(interpolateUserInput(table, 8), 2); // 1.5
    EXPECT_EQ(interpolateUserInput(table, 16), 3);
    table[2] = 1;
    EXPECT_EQ(interpolateUserInput(table, 24), 2); // 3 - 1 = 2
    EXPECT_EQ(interpolateUserInput(table, 20), 2); // 2.5
}

TEST(OperatingCell, HalfStepsRoundToEven) {
    EXPECT_EQ(operatingCell(0.5f, 0.0f).rpmColumn, 8);         // 7.5
    EXPECT_EQ(operatingCell(6.5f / 15.0f, 0.0f).rpmColumn, 6); // 6.5
    EXPECT_EQ(operatingCell(0.0f, 0.5f).loadRow, 8);           // 15 - 7.5
    EXPECT_EQ(operatingCell(0.0f, 0.0f).loadRow, 15);
    EXPECT_EQ(operatingCell(1.2f, 1.2f).rpmColumn, 15);
    EXPECT_EQ(operatingCell(1.2f, 1.2f).loadRow, 0);
    EXPECT_EQ(operatingCell(-0.5f, -0.5f).rpmColumn, 0);
    EXPECT_EQ(operatingCell(-0.5f, -0.5f).loadRow, 15);
    EXPECT_EQ(operatingCell(std::nanf(""), std::nanf("")).loadRow, 15);
}

TEST(OperatingPoint, FractionsAndTableValuesAtTheCell) {
    EcuSettings s = EcuSettings::withDefaults();
    EngineData e = EngineData::withChannelLayout();
    OperatingPoint point{};
    s.FuelTable[8][8] = 77;
    s.IgnitionTable[8][8] = 44;
    s.MaxRpm = 9000;
    s.LoadControl = 2;
    e.RpmChannel.Value = 4500.0f;
    e.TpsChannel.Value = 50.0f;
    point = operatingPoint(s, LiveSample::fromEngineData(e, 0));
    EXPECT_FLOAT_EQ(point[0], 0.5f);
    EXPECT_FLOAT_EQ(point[1], 0.5f);
    EXPECT_EQ(point[2], 77.0f);
    EXPECT_EQ(point[3], 44.0f);

    s.LoadControl = 1;
    s.FuelTable[0][15] = 12;
    e.MapChannel.RawLow = 255;
    e.RpmChannel.Value = 12000.0f;
    point = operatingPoint(s, LiveSample::fromEngineData(e, 0));
    EXPECT_FLOAT_EQ(point[1], 1.0f);
    EXPECT_EQ(point[2], 12.0f);

    s.LoadControl = 3;
    s.FuelTable[15][0] = 9;
    e.TpsChannel.RawLow = 0;
    e.RpmChannel.Value = 0.0f;
    point = operatingPoint(s, LiveSample::fromEngineData(e, 0));
    EXPECT_EQ(point[2], 9.0f);
}

TEST(OperatingPoint, MaxRpmBelowFifteenKeepsTheFirstColumn) {
    EcuSettings s = EcuSettings::withDefaults();
    EngineData e = EngineData::withChannelLayout();
    OperatingPoint point{};
    s.FuelTable[15][0] = 3;
    s.FuelTable[15][15] = 4;
    e.RpmChannel.Value = 1000.0f;
    for (int maxRpm : {0, 14}) {
        s.MaxRpm = maxRpm;
        point = operatingPoint(s, LiveSample::fromEngineData(e, 0));
        EXPECT_EQ(point[0], 0.0f) << maxRpm;
        EXPECT_EQ(point[2], 3.0f) << maxRpm;
    }
    s.MaxRpm = 15;
    point = operatingPoint(s, LiveSample::fromEngineData(e, 0));
    EXPECT_EQ(point[2], 4.0f);
}
