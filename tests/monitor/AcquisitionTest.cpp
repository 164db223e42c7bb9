// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/Acquisition.h"

#include "RecordingInteraction.h"
#include "ScriptedLink.h"
#include "comm/EcuLine.h"
#include "monitor/TimeHistory.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A message box shown from inside an exchange runs its own event loop; this
// one runs a poll tick there, as the poll timer would.
class TickingInteraction : public RecordingInteraction {
public:
    Answer message(const QString& text, Icon icon, Buttons buttons, const QString& title) override {
        if (onMessage) {
            onMessage();
        }
        return RecordingInteraction::message(text, icon, buttons, title);
    }
    std::function<void()> onMessage;
};

class AcquisitionTest : public ::testing::Test {
protected:
    AcquisitionTest() {
        state.EcuOnline = true;
        // Every read answered with 0: online, nothing turning.
        link.responder = [](const std::vector<int>&) { return 0; };
        QObject::connect(&acquisition, &LiveFeed::sampled,
                         [this](const LiveSample& sample) { samples.push_back(sample); });
        QObject::connect(&acquisition, &LiveFeed::plotSampled,
                         [this](const LiveSample& sample) { plotSamples.push_back(sample); });
        QObject::connect(&acquisition, &LiveFeed::sampleRead, [this](const LiveSample& sample) {
            readTimes.push_back(sample.timeMs());
        });
    }

    AppState state;
    SettingsStore store;
    ScriptedLink link;
    TickingInteraction ui;
    EcuLine line{state, store, link, ui};
    qint64 nowMs = 1000;
    Acquisition acquisition{state, line, [this] { return nowMs; }};
    std::vector<LiveSample> samples;
    std::vector<LiveSample> plotSamples;
    // The times of the samples read afresh.
    std::vector<qint64> readTimes;
};

const std::vector<int> kLiveReads{49, 50, 51, 52, 37, 40, 44, 43, 45, 41, 38, 39, 46, 47, 48};

TEST_F(AcquisitionTest, ReadsTheFifteenLiveValuesInOrderAndHandsOutOneSampleOfThem) {
    line.liveValues().WaterChannel.Value = 99.0f; // converted again from the count read
    EXPECT_TRUE(acquisition.tick());
    EXPECT_EQ(link.commands(), kLiveReads);
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].timeMs(), 1000);
    EXPECT_EQ(samples[0].channels(), LiveSample::allChannels());
    EXPECT_EQ(samples[0].value(LiveChannel::Water), 175.0f); // no sensor fitted
    EXPECT_EQ(acquisition.latest().timeMs(), 1000);
    EXPECT_EQ(readTimes, std::vector<qint64>{1000});
}

TEST_F(AcquisitionTest, DeveloperReadsOnlyWhileAWindowAsksInDeveloperMode) {
    state.DeveloperMode = true;
    auto* window = new QObject;
    acquisition.requestDeveloperReads(window);
    acquisition.tick();
    std::vector<int> expected = kLiveReads;
    expected.insert(expected.end(), {114, 115, 116, 119, 120, 121});
    EXPECT_EQ(link.commands(), expected);

    delete window; // closing the window ends its request
    link.events.clear();
    acquisition.tick();
    EXPECT_EQ(link.commands(), kLiveReads);
}

TEST_F(AcquisitionTest, OfflineTickSendsNothingButHandsOutTheValuesLastRead) {
    state.EcuOnline = false;
    line.liveValues().RpmChannel.Value = 1234;
    bool read = true;
    QObject::connect(&acquisition, &Acquisition::polled,
                     [&](const LiveSample&, bool fresh) { read = fresh; });
    EXPECT_TRUE(acquisition.tick());
    EXPECT_TRUE(link.written.empty());
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].value(LiveChannel::Rpm), 1234);
    EXPECT_FALSE(read);
    EXPECT_TRUE(readTimes.empty()); // not a reading of the running engine
}

// An edit holds the poll: its ticks do nothing at all, the indicator
// included, until the editor that holds it lets go or is destroyed.
TEST_F(AcquisitionTest, AHeldPollSkipsWholeTicksUntilEveryEditorLetsGo) {
    acquisition.tick();
    const int frame = acquisition.indicator().frame();
    link.written.clear();
    QObject editor;
    auto* closed = new QObject;
    acquisition.holdPoll(&editor);
    acquisition.holdPoll(closed);
    acquisition.holdPoll(&editor); // a second edit of the same editor

    EXPECT_FALSE(acquisition.tick());
    acquisition.releasePoll(&editor);
    EXPECT_FALSE(acquisition.tick()); // the other editor still edits
    EXPECT_TRUE(link.written.empty());
    EXPECT_EQ(samples.size(), 1u);
    EXPECT_EQ(acquisition.indicator().frame(), frame);

    delete closed; // destroyed mid-edit
    EXPECT_TRUE(acquisition.tick());
    EXPECT_EQ(samples.size(), 2u);
}

