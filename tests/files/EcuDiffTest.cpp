// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/EcuDiff.h"

#include "RandomRecord.h"
#include "TestData.h"
#include "files/DifferenceText.h"

#include <gtest/gtest.h>

namespace {

std::vector<QString> described(const std::vector<EcuFieldDifference>& differences) {
    std::vector<QString> out;
    for (const auto& d : differences) {
        out.push_back(d.describe());
    }
    return out;
}

} // namespace

TEST(EcuDiff, EqualRecordsHaveNoDifferences) {
    const EcuSettings s = EcuSettings::withDefaults();
    EXPECT_TRUE(compareEcuSettings(s, s).empty());
}

TEST(EcuDiff, NamesScalarsByLabelAndCellsBySectionRowAndColumn) {
    const EcuSettings a = EcuSettings::withDefaults();
    EcuSettings b = a;
    b.MaxRpm = 6000;
    b.CrankPercent[1] = 60;
    b.MapSensorType = 3;
    b.FuelTable[3][5] = 20;
    b.IgnitionTable[15][15] = -4;
    b.UserInputAnalogMode[1] = 2;      // first value of the second line
    b.UserInputAnalogTable[2][16] = 9; // last value of the third line
    b.UserOutputOn[3] = 77;            // third value of the fourth line
    b.UI_Extra[4] = 100000;            // second line of the extra values
    b.WaterTempFuelComp[0] = 181;

    const std::vector<QString> expected{
        "Max Rpm: 9000 -> 6000",
        "Map Sensor Type: 1 -> 3",
        "Crank Percent  80 Deg: 50 -> 60",
        "Water Temp Compensation - Fuel, row 0, column 0: 180 -> 181",
        "User Input Analog, row 1, column 0: 0 -> 2",
        "User Input Analog, row 2, column 17: 0 -> 9",
        "User Output, row 3, column 2: 0 -> 77",
        "Fuel Table, row 3, column 5: 0 -> 20",
        "Ignition Table, row 15, column 15: 0 -> -4",
        "Extra Stuff, row 1, column 4: 65535 -> 100000",
    };
    EXPECT_EQ(described(compareEcuSettings(a, b)), expected);
}

TEST(EcuDiff, ValuesTheFileDoesNotHoldAreNotCompared) {
    const EcuSettings a = EcuSettings::withDefaults();
    EcuSettings b = a;
    b.InjectorCloseAngle = 9;
    b.ChargeTimeTable[3] = 1;
    b.AirTempFuelComp[17] = 5;
    b.FuelTable[16][16] = 5;
    EXPECT_TRUE(compareEcuSettings(a, b).empty());
}

TEST(EcuDiff, TablesAreComparedOverTheLargerExtent) {
    EcuSettings a = EcuSettings::withDefaults();
    EcuSettings b = a;
    a.LoadIndexMax = 11;
    b.FuelTable[13][2] = 7;
    const auto differences = compareEcuSettings(a, b);
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(differences[0],
              (EcuFieldDifference{"Fuel Table", 13, 2, 0, 7, FieldId::FuelTable, 13, 2}));
}

TEST(EcuDiff, EachDifferenceNamesTheFieldItsValuesComeFrom) {
    const EcuSettings a = EcuSettings::withDefaults();
    EcuSettings b = randomValidRecord(7);
    b.UC_Extra = {1, 2, 3, 4, 5};
    b.UI_Extra = {6, 7, 8, 9, 10};
    const std::vector<EcuFieldDifference> differences = compareEcuSettings(a, b);
    ASSERT_GT(differences.size(), 400u);
    for (const EcuFieldDifference& d : differences) {
        const FieldRow& row = fieldRow(d.field);
        EXPECT_EQ(row.get(a, d.index1, d.index2), d.first) << d.describe().toStdString();
        EXPECT_EQ(row.get(b, d.index1, d.index2), d.second) << d.describe().toStdString();
    }
}

// Two pairs of records: the first with the same axes on both sides, the
// second with other axes and units in the second record.
TEST(EcuDiff, DifferencesReadInTheUnitsAndAtTheAxesOfTheWindows) {
    EcuSettings a = EcuSettings::withDefaults();
    a.LoadControl = 1; // MAP over a 2-bar sensor between counts 20 and 230
    a.MapSensorType = 2;
    a.MapMinBits = 20;
    a.MapMaxBits = 230;
    a.UserInputAnalogMode = {3, 2, 1};
    a.UserOutputType = {1, 3, 4, 0};
    EcuSettings b = a;
    b.MinOpenTime = 20;
    b.AccelPercent = 60;
    b.CrankPrimePulse = 13;
    b.EgoMinCoolantTemp = 100;
    b.BankCompensation[2] = 98;
    b.InjectionLoadIndex = 3;
    b.InjectionRpmIndex = 5;
    b.EgoMinRpm = 2;
    b.EgoMaxLoad = 1;
    b.IgnitionType = 2;
    b.WheelType = 0;
    b.IacType = 2;
    b.MapMaxBits = 220;
    b.AirTempFuelComp[3] = 118;
    b.BatteryVoltFuelComp[8] = 31;
    b.AirTempIgnitionComp[16] = 140;
    b.UserInputAnalogTable[0][2] = 40;
    b.UserInputAnalogTable[1][4] = 150;
    b.UserInputAnalogTable[2][16] = 90;
    b.UserInputDigitalMode[0] = 4;
    b.UserOutputOn[0] = 90;
    b.UserOutputOff[1] = 40;
    b.UserOutputOn[2] = 200;
    b.FuelTable[15][4] = 30;
    b.FuelTable[0][15] = 255;
    b.IgnitionTable[7][8] = 61;
    b.UC_Extra[1] = 7;
    b.UI_Extra[0] = 300;

    EcuSettings c = a;
    c.LoadControl = 2; // throttle
    c.MaxRpm = 6000;
    c.MapSensorType = 1;
    c.UserInputAnalogMode[1] = 1;
    c.UserOutputType[1] = 5;
    c.FuelTable[2][3] = static_cast<int16_t>(a.FuelTable[2][3] + 16);
    c.UserInputAnalogTable[1][4] = 150;
    c.UserOutputOff[1] = 40;

    QStringList lines = DifferenceText(a, b).describe(compareEcuSettings(a, b));
    lines << QStringLiteral("--");
    lines << DifferenceText(a, c).describe(compareEcuSettings(a, c));
    const QString golden = testDataText(QStringLiteral("files/diff-units.txt"));
    ASSERT_FALSE(golden.isEmpty());
    EXPECT_EQ(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'), golden);
}
