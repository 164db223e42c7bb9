// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/TimeHistory.h"

#include "StartupRecord.h"
#include "monitor/Calibration.h"
#include "monitor/SampleSeries.h"
#include "record/EngineData.h"

#include <gtest/gtest.h>

namespace {

const QString kDegree = QString(QChar(0xB0));

TEST(PlotChannelList, ItemTextsFollowTheUserInputModes) {
    EcuSettings settings;
    settings.UserInputAnalogMode = {0, 1, 2};
    EXPECT_EQ(plotChannelItems(settings, false),
              QStringList({" Fuel Open Time (ms)", " Ignition (DBTDC)", " Tps (%)", " Rpm",
                           " Air Temp (" + kDegree + "F)", " Water Temp (" + kDegree + "F)",
                           " Battery Voltage ", " Map (psi)", " User 1 (Voltage)",
                           " Fuel Compensation (%)", " Ignition Compensation (DBTDC)"}));

    settings.UserInputAnalogMode = {3, 0, 0};
    const QStringList second = plotChannelItems(settings, true);
    ASSERT_EQ(second.size(), 12);
    EXPECT_EQ(second[8], " EGO (Voltage)");
    EXPECT_EQ(second[10], " User 3 (Voltage)");
    EXPECT_EQ(second[11], " Off ");
}

TEST(PlotChannelList, StoredChoiceBeyondTheListSelectsTheLastEntry) {
    EcuSettings settings;
    const QStringList second = plotChannelItems(settings, true);
    EXPECT_EQ(second[resolvePlotChoice(100, second.size())], " Off ");
    EXPECT_EQ(resolvePlotChoice(12, 12), 11);
    EXPECT_EQ(resolvePlotChoice(11, 12), 11);
    EXPECT_EQ(resolvePlotChoice(100, 11), 10);
    EXPECT_EQ(resolvePlotChoice(4, 11), 4);
    EXPECT_EQ(resolvePlotChoice(-3, 11), 0);
}

// The user inputs' patterns and labels follow their modes.
TEST(PlotChannelList, UserInputPatternsFollowTheirModes) {
    EcuSettings settings;
    settings.UserInputAnalogMode = {0, 3, 2};
    EXPECT_EQ(plotChannelInfo(PlotChannel::User1, settings).scalePattern, "###0.0");
    EXPECT_EQ(plotChannelInfo(PlotChannel::User2, settings).scalePattern, "###0.00");
    EXPECT_EQ(plotChannelInfo(PlotChannel::User3, settings).labelPrefix, "Ignition Compensation  ");
    EXPECT_EQ(plotChannelInfo(PlotChannel::User1, settings).labelPrefix, "User #1  ");
}

TEST(PlotPointCount, ListAndCounts) {
    const QStringList items = plotPointItems();
    EXPECT_EQ(items, QStringList({"  20 Points", " 100 Points", " 200 Points", " 400 Points",
                                  "1000 Points"}));
    const std::array<int, 5> counts{20, 100, 200, 400, 1000};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(plotPointCount(i), counts[static_cast<size_t>(i)]);
    }
    EXPECT_FALSE(plotPointCount(5));
    EXPECT_FALSE(plotPointCount(-1));
    EXPECT_EQ(resolvePlotPointIndex(3), 3);
    EXPECT_EQ(resolvePlotPointIndex(7), 1);
}

TEST(PlotLimitEntry, ValuesRoundHalvesToEven) {
    DisplaySettings display;
    const std::array<int, 2> channels{PlotChannel::Rpm, PlotChannel::Water};
    // The range itself (-100 to 20000 for rpm) is a test of the window.
    EXPECT_TRUE(applyPlotLimitEntry(display, channels, 0, "12.5"));
    EXPECT_EQ(display.PlotChannelScales[3].Min[0], 12.0f);
    EXPECT_TRUE(applyPlotLimitEntry(display, channels, 0, "13.5"));
    EXPECT_EQ(display.PlotChannelScales[3].Min[0], 14.0f);
}

TEST(PlotLimitEntry, BoxesSetMinAndMaxOfTheChannelOnTheirTrace) {
    DisplaySettings display;
    const std::array<int, 2> channels{PlotChannel::Fuel, PlotChannel::Water};
    for (int box = 0; box < 4; ++box) {
        ASSERT_TRUE(applyPlotLimitEntry(display, channels, box, QString::number(box + 1)));
    }
    const auto& fuel = display.PlotChannelScales[PlotChannel::Fuel];
    const auto& water = display.PlotChannelScales[PlotChannel::Water];
    EXPECT_EQ((std::array{fuel.Min[0], fuel.Max[0], fuel.Min[1], fuel.Max[1]}),
              (std::array{1.0f, 2.0f, 0.0f, 0.0f}));
    EXPECT_EQ((std::array{water.Min[0], water.Max[0], water.Min[1], water.Max[1]}),
              (std::array{0.0f, 0.0f, 3.0f, 4.0f}));
}

