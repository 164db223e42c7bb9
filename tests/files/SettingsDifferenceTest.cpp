// SPDX-License-Identifier: GPL-3.0-or-later
// What the difference view shows of two records: the settings with their
// windows' names and units, the tables as grids coloured by the change in
// per cent, and the changed points of the curves.

#include "files/SettingsDifference.h"

#include "TestData.h"

#include <gtest/gtest.h>

namespace {

QString colourText(const RgbColour& c) {
    return QStringLiteral("#%1%2%3")
        .arg(c.red, 2, 16, QLatin1Char('0'))
        .arg(c.green, 2, 16, QLatin1Char('0'))
        .arg(c.blue, 2, 16, QLatin1Char('0'));
}

// The whole difference as lines of text: settings, tables with their axes and
// changed cells, curves.
QStringList lines(const SettingsDifference& d) {
    QStringList out{QStringLiteral("%1 value(s)").arg(d.count)};
    for (const SettingDifference& s : d.settings) {
        out << QStringLiteral("setting %1: %2 -> %3").arg(s.name, s.first, s.second);
    }
    for (const TableDifference& t : d.tables) {
        out << QStringLiteral("table %1 in %2, load %3, %4 cell(s)")
                   .arg(t.title, t.unit, t.loadCaption)
                   .arg(t.changedCells);
        out << QStringLiteral("  rpm: ") +
                   QStringList(t.rpmLabels.begin(), t.rpmLabels.end()).join(' ');
        out << QStringLiteral("  load: ") +
                   QStringList(t.loadLabels.begin(), t.loadLabels.end()).join(' ');
        for (int row = 0; row < TableDifference::kSize; ++row) {
            for (int column = 0; column < TableDifference::kSize; ++column) {
                const TableCellDifference& c = t.cells[std::size_t(row)][std::size_t(column)];
                if (c.changed) {
                    out << QStringLiteral("  [%1,%2] %3 %4% %5 %6")
                               .arg(row)
                               .arg(column)
                               .arg(c.text)
                               .arg(c.percent, 0, 'f', 1)
                               .arg(colourText(c.colour), c.detail);
                }
            }
        }
    }
    for (const CurvePointDifference& c : d.curves) {
        out << QStringLiteral("curve %1 at %2: %3 -> %4").arg(c.curve, c.point, c.first, c.second);
    }
    return out;
}

TEST(SettingsDifference, SettingsTablesAndCurvesAsTheirWindowsShowThem) {
    EcuSettings a = EcuSettings::withDefaults();
    a.LoadControl = 1; // MAP over a 2-bar sensor between counts 20 and 230
    a.MapSensorType = 2;
    a.MapMinBits = 20;
    a.MapMaxBits = 230;
    a.UserInputAnalogMode = {3, 2, 1};
    EcuSettings b = a;
    b.MaxRpm = 7000;
    b.AccelPercent = 60;
    b.IgnitionType = 2;
    b.AirTempFuelComp[3] = 118;
    b.AirTempFuelComp[4] = 119;
    b.UserInputAnalogTable[1][4] = 150;
    a.FuelTable[1][4] = 40;
    a.FuelTable[5][6] = 30;
    b.FuelTable[1][4] = 20;
    b.FuelTable[5][6] = 0;
    b.FuelTable[2][3] = static_cast<int16_t>(a.FuelTable[2][3] + 1);
    b.IgnitionTable[7][8] = static_cast<int16_t>(a.IgnitionTable[7][8] + 20);

    EXPECT_TRUE(settingsDifference(a, a).empty());
    const QString golden = testDataText(QStringLiteral("files/settings-difference.txt"));
    ASSERT_FALSE(golden.isEmpty());
    EXPECT_EQ((lines(settingsDifference(a, b)).join('\n') + '\n').toStdString(),
              golden.toStdString());
}

TEST(SettingsDifference, ACellIsColouredByItsChangeInPerCent) {
    struct Case {
        double first;
        double second;
        double percent;
        RgbColour colour;
    };
    const Case cases[] = {
        {2.0, 2.0, 0.0, {255, 255, 255}},     // unchanged: white
        {100.0, 101.0, 1.0, {255, 229, 229}}, // the least change is still tinted
        {8.0, 7.0, -12.5, {168, 168, 255}},   // half-way to the deepest blue
        {4.0, 5.0, 25.0, {255, 80, 80}},      // the deepest red
        {1.0, 4.0, 300.0, {255, 80, 80}},     // and no deeper
        {-4.0, -5.0, -25.0, {80, 80, 255}},   // less, below zero too
        {0.0, 3.0, 100.0, {255, 80, 80}},     // from nothing: all of it
        {0.0, -3.0, -100.0, {80, 80, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        SCOPED_TRACE(c.second);
        EXPECT_DOUBLE_EQ(percentChange(c.first, c.second), c.percent);
        EXPECT_EQ(changeColour(c.percent), c.colour);
    }
}

TEST(SettingsDifference, ARestoreTakesTheSnapshotsValuesOfOneFieldOnly) {
    const EcuSettings snapshot = EcuSettings::withDefaults();
    EcuSettings now = snapshot;
    now.RevLimit = 7000;
    now.FuelTable[1][2] = 99;
    now.FuelTable[4][0] = 98;
    now.AirTempFuelComp[6] = 120;
    EXPECT_EQ(valuesToRestore(FieldId::FuelTable, now, snapshot),
              (std::vector<FieldCell>{{1, 2, snapshot.FuelTable[1][2]},
                                      {4, 0, snapshot.FuelTable[4][0]}}));
    EXPECT_EQ(valuesToRestore(FieldId::AirTempFuelComp, now, snapshot),
              (std::vector<FieldCell>{{6, 0, snapshot.AirTempFuelComp[6]}}));
    EXPECT_EQ(valuesToRestore(FieldId::RevLimit, now, snapshot),
              (std::vector<FieldCell>{{0, 0, snapshot.RevLimit}}));
    EXPECT_TRUE(valuesToRestore(FieldId::IgnitionTable, now, snapshot).empty());
}

} // namespace
