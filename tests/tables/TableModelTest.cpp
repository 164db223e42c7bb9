// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/TableModel.h"
#include "record/NumberFormat.h"
#include "record/SensorConversions.h"

#include <gtest/gtest.h>

namespace {

class TableModelTest : public ::testing::Test {
protected:
    AppState state;
    EcuSettings record = EcuSettings::withDefaults();
    TableModel fuel{fuelEditor(), state, record};
    TableModel ignition{ignitionEditor(), state, record};
};

TEST(TableEditorDescription, Captions) {
    EXPECT_EQ(fuelEditor().caption,
              QStringLiteral("Fuel Table  -  Injector Open Time per Revolution (ms) of Bank #1"));
    EXPECT_EQ(ignitionEditor().caption,
              QStringLiteral("Ignition Table  -  Degrees Before Top Dead Center"));
}

struct TextCase {
    bool ignition;
    int raw;
    const char* text;
};

TEST_F(TableModelTest, CellTextsInTheTablesPatterns) {
    const TextCase cases[] = {
        {false, 15, "1.000"}, {false, 127, "8.000"}, {false, 0, ".063"}, {false, 255, "16.000"},
        {true, 45, " 22.5"},  {true, 100, " 50.0"},  {true, 10, " 5.0"},
    };
    for (const TextCase& c : cases) {
        TableModel& model = c.ignition ? ignition : fuel;
        EcuSettings::Table& table = c.ignition ? record.IgnitionTable : record.FuelTable;
        table[3][5] = static_cast<int16_t>(c.raw);
        EXPECT_EQ(model.text(4, 6), QString::fromLatin1(c.text)) << c.raw;
    }
}

TEST_F(TableModelTest, RpmLabelsRunFromZeroToMaxRpm) {
    record.MaxRpm = 7500;
    for (int column = 1; column <= 16; ++column) {
        EXPECT_EQ(fuel.rpmLabel(column), QStringLiteral(" %1").arg(500 * (column - 1)));
    }
    record.MaxRpm = 8000;
    EXPECT_EQ(ignition.rpmLabel(2), QStringLiteral(" 533.3333"));
    EXPECT_DOUBLE_EQ(ignition.rpmLabelValue(2), 533.3333);
}

TEST_F(TableModelTest, LoadLabelsAndCaptionFollowLoadControl) {
    record.LoadControl = 2;
    EXPECT_EQ(fuel.loadLabel(1), QStringLiteral(" 105.0"));
    EXPECT_EQ(fuel.loadLabel(16), QStringLiteral(" 0.0"));
    EXPECT_EQ(fuel.loadCaption(), QStringLiteral("  T P S  "));

    record.LoadControl = 3;
    EXPECT_EQ(fuel.loadLabel(1), QStringLiteral(" 5.0"));
    EXPECT_EQ(fuel.loadLabel(13), QStringLiteral(" 1.0"));
    EXPECT_EQ(fuel.loadLabel(14), QStringLiteral(" 0.7"));
    EXPECT_DOUBLE_EQ(fuel.loadLabelValue(14), 0.7);
    EXPECT_EQ(fuel.loadCaption(), QStringLiteral("V O L T S"));

    // Step 1 of 0..100 counts is 6.67, rounded to count 7.
    record.LoadControl = 1;
    record.MapMinBits = 0;
    record.MapMaxBits = 100;
    const QString count7 = QLatin1Char(' ') + formatNumber(mapCountsToPsi(record.MapSensorType, 7),
                                                           QStringLiteral("###,##0.0"));
    EXPECT_EQ(fuel.loadLabel(15), count7);
    EXPECT_EQ(fuel.loadCaption(), QStringLiteral("  M A P  "));

    record.LoadControl = 0;
    EXPECT_TRUE(fuel.loadLabel(1).isEmpty());
    EXPECT_FALSE(fuel.loadCaption().has_value());
}

TEST_F(TableModelTest, MarkColoursAndTheHighlightedRegionOfEachTable) {
    record.InjectionLoadIndex = 10;
    record.InjectionRpmIndex = 4;
    state.display.FuelMarkFlags[12][3] = 1;
    state.display.FuelMarkFlags[5][3] = 2;
    state.display.FuelMarkFlags[5][4] = 7;
    state.display.IgnitionMarkFlags = state.display.FuelMarkFlags;

    // The fuel region needs the second code section flag.
    EXPECT_EQ(fuel.colour(12, 3), (RgbColour{0, 192, 192}));
    state.CodeSectionFlags[1] = true;
    EXPECT_EQ(fuel.colour(12, 3), (RgbColour{192, 192, 0}));
    EXPECT_EQ(fuel.colour(11, 16), (RgbColour{255, 255, 128}));
    EXPECT_EQ(fuel.colour(10, 3), (RgbColour{0, 255, 255}));
    EXPECT_EQ(fuel.colour(5, 3), (RgbColour{0, 128, 128}));
    EXPECT_EQ(fuel.colour(5, 4), (RgbColour{0, 0, 0}));

    // The ignition region ends at InjectionRpmIndex.
    EXPECT_EQ(ignition.colour(12, 3), (RgbColour{192, 192, 0}));
    EXPECT_EQ(ignition.colour(11, 4), (RgbColour{255, 255, 128}));
    EXPECT_EQ(ignition.colour(11, 5), (RgbColour{0, 255, 255}));
}

} // namespace