TEST(PlotLimitEntry, EmptyOrNonNumericEntryLeavesTheLimit) {
    DisplaySettings display;
    display.PlotChannelScales[0].Max[0] = 10.0f;
    const std::array<int, 2> channels{0, PlotChannel::Off};
    EXPECT_FALSE(applyPlotLimitEntry(display, channels, 1, ""));
    EXPECT_FALSE(applyPlotLimitEntry(display, channels, 1, "abc"));
    EXPECT_EQ(display.PlotChannelScales[0].Max[0], 10.0f);
    // Trace 2 is off: its boxes change nothing.
    EXPECT_FALSE(applyPlotLimitEntry(display, channels, 3, "7"));
    EXPECT_EQ(display.PlotChannelScales[PlotChannel::Off], PlotChannelScale{});
    // A leading number counts.
    EXPECT_TRUE(applyPlotLimitEntry(display, channels, 1, " 25 ms"));
    EXPECT_EQ(display.PlotChannelScales[0].Max[0], 25.0f);
}

TEST(PlotLimitEntry, LimitTextUsesTheScalePattern) {
    AppState state = startupState();
    const EcuSettings settings = startupRecord();
    state.display.PlotChannelScales[PlotChannel::Fuel].Max[0] = 10.0f;
    state.display.PlotChannelScales[PlotChannel::Water].Min[1] = 50.0f;
    const std::array<int, 2> channels{PlotChannel::Fuel, PlotChannel::Water};
    EXPECT_EQ(plotLimitText(state.display, settings, channels, 1), "10.00");
    EXPECT_EQ(plotLimitText(state.display, settings, channels, 2), "50");
    EXPECT_EQ(plotLimitText(state.display, settings, {0, PlotChannel::Off}, 2), "");
}

TEST(PlotRequests, FixedRequestsPlusOnePerTrace) {
    AppState state = startupState();
    const EcuSettings settings = startupRecord();
    EXPECT_EQ(plotSampleRequests(state, settings, {PlotChannel::Fuel, PlotChannel::Off}),
              std::vector<int>({40, 41, 37, 50, 38}));
    EXPECT_EQ(plotSampleRequests(state, settings, {PlotChannel::Ignition, PlotChannel::Air}),
              std::vector<int>({40, 41, 37, 50, 39, 44}));
    // Throttle, rpm and MAP come with the fixed requests.
    EXPECT_EQ(plotSampleRequests(state, settings, {PlotChannel::Rpm, PlotChannel::Map}),
              std::vector<int>({40, 41, 37, 50}));
    state.DeveloperMode = true;
    EXPECT_EQ(plotSampleRequests(state, settings, {PlotChannel::User1, PlotChannel::User2}),
              std::vector<int>({40, 41, 37, 50, 46, 47}));
    state.LogExtra = true;
    EXPECT_EQ(plotSampleRequests(state, settings, {PlotChannel::User3, PlotChannel::Off}),
              std::vector<int>({40, 41, 37, 50, 114, 115, 116, 119, 120, 121, 48}));
}

TEST(PlotMapping, Trace2RangeFallsOnTrace1Range) {
    const struct {
        float value, min2, max2, min1, max1, expected;
    } cases[] = {
        {50.0f, 50.0f, 200.0f, 0.0f, 10.0f, 0.0f},
        {200.0f, 50.0f, 200.0f, 0.0f, 10.0f, 10.0f},
        {125.0f, 50.0f, 200.0f, 0.0f, 10.0f, 5.0f},
        {-10.0f, -10.0f, 10.0f, 1000.0f, 5000.0f, 1000.0f},
        {250.0f, 50.0f, 200.0f, 0.0f, 10.0f, 40.0f / 3.0f},
        {7.0f, 5.0f, 5.0f, 1.0f, 15.0f, 1.0f}, // equal limits: no division by zero
    };
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(mapTrace2Value(c.value, c.min2, c.max2, c.min1, c.max1), c.expected)
            << c.value;
    }
}

// A plot run over samples of the live values an ECU would give: MAP and
// throttle 0, battery 255 (15.8 V), the water count with no sensor fitted
// (175 F), the engine turning at the crank period (1000 rpm at 2500).
class PlotRunTest : public ::testing::Test {
protected:
    AppState state = startupState();
    EcuSettings settings = startupRecord();
    EngineData engine = EngineData::withChannelLayout();
    PlotRun run{state, settings};
    uint16_t period = 2500;
    qint64 timeMs = 0;

    void SetUp() override {
        state.EcuOnline = true;
        settings.LoadControl = 1;
        settings.WaterTempSensorType = 0; // water reads 175 F
        state.display.PlotChannelScales[PlotChannel::Rpm].Min[0] = 0.0f;
        state.display.PlotChannelScales[PlotChannel::Rpm].Max[0] = 5000.0f;
        state.display.PlotChannelScales[PlotChannel::Water].Min[1] = 50.0f;
        state.display.PlotChannelScales[PlotChannel::Water].Max[1] = 200.0f;
    }

