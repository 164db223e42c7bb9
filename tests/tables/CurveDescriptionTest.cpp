// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/CurveDescription.h"

#include "record/NumberFormat.h"
#include "record/SensorConversions.h"
#include "tables/EditorHelp.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

namespace {

struct EntryCase {
    int curve; // 0..3 compensation, 4 charge, 5 input fuel, 6 input ignition
    const char* typed;
    int64_t raw;
    const char* text;
};

CurveDescription curveOf(int index) {
    if (index < 4) {
        return compensationCurves()[static_cast<std::size_t>(index)];
    }
    if (index == 4) {
        return chargeCurve(7500, 15);
    }
    return inputCurve(0, static_cast<AnalogInputMode>(index - 4));
}

TEST(CurveEntry, LimitsConvertsAndRoundsHalfToEven) {
    const EntryCase cases[] = {
        {0, "250", 200, "200"},    {0, "-10", 0, "0"},       {1, "99,5", 100, "100"},
        {2, "3", 255, "2.55"},     {2, "0.123", 12, "0.12"}, {2, "-1", 0, "0.00"},
        {3, "-7.5", 113, "-7.5"},  {3, "60", 228, "50.0"},   {3, "-80", 28, "-50.0"},
        {4, "300", 255, " 255"},   {4, "12.5", 12, " 12"},   {4, "-3", 0, " 0"},
        {4, "1e300", 255, " 255"}, {5, "300", 255, "255"},   {6, "-60", 78, "-50"},
        {6, "10", 138, "10"},
    };
    EcuSettings settings;
    for (const EntryCase& c : cases) {
        const CurveDescription curve = curveOf(c.curve);
        SCOPED_TRACE(testing::Message() << c.curve << " " << c.typed);
        const std::vector<FieldCell> cells = curveEntry(curve, settings, 4, 4, c.typed);
        ASSERT_EQ(cells.size(), c.raw == curve.stored(settings, 4) ? 0u : 1u);
        if (!cells.empty()) {
            EXPECT_EQ(cells[0], (FieldCell{4, 0, c.raw}));
        }
        EXPECT_EQ(curve.cellText(c.raw), c.text);
    }
    // Text that is not a number changes nothing.
    for (const char* typed : {"", "-", "1/2", "--5", "5-"}) {
        EXPECT_TRUE(curveEntry(curveOf(4), settings, 0, 3, typed).empty()) << typed;
    }
}

// Numbers far beyond a curve's range, either way, store its nearest end;
// "inf" and "nan" are no numbers.
TEST(CurveEntry, HugeNumbersStoreTheNearestEndOfEveryCurve) {
    // Per curve: the stored count for a huge positive and a huge negative number.
    const std::pair<int64_t, int64_t> ends[] = {{200, 0}, {200, 0}, {255, 0}, {228, 28},
                                                {255, 0}, {255, 0}, {178, 78}};
    EcuSettings settings;
    for (int index = 0; index < 7; ++index) {
        const CurveDescription curve = curveOf(index);
        for (const char* typed : {"1e19", "1e308", "-1e19", "-1e308", "inf", "nan", "-inf"}) {
            SCOPED_TRACE(testing::Message() << index << " " << typed);
            const std::vector<FieldCell> cells = curveEntry(curve, settings, 2, 2, typed);
            if (QByteArray(typed).contains('n')) {
                EXPECT_TRUE(cells.empty());
                continue;
            }
            const auto [high, low] = ends[index];
            const int64_t raw = typed[0] == '-' ? low : high;
            ASSERT_EQ(cells.size(), raw == curve.stored(settings, 2) ? 0u : 1u);
            if (!cells.empty()) {
                EXPECT_EQ(cells[0], (FieldCell{2, 0, raw}));
            }
        }
    }
    const CurveDescription ego = egoSetpointCurve(settings);
    EXPECT_EQ(curveEntry(ego, settings, 0, 0, "1e308"), (std::vector<FieldCell>{{0, 0, 255}}));
    EXPECT_EQ(curveEntry(ego, settings, 0, 0, "6"), (std::vector<FieldCell>{{0, 0, 255}}));
}

TEST(CurveEntry, RunFromTheCursorTowardsTheFarEndOnlyChangedPoints) {
    EcuSettings settings;
    settings.AirTempFuelComp[5] = 120;
    EXPECT_EQ(curveEntry(compensationCurves()[0], settings, 6, 4, "120"),
              (std::vector<FieldCell>{{6, 0, 120}, {4, 0, 120}}));
}

TEST(CurveSmooth, StraightLineBetweenTheEndsAndNoChangeForOnePoint) {
    EcuSettings settings;
    const CurveDescription curve = compensationCurves()[1];
    settings.WaterTempFuelComp[2] = 100;
    settings.WaterTempFuelComp[6] = 110;
    // 102.5 and 107.5 round half to even; the ends keep their values.
    EXPECT_EQ(curveSmooth(curve, settings, 6, 2),
              (std::vector<FieldCell>{{5, 0, 108}, {4, 0, 105}, {3, 0, 102}}));
    EXPECT_TRUE(curveSmooth(curve, settings, 3, 3).empty());
}

TEST(CurveAxes, ChargeBandsVoltagesAndInputTitles) {
    EXPECT_EQ(chargeCurve(7500, 15).axis,
              (QStringList{" 500", " 1500", " 2500", " 3500", " 4500", " 5500", " 6500", " 7500"}));
    EXPECT_FALSE(chargeCurve(7500, 15).sends);
    const QStringList volts = inputCurve(1, AnalogInputMode::FuelPercent).axis;
    EXPECT_EQ(volts.size(), 17);
    EXPECT_EQ(volts.first(), " 0.0");
    EXPECT_EQ(volts[1], " 0.3");
    EXPECT_EQ(volts.last(), " 5.0");
    EXPECT_EQ(compensationCurves()[2].axis.last(), "16.0");
    EXPECT_EQ(inputCurve(2, AnalogInputMode::Ego).title, "User Input #3   -  EGO ");
    EXPECT_FALSE(inputCurveShown(AnalogInputMode::Ego));
    EXPECT_FALSE(inputCurveShown(AnalogInputMode::Off));
}

TEST(CurveKeyRules, WhichKeysOpenTheEditAndWhichTheBoxTakes) {
    struct Case {
        CurveKeys keys;
        const char* opens;
        const char* refusedToOpen;
        const char* takes;
        const char* refused;
    };
    const Case cases[] = {
        {CurveKeys::Compensation, "09.-,", "a+", "09-,.", "a+e"},
        {CurveKeys::UserInput, "09-,", ".a", "09,.-", "ae"},
        {CurveKeys::Charge, "09", ".-,", "09-/.,", "a:e"},
    };
    for (const Case& c : cases) {
        for (const char* k = c.opens; *k != 0; ++k) {
            EXPECT_TRUE(curveStartsEdit(c.keys, QLatin1Char(*k))) << *k;
        }
        for (const char* k = c.refusedToOpen; *k != 0; ++k) {
            EXPECT_FALSE(curveStartsEdit(c.keys, QLatin1Char(*k))) << *k;
        }
        for (const char* k = c.takes; *k != 0; ++k) {
            EXPECT_TRUE(curveAcceptsInEdit(c.keys, QLatin1Char(*k))) << *k;
        }
        for (const char* k = c.refused; *k != 0; ++k) {
            EXPECT_FALSE(curveAcceptsInEdit(c.keys, QLatin1Char(*k))) << *k;
        }
    }
}

} // namespace

