#include "monitor/LogFormat.h"

#include "record/AppState.h"

#include <gtest/gtest.h>

namespace {

const QChar kDegree(0xB0);

AppState sampleState() {
    AppState s;
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

TEST(FullRecord, TitleLine) {
    EXPECT_EQ(fullRecordTitleLine(), "    Time"
                                     "       Rpm"
                                     "       Map"
                                     "       TPS"
                                     "       Air"
                                     "     Water"
                                     "   Battery"
                                     "      Duty"
                                     "      Fuel"
                                     "  Ignition"
                                     "    User 1"
                                     "    User 2"
                                     "    User 3"
                                     "    Status");
}

TEST(FullRecord, RecordLineWidthsAndPatterns) {
    const AppState s = sampleState();
    EXPECT_EQ(fullRecordLine(s, 0.25), "   0.250"
                                       "      2350"
                                       "     14.70"
                                       "        58"
                                       "        75"
                                       "       180"
                                       "      13.8"
                                       "      45.3"
                                       "      3.46"
                                       "      28.5"
                                       "       2.3"
                                       "     100.0"
                                       "     -12.6"
                                       "         6");
}

TEST(FullRecord, SmallMapHasNoLeadingZero) {
    AppState s;
    s.engine.MapChannel.Value = 0.5f;
    EXPECT_EQ(fullRecordLine(s, 0).mid(18, 10), "       .50");
}

// The time once stopped the log at 10000 s because it no longer fitted in 8
// columns; it now widens the line instead.
TEST(FullRecord, TimeBeyondTenThousandSecondsIsWrittenInFull) {
    const QString line = fullRecordLine(sampleState(), 12345.678);
    EXPECT_TRUE(line.startsWith("12345.678      2350")) << line.toStdString();
    EXPECT_EQ(line.size(), 9 + 13 * 10);
}

TEST(PlotRecord, TitleLineWithOneChannel) {
    const AppState s = sampleState();
    EXPECT_EQ(plotRecordTitleLine(s, {0, 11}), "    Time"
                                               "     Rpm        "
                                               "Map (psi)    "
                                               " Fuel (ms)                    ");
}

TEST(PlotRecord, TitleLineByLoadControlAndUserInputMode) {
    AppState s = sampleState();
    s.settings.LoadControl = 2;
    EXPECT_EQ(plotRecordTitleLine(s, {8, 5}), QStringLiteral("    Time"
                                                             "     Rpm        "
                                                             "TPS (%)      "
                                                             " User 1                       "
                                                             " Water Temp (") +
                                                  kDegree + "F)");
    s.settings.LoadControl = 3;
    EXPECT_EQ(plotRecordTitleLine(s, {9, 10}), "    Time"
                                               "     Rpm        "
                                               "Load (volt)  "
                                               " Fuel Compensation (%)        "
                                               " Ignition Compensation (DBTDC)");
    s.settings.UserInputAnalogMode = {3, 0, 1};
    EXPECT_EQ(plotRecordTitleLine(s, {8, 10}), "    Time"
                                               "     Rpm        "
                                               "Load (volt)  "
                                               " EGO (volt)                   "
                                               " Fuel Compesnation (%)        ");
    EXPECT_EQ(plotRecordTitleLine(s, {4, 6}), QStringLiteral("    Time"
                                                             "     Rpm        "
                                                             "Load (volt)  "
                                                             " Air Temp (") +
                                                  kDegree +
                                                  "F)  "
                                                  " Battery Volt                  ");
    // Rpm, throttle and MAP add an empty title.
    EXPECT_EQ(plotRecordTitleLine(s, {3, 7}), "    Time"
                                              "     Rpm        "
                                              "Load (volt)  ");
    EXPECT_EQ(plotRecordTitleLine(s, {1, 2}), "    Time"
                                              "     Rpm        "
                                              "Load (volt)  "
                                              " Ignition                     ");
}

TEST(PlotRecord, RecordLineWidthsAndPatterns) {
    AppState s = sampleState();
    EXPECT_EQ(plotRecordLine(s, {0, 11}, 1.5), "   1.500"
                                               "    2350"
                                               "           14.7"
                                               "                3.46");
    s.settings.LoadControl = 2;
    EXPECT_EQ(plotRecordLine(s, {8, 5}, 0.05), "   0.050"
                                               "    2350"
                                               "           57.5"
                                               "                2.35"
                                               "                 180");
    // User 2 in mode 1, user 3 in mode 2; rpm, throttle and MAP give blanks.
    EXPECT_EQ(plotRecordLine(s, {9, 10}, 0), "   0.000"
                                             "    2350"
                                             "           57.5"
                                             "               100.0"
                                             "                 -13");
    EXPECT_EQ(plotRecordLine(s, {3, 1}, 0), "   0.000"
                                            "    2350"
                                            "           57.5"
                                            "                    "
                                            "                28.5");
    s.settings.UserInputAnalogMode = {1, 0, 3};
    s.engine.UserChannel[2].Value = 0.98f;
    EXPECT_EQ(plotRecordLine(s, {8, 10}, 0), "   0.000"
                                             "    2350"
                                             "           57.5"
                                             "                 2.3"
                                             "                 1.0");
    s.settings.UserInputAnalogMode = {2, 0, 0};
    EXPECT_EQ(plotRecordLine(s, {9, 8}, 0), "   0.000"
                                            "    2350"
                                            "           57.5"
                                            "               100.0"
                                            "                   2");
    EXPECT_EQ(plotRecordLine(s, {4, 6}, 0), "   0.000"
                                            "    2350"
                                            "           57.5"
                                            "                  75"
                                            "                13.8");
}

TEST(PlotRecord, DeveloperExtrasOnlyWithExtraLoggingInDeveloperMode) {
    AppState s = sampleState();
    s.LogExtra = true;
    EXPECT_EQ(plotRecordTitleLine(s, {0, 11}).size(), 8 + 16 + 13 + 30);
    s.DeveloperMode = true;
    EXPECT_EQ(plotRecordTitleLine(s, {0, 11}), "    Time"
                                               "     Rpm        "
                                               "Map (psi)    "
                                               " Fuel (ms)                    "
                                               "UC_Extra(0)         "
                                               "UC_Extra(1)         "
                                               "UC_Extra(2)         "
                                               "UC_Extra(3)         "
                                               "UC_Extra(4)         "
                                               "UI_Extra(0)         "
                                               "UI_Extra(1)         "
                                               "UI_Extra(2)         "
                                               "UI_Extra(3)         "
                                               "UI_Extra(4)         ");
    EXPECT_EQ(plotRecordLine(s, {0, 11}, 2), "   2.000"
                                             "    2350"
                                             "           14.7"
                                             "                3.46"
                                             "                   1"
                                             "                  22"
                                             "                   0"
                                             "                 140"
                                             "                 255"
                                             "                   0"
                                             "                 100"
                                             "               65535"
                                             "                   7"
                                             "               12345");
}

} // namespace