    // The next reduced sample of the run's channels, 50 ms after the last.
    PlotSample take() {
        EngineData& e = engine;
        e.PeriodChannel.RawHigh = static_cast<uint8_t>(period / 256);
        e.PeriodChannel.RawLow = static_cast<uint8_t>(period % 256);
        e.WaterChannel.RawLow = 100;
        e.BatteryChannel.RawLow = 255;
        e.EngineStatus1 = 2;
        calibrateData(settings, e);
        const PlotSample sample =
            run.take(LiveSample::fromEngineData(e, timeMs, plotSampleChannels(run.channels())));
        timeMs += 50;
        return sample;
    }
};

TEST_F(PlotRunTest, ValuesAndLabelsAreCalibratedAndFormatted) {
    run.setChannels({PlotChannel::Battery, PlotChannel::Rpm});
    const PlotSample s = take();
    EXPECT_FLOAT_EQ(s.values[0], 15.8f);
    EXPECT_FLOAT_EQ(s.values[1], 1000.0f);
    EXPECT_EQ(s.valueLabels[0], "Battery Volt 15.80");
    EXPECT_EQ(s.valueLabels[1], "Rpm 1000");
    EXPECT_EQ(s.rpmLabel, "Rpm 1000");
    ASSERT_TRUE(s.loadLabel);
    EXPECT_TRUE(s.loadLabel->startsWith(" Load "));
    EXPECT_TRUE(s.loadLabel->endsWith(" psi"));
}

TEST_F(PlotRunTest, LoadLabelFollowsLoadControl) {
    engine.TpsChannel.Value = 42.5f;
    engine.MapChannel.Value = 7.25f;
    engine.TpsChannel.RawLow = 51;
    const LiveSample sample = LiveSample::fromEngineData(engine, 0);
    settings.LoadControl = 1;
    EXPECT_EQ(plotLoadLabel(settings, sample), " Load 7.25 psi");
    settings.LoadControl = 2;
    EXPECT_EQ(plotLoadLabel(settings, sample), "42.50 %");
    settings.LoadControl = 3;
    EXPECT_EQ(plotLoadLabel(settings, sample), "Load 1.00 volt");
    settings.LoadControl = 0;
    EXPECT_FALSE(plotLoadLabel(settings, sample));
}

TEST_F(PlotRunTest, OneSegmentPerTracePerSampleWithTrace2Mapped) {
    run.setChannels({PlotChannel::Rpm, PlotChannel::Water});
    run.setPointCount(20);
    const PlotSample first = take();
    EXPECT_TRUE(first.segments.empty());
    EXPECT_FALSE(first.wrapped);
    const PlotSample second = take();
    ASSERT_EQ(second.segments.size(), 2u);
    EXPECT_EQ(second.segments[0].trace, 0);
    EXPECT_EQ(second.segments[0].from, QPointF(0, 1000));
    EXPECT_EQ(second.segments[0].to, QPointF(1, 1000));
    // Water 175 F on 50..200 is five sixths of the way up trace 1's 0..5000.
    EXPECT_EQ(second.segments[1].trace, 1);
    EXPECT_NEAR(second.segments[1].to.y(), 5000.0 * 125.0 / 150.0, 1e-3);
    EXPECT_EQ(second.segments[1].to.x(), 1.0);
    // History keeps the trace-2 value itself, not its plotted position.
    EXPECT_FLOAT_EQ(run.historyValue(1, 1), 175.0f);
}

TEST_F(PlotRunTest, DrawingWrapsWhenPassingThePointCount) {
    run.setChannels({PlotChannel::Rpm, PlotChannel::Off});
    run.setPointCount(20);
    take();
    for (int i = 1; i <= 20; ++i) {
        const PlotSample s = take();
        ASSERT_EQ(s.segments.size(), 1u);
        EXPECT_EQ(s.segments[0].to.x(), i);
        EXPECT_FALSE(s.wrapped);
    }
    period = 5000; // 500 rpm
    const PlotSample wrap = take();
    EXPECT_TRUE(wrap.wrapped);
    EXPECT_TRUE(wrap.segments.empty());
    const PlotSample next = take();
    ASSERT_EQ(next.segments.size(), 1u);
    EXPECT_EQ(next.segments[0].from, QPointF(0, 500));
    EXPECT_EQ(next.segments[0].to, QPointF(1, 500));
}

TEST_F(PlotRunTest, HistoryStopsAt5001SamplesWhileDrawingGoesOn) {
    run.setChannels({PlotChannel::Rpm, PlotChannel::Off});
    run.setPointCount(1000);
    for (int i = 0; i < 5001; ++i) {
        take();
    }
    EXPECT_EQ(run.history().size(), 5001);
    EXPECT_EQ(run.history().timeMs(5000), 250000);
    const PlotSample later = take();
    EXPECT_EQ(run.history().size(), 5001);
    EXPECT_EQ(run.history().timeMs(5000), 250000);
    EXPECT_EQ(later.segments.size(), 1u);
    EXPECT_FLOAT_EQ(run.historyValue(0, 5000), 1000.0f);
    EXPECT_FLOAT_EQ(run.historyValue(1, 5000), 0.0f); // trace 2 off
    // A new run starts an empty history at the left edge.
    run.restart();
    EXPECT_EQ(run.history().size(), 0);
    EXPECT_TRUE(take().segments.empty());
}

} // namespace
