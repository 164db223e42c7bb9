// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/LogFormat.h"

#include "TestData.h"
#include "monitor/LiveSample.h"
#include "record/AppState.h"
#include "record/EcuSettings.h"
#include "record/EngineData.h"

#include <array>

#include <gtest/gtest.h>

namespace {

const QChar kDegree(0xB0);

// What a log line is made from: the flags, the settings record and the live values.
struct LogInputs {
    AppState state;
    EcuSettings settings;
    EngineData engine;
};

QString fullRecordLine(const LogInputs& s, double seconds) {
    return ::fullRecordLine(LiveSample::fromEngineData(s.engine, 0), seconds);
}
QString plotRecordTitleLine(const LogInputs& s, const std::array<int, 2>& channels) {
    return ::plotRecordTitleLine(plotLogLayout(s.state, s.settings, channels));
}
QString plotRecordLine(const LogInputs& s, const std::array<int, 2>& channels, double seconds) {
    return ::plotRecordLine(LiveSample::fromEngineData(s.engine, 0),
                            plotLogLayout(s.state, s.settings, channels), seconds);
}

LogInputs sampleState() {
    LogInputs s;
    EngineData& e = s.engine;
    e.RpmChannel.Value = 2350;
    e.MapChannel.Value = 14.7f;
    e.TpsChannel.Value = 57.5f;
    e.AirChannel.Value = 75.0f;
    e.WaterChannel.Value = 180.4f;
    e.BatteryChannel.Value = 13.8f;
    e.DutyChannel.Value = 45.25f;
    e.FuelChannel.Value = 3.456f;
    e.IgnitionChannel.Value = 28.5f;
    e.UserChannel[0].Value = 2.345f;
    e.UserChannel[1].Value = 100.0f;
    e.UserChannel[2].Value = -12.6f;
    e.EngineStatus1 = 6;
    s.settings.LoadControl = 1;
    s.settings.UserInputAnalogMode = {0, 1, 2};
    s.settings.UC_Extra = {1, 22, 0, 140, 255};
    s.settings.UI_Extra = {0, 100, 65535, 7, 12345};
    return s;
}

TEST(LogHeader, RuleAndDateTimeLines) {
    EXPECT_EQ(logRuleLine(), QString(110, QLatin1Char('-')));
    const QDateTime when(QDate(2026, 12, 6), QTime(16, 5, 9));
    // Short date "M/d/yy", long time without the zone name; the time starts in column 15.
    EXPECT_EQ(logDateTimeLine(when, QLocale(QLocale::English, QLocale::UnitedStates)),
              "12/6/26       4:05:09 PM");
    EXPECT_EQ(logDateTimeLine(when, QLocale(QLocale::German, QLocale::Germany)),
              "06.12.26      16:05:09");
    EXPECT_EQ(logDateTimeLine(when, QLocale(QLocale::English, QLocale::UnitedKingdom)),
              "06/12/2026    16:05:09");
}

// Every title and record line of both log formats for the sample state and
// its variations, in the order of the golden file: time, rpm, the load by
// load control, the channels by user input mode, the developer extras.
QStringList logLines() {
    QStringList lines;
    LogInputs s = sampleState();
    lines << fullRecordTitleLine() << fullRecordLine(s, 0.25) << fullRecordLine(s, 12345.678);
    lines << plotRecordTitleLine(s, {0, 11});
    s.settings.LoadControl = 2;
    lines << plotRecordTitleLine(s, {8, 5});
    s.settings.LoadControl = 3;
    lines << plotRecordTitleLine(s, {9, 10});
    s.settings.UserInputAnalogMode = {3, 0, 1};
    // Rpm, throttle and MAP add an empty title.
    for (const std::array<int, 2>& channels :
         {std::array{8, 10}, std::array{4, 6}, std::array{3, 7}, std::array{1, 2}}) {
        lines << plotRecordTitleLine(s, channels);
    }

    s = sampleState();
    lines << plotRecordLine(s, {0, 11}, 1.5);
    s.settings.LoadControl = 2;
    lines << plotRecordLine(s, {8, 5}, 0.05);
    // User 2 in mode 1, user 3 in mode 2; rpm, throttle and MAP give blanks.
    lines << plotRecordLine(s, {9, 10}, 0) << plotRecordLine(s, {3, 1}, 0);
    s.settings.UserInputAnalogMode = {1, 0, 3};
    s.engine.UserChannel[2].Value = 0.98f;
    lines << plotRecordLine(s, {8, 10}, 0);
    s.settings.UserInputAnalogMode = {2, 0, 0};
    lines << plotRecordLine(s, {9, 8}, 0) << plotRecordLine(s, {4, 6}, 0);

    s = sampleState();
    s.state.LogExtra = true;
    s.state.DeveloperMode = true;
    lines << plotRecordTitleLine(s, {0, 11}) << plotRecordLine(s, {0, 11}, 2);
    return lines;
}

TEST(LogLines, TitlesAndRecordsMatchTheGoldenFile) {
    QStringList expected = testDataText("monitor/log-lines.txt").split(QLatin1Char('\n'));
    ASSERT_EQ(expected.takeLast(), QString());
    const QStringList got = logLines();
    ASSERT_EQ(got.size(), expected.size());
    for (int i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].toStdString(), expected[i].toStdString()) << "line " << i + 1;
    }
}

TEST(FullRecord, SmallMapHasNoLeadingZero) {
    LogInputs s;
    s.engine.MapChannel.Value = 0.5f;
    EXPECT_EQ(fullRecordLine(s, 0).mid(18, 10), "       .50");
}

TEST(PlotRecord, DeveloperExtrasOnlyWithExtraLoggingInDeveloperMode) {
    LogInputs s = sampleState();
    s.state.LogExtra = true;
    EXPECT_EQ(plotRecordTitleLine(s, {0, 11}).size(), 8 + 16 + 13 + 30);
    EXPECT_EQ(plotRecordLine(s, {0, 11}, 2).size(), 8 + 8 + 15 + 20);
}

} // namespace