TEST(EgoSetpointCurve, VoltsAxisByLoadControlAndKeys) {
    EcuSettings s;
    s.LoadControl = 2;
    CurveDescription curve = egoSetpointCurve(s);
    EXPECT_EQ(curve.points(), 16);
    EXPECT_EQ(curve.axisCaption, "Tps");
    EXPECT_EQ(curve.axis.first(), "0.0 ");
    EXPECT_EQ(curve.axis.last(), "105.0 ");
    for (const auto& [typed, raw, text] : {std::tuple{"2.5", 128, "2.51"},
                                           {"6", 255, "5.00"},
                                           {"-1", 0, "0.00"},
                                           {"1", 51, "1.00"}}) {
        EXPECT_EQ(curveEntry(curve, s, 2, 5, typed).size(), raw == 0 ? 0u : 4u) << typed;
        EXPECT_EQ(curve.cellText(raw), text);
    }
    EXPECT_TRUE(curveStartsEdit(curve.keys, QLatin1Char('.')));
    EXPECT_FALSE(curveStartsEdit(curve.keys, QLatin1Char('-')));
    EXPECT_FALSE(curveAcceptsInEdit(curve.keys, QLatin1Char(',')));
    // Over the full MAP range point k stands for the count 17 k.
    s.LoadControl = 1;
    s.MapSensorType = 2;
    s.MapMinBits = 0;
    s.MapMaxBits = 255;
    curve = egoSetpointCurve(s);
    EXPECT_EQ(curve.axisCaption, "Map");
    EXPECT_EQ(curve.axis[7],
              formatNumber(mapCountsToPsi(2, 119), QStringLiteral("###,##0.0")) + ' ');
    EXPECT_EQ(curve.axis.last(),
              formatNumber(mapCountsToPsi(2, 255), QStringLiteral("###,##0.0")) + ' ');
    s.LoadControl = 3;
    curve = egoSetpointCurve(s);
    EXPECT_TRUE(curve.axisCaption.isEmpty());
    EXPECT_TRUE(curve.axis.join(QString()).isEmpty());
}

