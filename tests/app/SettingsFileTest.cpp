// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsFile.h"

#include "TestData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>

namespace {

// A 1024 x 768 pixel screen at 15 twips per pixel.
const ScreenMetrics kScreen{1024 * 15.0, 768 * 15.0, 15.0};

QByteArray readAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(data), data.size());
}

QList<QByteArray> linesOf(const QByteArray& data) {
    QList<QByteArray> lines = data.split('\n');
    EXPECT_TRUE(lines.back().isEmpty()) << "the text does not end with a line end";
    lines.removeLast();
    for (QByteArray& l : lines) {
        EXPECT_TRUE(l.endsWith('\r')) << l.toStdString();
        l.chop(1);
    }
    return lines;
}

// A state that differs from the defaults and the start values everywhere.
AppState unusualState() {
    AppState s;
    DisplaySettings& d = s.display;
    d.ComPortNumber = 3;
    d.MainWindow = {120, 340, 9000.5, 7000, 0};
    d.PlotChannelChoice = {4, 11};
    for (int c = 0; c < 12; ++c) {
        d.PlotChannelScales[c].Max = {100.0f + c, 50.25f + c};
        d.PlotChannelScales[c].Min = {-1.5f * c, 0.1f};
        d.PlotChannelScales[c].PointsIndex = static_cast<int16_t>(c % 5);
    }
    d.PlotLoadLineFuel = false;
    d.PlotLoadLineIgnition = true;
    d.Fuel3DPlotFlag = true;
    d.Fuel3DPlotX = 1500;
    d.Fuel3DPlotY = -20;
    d.Ignition3DPlotFlag = true;
    d.Ignition3DPlotX = 300;
    d.Ignition3DPlotY = 400;
    d.DisplayGaugesFlag = true;
    d.DisplayGaugesX = 12;
    d.DisplayGaugesY = 34;
    d.DisplayFuelCrossHair = true;
    d.DisplayIgnitionCrossHair = true;
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 16; ++c) {
            d.FuelMarkFlags[r][c] = static_cast<uint8_t>((r * 16 + c) % 3);
            d.IgnitionMarkFlags[r][c] = static_cast<uint8_t>((r + c) % 2 ? 255 : 0);
        }
    }
    s.fuelGenerator.injectorSize = 24.5f;
    s.fuelGenerator.displacement = 30.0f;
    s.fuelGenerator.rpm = {1000, 2500, 4000, 6500};
    s.fuelGenerator.ve = {0.6f, 0.85f, 0.9f, 0.7f};
    s.ignitionGenerator.initialAdvance = 12.5f;
    s.ignitionGenerator.maxRpmInitialAdvance = 1500;
    s.ignitionGenerator.finalAdvance = 32;
    s.ignitionGenerator.minRpmFinalAdvance = 4800;
    s.ignitionGenerator.initialAdvanceMap = 3;
    s.ignitionGenerator.maxMapInitialAdvance = 2.5f;
    s.ignitionGenerator.finalAdvanceMap = -4;
    s.ignitionGenerator.minMapFinalAdvance = 9.5f;
    s.ignitionGenerator.advanceLimit = 40;
    return s;
}

// Golden files under tests/data/app written out from the file format's
// description: the file of the start values with a few changes
// (Vantrel-start.ini), and the file a state left by the defaults path on a
// 1024 x 768 screen writes back (Vantrel-defaults.ini).
QByteArray golden(const char* name) {
    const QByteArray text = testDataBytes(QStringLiteral("app/") + name);
    EXPECT_FALSE(text.isEmpty()) << "missing golden file " << name;
    return text;
}

// The state writes the defaults file back, except for the lines given
// (1-based), which the caller checks itself.
void expectDefaultsExcept(const AppState& s, const std::set<int>& skip = {}) {
    const QList<QByteArray> got = linesOf(settingsFileBytes(s, false));
    const QList<QByteArray> want = linesOf(golden("Vantrel-defaults.ini"));
    ASSERT_EQ(got.size(), want.size());
    for (int i = 0; i < got.size(); ++i) {
        if (!skip.contains(i + 1)) {
            EXPECT_EQ(got[i], want[i]) << "line " << i + 1;
        }
    }
}

std::set<int> generatorLines() {
    std::set<int> lines;
    for (int i = 22; i <= 40; ++i) {
        lines.insert(i);
    }
    return lines;
}

class SettingsFileTest : public ::testing::Test {
protected:
    QString path() const { return m_dir.filePath("Vantrel.ini"); }
    QTemporaryDir m_dir;
};

TEST_F(SettingsFileTest, WrittenFileIsTheGoldenFile) {
    AppState s; // start values
    s.display.MainWindow = {200, 200, 14960, 10520, 0};
    s.display.PlotChannelScales[3] = {{5000, 4000}, {0, 500}, 2};
    s.display.FuelMarkFlags[0][15] = 1;
    EXPECT_EQ(settingsFileBytes(s, true).toStdString(), golden("Vantrel-start.ini").toStdString());
}

