// SPDX-License-Identifier: GPL-3.0-or-later
#include "generators/GeneratorEntry.h"

#include "generators/DefaultIgnitionTable.h"
#include "record/SensorConversions.h"

#include <gtest/gtest.h>

// Each box: what is typed and what the box shows afterwards from its input.
TEST(GeneratorEntry, FuelBoxesLimitTypedNumbersAndKeepTheInputOtherwise) {
    const struct {
        FuelBox box;
        int point;
        const char* typed;
        const char* shown;
    } cases[] = {
        {FuelBox::Ve, 0, "1.7", "1.00"},
        {FuelBox::Ve, 0, "-0.2", "0.00"},
        {FuelBox::Ve, 0, "", "0.55"},
        {FuelBox::Ve, 0, "x", "0.55"},
        {FuelBox::Ve, 2, " 0,7 ", "0.70"},
        {FuelBox::Rpm, 1, "12000", "9000"},
        {FuelBox::InjectorSize, 0, "12.5", "12.0"}, // whole numbers, halves to even
        {FuelBox::InjectorSize, 0, "13.5", "14.0"},
        {FuelBox::InjectorSize, 0, "900", "500.0"},
        {FuelBox::Displacement, 0, "0", "1.0"},
        {FuelBox::Displacement, 0, "7000", "6000.0"},
    };
    for (const auto& c : cases) {
        FuelGeneratorInputs in;
        enterFuelInput(in, c.box, c.point, 9000, fuelBoxText(in, c.box, c.point),
                       QString::fromLatin1(c.typed));
        EXPECT_EQ(fuelBoxText(in, c.box, c.point), QLatin1String(c.shown)) << c.typed;
    }
}

TEST(GeneratorEntry, UnchangedTextIsNotConvertedBack) {
    FuelGeneratorInputs fuel;
    fuel.displacement = 10.04f; // shown as 10.0
    EXPECT_FALSE(enterFuelInput(fuel, FuelBox::Displacement, 0, 9000, "10.0", "10.0"));
    EXPECT_EQ(fuel.displacement, 10.04f);
}

TEST(GeneratorEntry, IgnitionBoxesLimitTypedNumbers) {
    const float psiTop = mapCountsToPsi(1, 255);
    const struct {
        int n;
        const char* typed;
        float stored;
        const char* shown;
    } cases[] = {
        {1, "2", 5.0f, " 5.0"},         {1, "60", 50.0f, " 50.0"}, {2, "25000", 20000.0f, " 20000"},
        {4, "4321", 4321.0f, " 4321 "}, {5, "-1", 0.0f, " 0.0"},   {9, "51", 50.0f, " 50.0"},
        {6, "99", psiTop, nullptr},     {8, "abc", 6.0f, " 6.0"},  {8, "", 6.0f, " 6.0"},
    };
    for (const auto& c : cases) {
        IgnitionGeneratorInputs in;
        enterIgnitionInput(in, c.n, psiTop, ignitionBoxText(in, c.n), QString::fromLatin1(c.typed));
        EXPECT_EQ(ignitionInputValue(in, c.n), c.stored) << c.n << " " << c.typed;
        if (c.shown != nullptr) {
            EXPECT_EQ(ignitionBoxText(in, c.n), QLatin1String(c.shown)) << c.n;
        }
    }
}

TEST(GeneratorEntry, WindowLabels) {
    EcuSettings s;
    s.LoadControl = 1;
    s.MapSensorType = 1;
    s.NumberOfCylinders = 8;
    s.MinOpenTime = 19;
    EXPECT_EQ(fuelWindowLabels(s),
              QStringList({"Load Control  1-Atm Map Sensor", "Injector Size (lb/hr)",
                           "Displacement  (in^3)\n per Cylinder", "Number of Cylinders 8",
                           "Min Open Time 1.1875 ms"}));
    s.LoadControl = 3;
    EXPECT_EQ(fuelWindowLabels(s)[0], "Load Control 0-5 Volts");

    EXPECT_EQ(ignitionTopLabel(9000),
              "Units: Advance (DBTDC),  Map (PSI)\n\nMax Rpm" + QString(37, ' ') + "9000");
    EXPECT_EQ(ignitionShortTopLabel(9000), "Max Rpm              9000");
    EXPECT_EQ(ignitionInputCaption(4), "Min Rpm at Final Advance");
    EXPECT_EQ(ignitionInputCaption(10), QString());
}
