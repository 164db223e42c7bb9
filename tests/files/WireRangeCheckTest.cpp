// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/WireRangeCheck.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Each value goes to the ECU in its command's wire form: one byte, two bytes,
// whole 3000s of rpm in one byte, or a half of a byte.
TEST(WireRangeCheck, NamesEachValueThatItsCommandCannotCarry) {
    struct Case {
        std::function<void(EcuSettings&)> change;
        const char* field;
        int64_t value;
        int64_t min;
        int64_t max;
    };
    const Case cases[] = {
        {[](EcuSettings& s) { s.FuelTable[3][5] = -5; }, "Fuel Table, row 3, column 5", -5, 0, 255},
        {[](EcuSettings& s) { s.IgnitionTable[0][15] = 256; }, "Ignition Table, row 0, column 15",
         256, 0, 255},
        {[](EcuSettings& s) { s.NumberOfCylinders = -1; }, "Number Of Cylinders", -1, 0, 255},
        {[](EcuSettings& s) { s.RevLimit = 70000; }, "Rev Limit", 70000, 0, 65535},
        {[](EcuSettings& s) { s.MaxRpm = 768000; }, "Max Rpm", 768000, 0, 767999},
        {[](EcuSettings& s) { s.EgoMinRpm = 16; }, "EGO Min Rpm", 16, 0, 15},
        {[](EcuSettings& s) { s.EgoMaxLoad = -1; }, "EGO Max Load", -1, 0, 15},
        {[](EcuSettings& s) { s.WaterTempFuelComp[16] = 300; },
         "Water Temp Compensation - Fuel, row 0, column 16", 300, 0, 255},
        {[](EcuSettings& s) { s.UserInputAnalogTable[1][2] = -7; },
         "User Input Analog, row 1, column 3", -7, 0, 255},
        {[](EcuSettings& s) { s.UI_Extra[0] = 65536; }, "Extra Stuff, row 1, column 0", 65536, 0,
         65535},
        {[](EcuSettings& s) { s.WheelType = 999; }, "Wheel Type", 999, 0, 255},
    };
    EXPECT_TRUE(checkWireRanges(EcuSettings::withDefaults()).empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        EcuSettings settings = EcuSettings::withDefaults();
        c.change(settings);
        const std::vector<WireRangeFault> faults = checkWireRanges(settings);
        ASSERT_EQ(faults.size(), 1u);
        EXPECT_EQ(faults[0].field, c.field);
        EXPECT_EQ(faults[0].value, c.value);
        EXPECT_EQ(faults[0].min, c.min);
        EXPECT_EQ(faults[0].max, c.max);
    }
}

TEST(WireRangeCheck, FileWithAnUnsendableValueIsRefusedWithTheListOfThem) {
    const QTemporaryDir dir;
    EcuSettings bad = EcuSettings::withDefaults();
    for (auto& row : bad.FuelTable) {
        row.fill(-5);
    }
    bad.RevLimit = -1;
    const QString path = dir.filePath("bad.ecu");
    ASSERT_TRUE(saveEcuFile(path, bad).ok());

    const EcuSettings current = EcuSettings::withDefaults();
    EXPECT_TRUE(loadEcuFile(path, current).ok());
    const EcuFileReadResult result = loadEcuFileForSending(path, current);
    EXPECT_FALSE(result.ok());
    const QStringList lines = result.error.split("\r\n");
    ASSERT_EQ(lines.size(), 1 + 20 + 1) << result.error.toStdString();
    EXPECT_EQ(lines[0], "Data file not loaded - values out of range for the ECU:");
    EXPECT_EQ(lines[1], "Rev Limit: -1 is outside 0..65535");
    EXPECT_EQ(lines[2], "Fuel Table, row 0, column 0: -5 is outside 0..255");
    const int tableCells = (bad.LoadIndexMax + 1) * (bad.RpmIndexMax + 1);
    EXPECT_EQ(lines.last(), QStringLiteral("and %1 more").arg(1 + tableCells - 20));
}

} // namespace