TEST_F(SettingsFileTest, WindowLinesFollowTheWindowStateAtExit) {
    AppState s;
    s.display.MainWindow = {200, 200, 14960, 10520, 0};
    // The values of lines 4 to 8: top, left, width, height and window state.
    auto values = [&s](const MainWindowAtExit& exit) {
        const QList<QByteArray> lines = linesOf(settingsFileBytes(s, false, exit));
        EXPECT_EQ(lines[2], "\"Com Status         \",#FALSE#");
        EXPECT_TRUE(lines[3].startsWith("\"Main Top           \","));
        QList<QByteArray> v;
        for (int i = 3; i <= 7; ++i) {
            v << lines[i].split(',').last();
        }
        return v;
    };
    // Normal: the current geometry; maximised: the stored placement.
    EXPECT_EQ(values({0, 1440, 720, 9000, 6000}),
              (QList<QByteArray>{"1440", "720", "9000", "6000", "0"}));
    EXPECT_EQ(values({2, 0, 0, 15360, 11520}),
              (QList<QByteArray>{"200", "200", "14960", "10520", "2"}));
}

TEST_F(SettingsFileTest, RoundTripIsByteIdentical) {
    AppState original = unusualState();
    original.DeveloperMode = true;
    const QByteArray first = settingsFileBytes(original, true);
    ASSERT_EQ(saveSettingsFile(path(), first), QString());
    EXPECT_EQ(readAll(path()), first);

    AppState back;
    const SettingsReadResult r = readSettingsFile(back, path(), kScreen);
    EXPECT_FALSE(r.usedDefaults) << r.problem.toStdString();
    EXPECT_FALSE(back.SettingsFileError);
    EXPECT_EQ(r.portToSelect, 3);
    EXPECT_EQ(back.display, original.display);
    EXPECT_EQ(back.fuelGenerator, original.fuelGenerator);
    EXPECT_EQ(back.ignitionGenerator, original.ignitionGenerator);
    EXPECT_TRUE(back.DeveloperMode);
    EXPECT_EQ(settingsFileBytes(back, true), first);
}

TEST_F(SettingsFileTest, DeveloperModeIsWrittenBackAsTheLastLine) {
    AppState s;
    s.DeveloperMode = true;
    QList<QByteArray> lines = linesOf(settingsFileBytes(s, false));
    EXPECT_EQ(lines.back(), "\"Oakhollow\"");

    ASSERT_EQ(saveSettingsFile(path(), settingsFileBytes(s, false)), QString());
    AppState next;
    readSettingsFile(next, path(), kScreen);
    EXPECT_TRUE(next.DeveloperMode);
    lines = linesOf(settingsFileBytes(next, false));
    EXPECT_EQ(lines.back(), "\"Oakhollow\"");
}

TEST_F(SettingsFileTest, DeveloperWordInOtherLetterCaseKeepsDeveloperModeOff) {
    AppState s = unusualState();
    QByteArray data = settingsFileBytes(s, false);
    data.replace("\"End Of File\"", "\"oakhollow\"");
    writeAll(path(), data);
    AppState next;
    next.DeveloperMode = true;
    const SettingsReadResult r = readSettingsFile(next, path(), kScreen);
    EXPECT_FALSE(r.usedDefaults);
    EXPECT_FALSE(next.DeveloperMode);
    EXPECT_EQ(next.display, s.display);
    EXPECT_EQ(linesOf(settingsFileBytes(next, false)).back(), "\"End Of File\"");
}

TEST_F(SettingsFileTest, VersionOneFileIsIgnoredAndRewrittenAsVersionTwo) {
    const AppState s = unusualState();
    QByteArray data = settingsFileBytes(s, false);
    data.replace("\"IniFile Version  #  \",2", "\"IniFile Version  #  \",1");
    writeAll(path(), data);

    AppState next;
    const SettingsReadResult r = readSettingsFile(next, path(), kScreen);
    EXPECT_TRUE(r.usedDefaults);
    EXPECT_TRUE(next.SettingsFileError);
    EXPECT_FALSE(r.problem.isEmpty());
    EXPECT_EQ(r.portToSelect, 1);
    // Nothing of the old file survives, not even the generator inputs.
    expectDefaultsExcept(next);

    ASSERT_EQ(saveSettingsFile(path(), settingsFileBytes(next, false)), QString());
    EXPECT_TRUE(readAll(path()).startsWith("\"IniFile Version  #  \",2\r\n"));
    AppState again;
    EXPECT_FALSE(readSettingsFile(again, path(), kScreen).usedDefaults);
}

