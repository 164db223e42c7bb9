// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/DataReport.h"

#include "TestData.h"
#include "config/SetupLists.h"
#include "files/EcuFile.h"
#include "record/AppState.h"
#include "tables/TableEditorDescription.h"

#include <gtest/gtest.h>

namespace {

const QDateTime kPrinted(QDate(2026, 3, 14), QTime(15, 9, 26));

QString line(const QStringList& lines, const QString& start) {
    for (const QString& l : lines) {
        if (l.startsWith(QStringLiteral("  ") + start)) {
            return l;
        }
    }
    return {};
}

// What the report prints: the state with the file and the ECU's identity,
// and the record.
struct Printed {
    AppState state;
    EcuSettings record;
};

// A record in which every printed value differs from the start-up defaults,
// its tables 12 load rows by 14 rpm columns.
Printed changedRecord() {
    Printed printed;
    EcuSettings current = EcuSettings::withDefaults();
    current.LoadIndexMax = 11;
    current.RpmIndexMax = 13;
    const EcuFileReadResult read =
        readEcuFile(testDataBytes(QStringLiteral("files/report-record.ecu")), current);
    EXPECT_TRUE(read.ok()) << read.error.toStdString();
    printed.record = read.settings.value_or(current);
    AppState& state = printed.state;
    state.CurrentFileName = QStringLiteral("/home/tuner/engines/test bench.ecu");
    state.identity.VersionText = QStringLiteral("2.051");
    state.identity.BuildText = QStringLiteral("007");
    state.identity.SerialNumberText = QStringLiteral("2-3-25-1234");
    return printed;
}

TEST(DataReportTest, ListingOfAChangedRecordMatchesTheGoldenFile) {
    const Printed printed = changedRecord();
    const QStringList lines = dataReportLines(printed.state, printed.record,
                                              QStringLiteral("1.000  Build 001"), kPrinted);
    const QString golden = testDataText(QStringLiteral("files/data-report.txt"));
    ASSERT_FALSE(golden.isEmpty());
    EXPECT_EQ(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'), golden);
}

TEST(DataReportTest, PrintsWhatTheEditorsShow) {
    Printed printed = changedRecord();
    EcuSettings& s = printed.record;
    s.FuelTable[0][0] = 127;    // the editor shows 8.000
    s.IgnitionTable[0][0] = 45; // 22.5
    const QStringList lines = dataReportLines(printed.state, s, {}, kPrinted);
    const int fuel = static_cast<int>(lines.indexOf(QStringLiteral("  Fuel Table")));
    const int ignition = static_cast<int>(lines.indexOf(QStringLiteral("  Ignition Table")));
    ASSERT_GT(fuel, 0);
    ASSERT_GT(ignition, fuel);
    EXPECT_TRUE(lines[fuel + 1].trimmed().startsWith(fuelEditor().cellText(127)));
    EXPECT_TRUE(lines[ignition + 1].trimmed().startsWith(ignitionEditor().cellText(45).trimmed()));

    // A load index reads as the setup window's staged-injection list has it,
    // on the tables' MAP axis (10..240 here).
    ASSERT_EQ(s.InjectionLoadIndex, 3);
    EXPECT_TRUE(line(lines, "Staged").endsWith(stagedLoadEntries(s)[3].trimmed()))
        << line(lines, "Staged").toStdString();

    // Alternatives the changed record does not print.
    s.MapSensorType = 3;
    s.TpsSensorType = 0;
    s.EgoControl = 0;
    s.UserInputAnalogMode = {0, 0, 0};
    s.UserInputDigitalMode = {3, 0, 0};
    s.InjectionLoadIndex = 16;
    s.LoadControl = 2;
    const QStringList other = dataReportLines(printed.state, s, {}, kPrinted);
    EXPECT_TRUE(line(other, "Map 3-Bar").contains("Min Map (psi)"));
    EXPECT_EQ(line(other, "Tps   "), "  Tps                 NO Tps  ");
    EXPECT_EQ(line(other, "EGO Control"), "  EGO Control - Off");
    EXPECT_EQ(line(other, "Analog 1"), "  Analog 1  Off - not being used ");
    EXPECT_EQ(line(other, "Digital Input        1"), "  Digital Input        1 - Cut Engine    ");
    EXPECT_EQ(line(other, "Staged"), "  Staged Injection Load Index - 16 Off");
}

} // namespace
