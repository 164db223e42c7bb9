#include "files/EcuDiff.h"

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
    EXPECT_EQ(differences[0], (EcuFieldDifference{"Fuel Table", 13, 2, 0, 7}));
}
