#include "monitor/DataDisplay.h"
#include "record/AppState.h"

#include <gtest/gtest.h>

namespace {
const QString kDeg = QString(QChar(176));

class DataDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        state.settings.MapSensorType = 1;
        state.settings.AirTempSensorType = 1;
        state.settings.WaterTempSensorType = 1;
        state.settings.TpsSensorType = 1;
        auto& e = state.engine;
        e.RpmChannel.Value = 1200;
        e.MapChannel.Value = 14.7f;
        e.AirChannel.Value = 75;
        e.WaterChannel.Value = 175;
        e.TpsChannel.Value = 50;
        e.BatteryChannel.Value = 15.8f;
        e.FuelChannel.Value = 2.5f;
        e.IgnitionChannel.Value = 12.5f;
        e.DutyChannel.Value = 12.6f;
        e.UserChannel[0].Value = 2.5f;
        e.UserChannel[1].Value = 110;
        e.UserChannel[2].Value = -5;
        state.settings.UserInputAnalogMode = {0, 1, 2};
    }

    // The text of the value cell at (row, column).
    QString valueAt(const DataDisplay& d, int row, int column) const {
        for (const auto& c : d.values) {
            if (c.row == row && c.column == column) {
                return c.text;
            }
        }
        ADD_FAILURE() << "no value cell at " << row << "," << column;
        return {};
    }

    QString nameAt(const DataDisplay& d, int row, int column) const {
        for (const auto& c : d.names) {
            if (c.row == row && c.column == column) {
                return c.text;
            }
        }
        ADD_FAILURE() << "no name cell at " << row << "," << column;
        return {};
    }

    AppState state;
};

TEST_F(DataDisplayTest, ValueCellsUseTheirPatterns) {
    const DataDisplay d = composeDataDisplay(state);
    EXPECT_EQ(valueAt(d, 0, 1), "1200");
    EXPECT_EQ(valueAt(d, 1, 1), "14.7 psi");
    EXPECT_EQ(valueAt(d, 0, 3), "175 " + kDeg + "F");
    EXPECT_EQ(valueAt(d, 1, 3), "75 " + kDeg + "F");
    EXPECT_EQ(valueAt(d, 0, 5), "50 %");
    EXPECT_EQ(valueAt(d, 1, 5), "15.8 V");
    EXPECT_EQ(valueAt(d, 0, 7), "2.50 ms");
    EXPECT_EQ(valueAt(d, 1, 7), "12.5 " + kDeg);
    EXPECT_EQ(valueAt(d, 0, 9), "13 %");
    EXPECT_EQ(valueAt(d, 1, 9), "2.50 V");
    EXPECT_EQ(valueAt(d, 0, 11), "110 %");
    EXPECT_EQ(valueAt(d, 1, 11), "-5 " + kDeg);
}

TEST_F(DataDisplayTest, NamesStandLeftOfTheirValues) {
    state.settings.UserInputAnalogMode = {0, 1, 3};
    const DataDisplay d = composeDataDisplay(state);
    EXPECT_EQ(nameAt(d, 0, 0), "RPM");
    EXPECT_EQ(nameAt(d, 1, 0), "Map");
    EXPECT_EQ(nameAt(d, 0, 2), "Water");
    EXPECT_EQ(nameAt(d, 1, 2), "Air");
    EXPECT_EQ(nameAt(d, 0, 4), "Tps");
    EXPECT_EQ(nameAt(d, 1, 4), "Battery");
    EXPECT_EQ(nameAt(d, 0, 6), "Fuel  B1");
    EXPECT_EQ(nameAt(d, 1, 6), "Ignition");
    EXPECT_EQ(nameAt(d, 0, 8), "Duty");
    EXPECT_EQ(nameAt(d, 1, 8), "User #1 Off");
    EXPECT_EQ(nameAt(d, 0, 10), "User #2 Fuel");
    EXPECT_EQ(nameAt(d, 1, 10), "User #3 EGO");
}

TEST_F(DataDisplayTest, UserInputInEgoModeShowsOneDecimalVolts) {
    state.settings.UserInputAnalogMode = {3, 3, 3};
    state.engine.UserChannel[0].Value = 0.44f;
    const DataDisplay d = composeDataDisplay(state);
    EXPECT_EQ(valueAt(d, 1, 9), "0.4 V");
    EXPECT_EQ(userInputModeSuffix(2), " Ign");
}

TEST_F(DataDisplayTest, SensorsOfTypeZeroLeaveTheirCellsEmpty) {
    state.settings.MapSensorType = 0;
    state.settings.AirTempSensorType = 0;
    state.settings.WaterTempSensorType = 0;
    state.settings.TpsSensorType = 0;
    const DataDisplay d = composeDataDisplay(state);
    EXPECT_EQ(valueAt(d, 1, 1), "");
    EXPECT_EQ(valueAt(d, 1, 3), "");
    EXPECT_EQ(valueAt(d, 0, 3), "");
    EXPECT_EQ(valueAt(d, 0, 5), "");
    EXPECT_EQ(valueAt(d, 1, 5), "15.8 V");
}

TEST_F(DataDisplayTest, NegativeTemperatureAndLargeRpm) {
    state.engine.AirChannel.Value = -3;
    state.engine.RpmChannel.Value = 30000;
    const DataDisplay d = composeDataDisplay(state);
    EXPECT_EQ(valueAt(d, 1, 3), "-3 " + kDeg + "F");
    EXPECT_EQ(valueAt(d, 0, 1), "30000");
}

TEST(WaterShadeTest, ThresholdsAt210And230) {
    EXPECT_EQ(waterShade(209.9f), DataDisplay::WaterShade::Normal);
    EXPECT_EQ(waterShade(210.0f), DataDisplay::WaterShade::Hot);
    EXPECT_EQ(waterShade(229.9f), DataDisplay::WaterShade::Hot);
    EXPECT_EQ(waterShade(230.0f), DataDisplay::WaterShade::Overheated);
}
} // namespace