// Each curve's What's This line states the limits its typed values are
// held to: beyond them nothing changes, just inside them the count does.
TEST(CurveHelp, StatesTheLimitsTheEntryKeeps) {
    std::vector<CurveDescription> curves = compensationCurves();
    curves.push_back(chargeCurve(7500, 15));
    curves.push_back(inputCurve(0, AnalogInputMode::FuelPercent));
    curves.push_back(inputCurve(1, AnalogInputMode::IgnitionDegrees));
    curves.push_back(egoSetpointCurve(EcuSettings{}));
    for (const CurveDescription& curve : curves) {
        SCOPED_TRACE(static_cast<int>(curve.conversion));
        const CurveLimits limits = curveLimits(curve.conversion);
        EXPECT_EQ(curve.rawFromTyped(1.0e6), curve.rawFromTyped(limits.max));
        EXPECT_EQ(curve.rawFromTyped(-1.0e6), curve.rawFromTyped(limits.min));
        EXPECT_NE(curve.rawFromTyped(limits.max - 1.0), curve.rawFromTyped(limits.max));
        EXPECT_NE(curve.rawFromTyped(limits.min + 1.0), curve.rawFromTyped(limits.min));
        const QString stated = QStringLiteral("Limits: %1 to %2 %3.")
                                   .arg(limits.min)
                                   .arg(limits.max)
                                   .arg(QString::fromUtf8(limits.unit));
        EXPECT_TRUE(curveHelp(curve).contains(stated)) << curveHelp(curve).toStdString();
        EXPECT_EQ(curveHelp(curve).contains("kept in the program only"), !curve.sends);
    }
}

// The editors' lines name the operand boxes' defaults and the range the
// cells keep, as entries and operations hold them.
TEST(EditorHelp, OperandsAndButtonsStateDefaultsAndCellLimits) {
    const struct {
        const TableEditorDescription& editor;
        const char* range;
        const char* amountEmpty;
    } cases[] = {
        {fuelEditor(), "0.0625 to 16 ms", "Left empty it is 0.0625;"},
        {ignitionEditor(), "5 to 50 degrees", "Left empty it is 1.00;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.range);
        const TableEditorDescription& d = c.editor;
        EXPECT_EQ(d.shown(d.rawFromTyped(-1.0e6)), d.shown(d.rawMin));
        EXPECT_EQ(d.shown(d.rawFromTyped(1.0e6)), d.shown(d.rawMax));
        const QString cells = QStringLiteral("The cells stay within %1.").arg(c.range);
        EXPECT_TRUE(operandHelp(d, Operand::Amount).contains(c.amountEmpty));
        EXPECT_TRUE(operandHelp(d, Operand::Amount).contains(cells));
        EXPECT_TRUE(operandHelp(d, Operand::Factor).contains("Left empty it is 1.10;"));
        for (EditorButton b : {EditorButton::Add, EditorButton::Subtract, EditorButton::Multiply,
                               EditorButton::Divide}) {
            EXPECT_TRUE(editorButtonHelp(d, b).contains(cells));
        }
        EXPECT_TRUE(tableGridHelp(d).contains(c.range)) << tableGridHelp(d).toStdString();
    }
    EXPECT_TRUE(operandHelp(fuelEditor(), Operand::Amount).contains("0.1 becomes 0.1250"));
    EXPECT_EQ(operandText(fuelEditor(), Operand::Amount,
                          operandValue(fuelEditor(), Operand::Amount, "0.1"))
                  .trimmed(),
              "0.1250");
}
