// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/DataDisplay.h"
#include "monitor/LiveSample.h"
#include "record/EcuSettings.h"
#include "record/EngineData.h"

#include "TestData.h"

#include <gtest/gtest.h>

namespace {
const QString kDeg = QString(QChar(176));

class DataDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings.MapSensorType = 1;
        settings.AirTempSensorType = 1;
        settings.WaterTempSensorType = 1;
        settings.TpsSensorType = 1;
        auto& e = engine;
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
        settings.UserInputAnalogMode = {0, 1, 2};
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

    EcuSettings settings;
    EngineData engine;
};

// The grid as text, a line per row with '|' between the cells: the names of
// one display with the values of another.
QString gridText(const DataDisplay& names, const DataDisplay& values) {
    QStringList cells(DataDisplay::kRows * DataDisplay::kColumns);
    for (const auto& c : names.names) {
        cells[c.row * DataDisplay::kColumns + c.column] = c.text;
    }
    for (const auto& c : values.values) {
        cells[c.row * DataDisplay::kColumns + c.column] = c.text;
    }
    QString text;
    for (int row = 0; row < DataDisplay::kRows; ++row) {
        text += cells.mid(row * DataDisplay::kColumns, DataDisplay::kColumns).join('|') + '\n';
    }
    return text;
}

TEST_F(DataDisplayTest, NamesStandLeftOfTheirValuesWhichUseTheirPatterns) {
    const DataDisplay values = composeDataDisplay(settings, LiveSample::fromEngineData(engine, 0));
    settings.UserInputAnalogMode = {0, 1, 3};
    const DataDisplay names = composeDataDisplay(settings, LiveSample::fromEngineData(engine, 0));
    EXPECT_EQ(gridText(names, values).toStdString(),
              testDataText("monitor/data-grid.txt").toStdString());
}

TEST_F(DataDisplayTest, UserInputInEgoModeShowsOneDecimalVolts) {
    settings.UserInputAnalogMode = {3, 3, 3};
    engine.UserChannel[0].Value = 0.44f;
    const DataDisplay d = composeDataDisplay(settings, LiveSample::fromEngineData(engine, 0));
    EXPECT_EQ(valueAt(d, 1, 9), "0.4 V");
    EXPECT_EQ(userInputModeSuffix(AnalogInputMode::IgnitionDegrees), " Ign");
}

TEST_F(DataDisplayTest, SensorsOfTypeZeroLeaveTheirCellsEmpty) {
    settings.MapSensorType = 0;
    settings.AirTempSensorType = 0;
    settings.WaterTempSensorType = 0;
    settings.TpsSensorType = 0;
    const DataDisplay d = composeDataDisplay(settings, LiveSample::fromEngineData(engine, 0));
    EXPECT_EQ(valueAt(d, 1, 1), "");
    EXPECT_EQ(valueAt(d, 1, 3), "");
    EXPECT_EQ(valueAt(d, 0, 3), "");
    EXPECT_EQ(valueAt(d, 0, 5), "");
    EXPECT_EQ(valueAt(d, 1, 5), "15.8 V");
}

TEST_F(DataDisplayTest, NegativeTemperatureAndLargeRpm) {
    engine.AirChannel.Value = -3;
    engine.RpmChannel.Value = 30000;
    const DataDisplay d = composeDataDisplay(settings, LiveSample::fromEngineData(engine, 0));
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