TEST_F(SettingsFileTest, FileCutShortAfterGeneratorInputsKeepsOnlyThoseInputs) {
    const AppState s = unusualState();
    const QList<QByteArray> lines = linesOf(settingsFileBytes(s, false));
    QByteArray cut;
    for (int i = 0; i < 40; ++i) { // lines 1 to 40: up to the last generator input
        cut += lines[i] + "\r\n";
    }
    writeAll(path(), cut);

    AppState next;
    next.display.DisplayFuelCrossHair = false;
    next.display.DisplayIgnitionCrossHair = true;
    next.DeveloperMode = true;
    const SettingsReadResult r = readSettingsFile(next, path(), kScreen);
    EXPECT_TRUE(r.usedDefaults);
    EXPECT_TRUE(next.SettingsFileError);
    EXPECT_EQ(next.fuelGenerator, s.fuelGenerator);
    EXPECT_EQ(next.ignitionGenerator, s.ignitionGenerator);
    EXPECT_FALSE(next.display.DisplayFuelCrossHair);
    EXPECT_TRUE(next.display.DisplayIgnitionCrossHair);
    std::set<int> kept = generatorLines();
    kept.insert({52, 53});
    expectDefaultsExcept(next, kept); // the last line: developer mode off
    EXPECT_EQ(r.portToSelect, 1);
}

TEST_F(SettingsFileTest, ValueOfTheWrongFormTakesTheDefaults) {
    const AppState s = unusualState();
    QByteArray data = settingsFileBytes(s, false);
    data.replace("\"Fuel 3D Plot X Position             \",1500",
                 "\"Fuel 3D Plot X Position             \",left");
    writeAll(path(), data);
    AppState next;
    EXPECT_TRUE(readSettingsFile(next, path(), kScreen).usedDefaults);
    expectDefaultsExcept(next, generatorLines());
    EXPECT_EQ(next.fuelGenerator, s.fuelGenerator);
}

TEST_F(SettingsFileTest, FirstStartOnAnEightHundredPixelScreenIsMaximisedWithoutLoadLines) {
    const ScreenMetrics small{800 * 15.0, 600 * 15.0, 15.0};
    AppState s;
    const SettingsReadResult r = readSettingsFile(s, path(), small);
    EXPECT_TRUE(r.usedDefaults);
    EXPECT_TRUE(s.SettingsFileError);
    EXPECT_EQ(s.display.MainWindow.State, 2);
    EXPECT_FALSE(s.display.PlotLoadLineFuel);
    EXPECT_FALSE(s.display.PlotLoadLineIgnition);
    EXPECT_EQ(s.display.MainWindow.Width, 800 * 15.0 - 400);
    EXPECT_EQ(s.display.MainWindow.Height, 600 * 15.0 - 1000);
    expectDefaultsExcept(s, {6, 7, 8, 41, 42});

    const ScreenMetrics wider{801 * 15.0, 600 * 15.0, 15.0};
    AppState t;
    readSettingsFile(t, path(), wider);
    EXPECT_EQ(t.display.MainWindow.State, 0);
    EXPECT_TRUE(t.display.PlotLoadLineFuel);
}

TEST_F(SettingsFileTest, PortOutsideOneToFiveSelectsNoPortButIsKept) {
    AppState s;
    s.display.ComPortNumber = 7;
    writeAll(path(), settingsFileBytes(s, false));
    AppState next;
    const SettingsReadResult r = readSettingsFile(next, path(), kScreen);
    EXPECT_FALSE(r.usedDefaults);
    EXPECT_FALSE(r.portToSelect.has_value());
    EXPECT_EQ(next.display.ComPortNumber, 7);
    EXPECT_TRUE(linesOf(settingsFileBytes(next, false))[1].endsWith(",7"));
}

TEST_F(SettingsFileTest, WriteCreatesTheFolderAndTheDefaultPathIsTheUsers) {
    const QString nested = m_dir.filePath("a/b/Vantrel.ini");
    EXPECT_EQ(saveSettingsFile(nested, "x\r\n"), QString());
    EXPECT_EQ(readAll(nested), "x\r\n");
    EXPECT_TRUE(defaultSettingsFilePath().endsWith("/Vantrel.ini"));
    EXPECT_FALSE(QFileInfo(defaultSettingsFilePath()).isRelative());
}

TEST_F(SettingsFileTest, FailedWriteReportsAnErrorAndLeavesTheOldFileWhole) {
    // A name so long that no file next to it can carry a further suffix: the
    // new text cannot be prepared beside the old file.
    const QString longName = m_dir.filePath(QString(250, QLatin1Char('v')));
    const QByteArray old = settingsFileBytes(unusualState(), true);
    writeAll(longName, old);
    const QString error = saveSettingsFile(longName, settingsFileBytes(AppState{}, false));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(longName), old);

    // A folder that cannot be created.
    writeAll(m_dir.filePath("plain"), "not a folder");
    EXPECT_FALSE(saveSettingsFile(m_dir.filePath("plain/Vantrel.ini"), old).isEmpty());
}

TEST_F(SettingsFileTest, WriteIntoAReadOnlyFolderFailsAndKeepsTheOldFile) {
    const QString folder = m_dir.filePath("locked");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + "/Vantrel.ini";
    writeAll(file, "old\r\n");
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    {
        QFile probe(folder + "/probe");
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            GTEST_SKIP() << "this user may write into read-only folders";
        }
    }
    const QString error = saveSettingsFile(file, "new\r\n");
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(file), "old\r\n");
}

} // namespace