TEST_F(AcquisitionTest, TickFromAMessageBoxInsideAnExchangeSendsNothing) {
    bool nestedTickRan = true;
    ui.onMessage = [&] { nestedTickRan = acquisition.tick() || acquisition.plotTick(); };
    link.responder = {};
    link.reply({0});
    acquisition.startPlot({PlotChannel::Rpm, PlotChannel::Off});

    line.command(5); // not a command of the table: sent, answered, then refused

    ASSERT_EQ(ui.texts(), QStringList{"Command 5 Not Supported"});
    EXPECT_FALSE(nestedTickRan);
    EXPECT_EQ(link.written, std::vector<int>{5});
    EXPECT_FALSE(line.busy());
}

TEST_F(AcquisitionTest, TickFromADialogOfATickIsDroppedAndTheNextTickWaitsAWholeInterval) {
    // A tick whose log file dialog stays up for several intervals: the ticks
    // that fall due meanwhile are dropped, and the next one comes a whole
    // interval after the dialog, not at once.
    constexpr int kInterval = 20;
    acquisition.setInterval(kInterval);
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> ticks;
    qint64 dialogClosed = 0;
    QObject::connect(&acquisition, &LiveFeed::sampled, [&] {
        ticks.push_back(clock.elapsed());
        if (ticks.size() == 1) {
            QEventLoop dialog;
            QTimer::singleShot(4 * kInterval, &dialog, &QEventLoop::quit);
            dialog.exec();
            dialogClosed = clock.elapsed();
        }
    });
    acquisition.start();
    QEventLoop wait;
    QTimer::singleShot(8 * kInterval, &wait, &QEventLoop::quit);
    wait.exec();
    acquisition.stop();

    ASSERT_GE(ticks.size(), 2u);
    EXPECT_GE(ticks[1] - dialogClosed, kInterval - 2);
}

// The time history's rate: its window's opening and closing tell the ECU,
// and each tick of the running plot sends the fixed requests and one per
// trace, and hands out a sample of just the channels read.
TEST_F(AcquisitionTest, ThePlotReadsItsReducedSetAndSamplesTheChannelsRead) {
    acquisition.openPlot();
    EXPECT_EQ(link.commands(), std::vector<int>{9});
    EXPECT_FALSE(acquisition.plotTick()); // not running

    const struct {
        std::array<int, 2> channels;
        std::vector<int> sent;
        std::vector<LiveChannel> read;
    } cases[] = {
        {{PlotChannel::Battery, PlotChannel::Water},
         {40, 41, 37, 50, 45, 43},
         {LiveChannel::Rpm, LiveChannel::Map, LiveChannel::Tps, LiveChannel::Water,
          LiveChannel::Battery}},
        {{PlotChannel::Battery, PlotChannel::Off},
         {40, 41, 37, 50, 45},
         {LiveChannel::Rpm, LiveChannel::Map, LiveChannel::Tps, LiveChannel::Battery}},
        {{PlotChannel::Fuel, PlotChannel::User3},
         {40, 41, 37, 50, 38, 48},
         {LiveChannel::Rpm, LiveChannel::Map, LiveChannel::Tps, LiveChannel::Fuel,
          LiveChannel::User3}},
    };
    for (const auto& c : cases) {
        link.events.clear();
        plotSamples.clear();
        acquisition.startPlot(c.channels);
        nowMs += 50;
        EXPECT_TRUE(acquisition.plotTick());
        EXPECT_EQ(link.commands(), c.sent);
        ASSERT_EQ(plotSamples.size(), 1u);
        EXPECT_EQ(plotSamples[0].timeMs(), nowMs);
        LiveChannelSet read;
        for (const LiveChannel channel : c.read) {
            read.set(static_cast<size_t>(channel));
        }
        EXPECT_EQ(plotSamples[0].channels(), read);
        acquisition.stopPlot();
    }
    EXPECT_TRUE(samples.empty()); // the poll's samples are apart

    link.events.clear();
    acquisition.closePlot();
    EXPECT_EQ(link.commands(), std::vector<int>{34});
}

TEST_F(AcquisitionTest, AnOfflineEcuStopsThePlotAtItsNextTick) {
    std::vector<bool> running;
    int stops = 0;
    QObject::connect(&acquisition, &Acquisition::plotRunningChanged,
                     [&](bool on) { running.push_back(on); });
    QObject::connect(&acquisition, &LiveFeed::plotStopped, [&] { ++stops; });
    acquisition.startPlot({PlotChannel::Rpm, PlotChannel::Off});
    state.EcuOnline = false;
    EXPECT_FALSE(acquisition.plotTick());
    EXPECT_TRUE(link.written.empty());
    EXPECT_FALSE(acquisition.plotRunning());
    EXPECT_EQ(running, (std::vector<bool>{true, false}));
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(acquisition.plotTick());
}

TEST(OnlineIndicatorTest, CyclesSevenToThreeAndHidesWhenOffline) {
    OnlineIndicator indicator;
    std::vector<int> frames;
    for (int i = 0; i < 6; ++i) {
        indicator.advance(true);
        EXPECT_TRUE(indicator.visible());
        frames.push_back(indicator.frame());
    }
    EXPECT_EQ(frames, (std::vector<int>{7, 6, 5, 4, 3, 7}));

    indicator.advance(false);
    EXPECT_FALSE(indicator.visible());

    indicator.advance(true);
    EXPECT_TRUE(indicator.visible());
    EXPECT_EQ(indicator.frame(), 7);
}

} // namespace
