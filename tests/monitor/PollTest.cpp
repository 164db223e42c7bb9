#include "monitor/Poll.h"

#include "RecordingInteraction.h"
#include "comm/EcuProtocol.h"
#include "record/AppState.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {
class PollTest : public ::testing::Test {
protected:
    void SetUp() override { state.EcuOnline = true; }

    bool tick() { return runPollTick(state, sender, views, indicator); }

    AppState state;
    std::vector<int> sent;
    CommandSender sender = [this](int command, int, int) { sent.push_back(command); };
    PollViews views;
    OnlineIndicator indicator;
};

TEST_F(PollTest, ReadsTheFifteenLiveValuesInOrder) {
    tick();
    const std::vector<int> expected{49, 50, 51, 52, 37, 40, 44, 43, 45, 41, 38, 39, 46, 47, 48};
    EXPECT_EQ(sent, expected);
}

TEST_F(PollTest, DeveloperReadsOnlyWithDiagnosticsOrExtraOpen) {
    state.DeveloperMode = true;
    tick();
    EXPECT_EQ(sent.size(), 15u);

    sent.clear();
    views.extraOpen = true;
    tick();
    ASSERT_EQ(sent.size(), 21u);
    EXPECT_EQ(std::vector<int>(sent.begin() + 15, sent.end()),
              (std::vector<int>{114, 115, 116, 119, 120, 121}));

    sent.clear();
    state.DeveloperMode = false;
    tick();
    EXPECT_EQ(sent.size(), 15u);
}

TEST_F(PollTest, OfflineTickSendsNothingButRefreshesViews) {
    state.EcuOnline = false;
    int statusRefreshes = 0;
    int dataRefreshes = 0;
    views.dataWindowOpen = true;
    views.refreshStatusBar = [&] { ++statusRefreshes; };
    views.updateDataWindow = [&] { ++dataRefreshes; };
    state.engine.RpmChannel.Value = 1234;
    EXPECT_TRUE(tick());
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(statusRefreshes, 0);
    EXPECT_EQ(dataRefreshes, 1);
    EXPECT_EQ(state.engine.RpmChannel.Value, 1234);
}

TEST_F(PollTest, EditingCellSkipsTheWholeTickIndicatorIncluded) {
    tick();
    const int frame = indicator.frame();
    state.EditingCell = true;
    int refreshes = 0;
    views.dataWindowOpen = true;
    views.updateDataWindow = [&] { ++refreshes; };
    sent.clear();
    EXPECT_FALSE(tick());
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(refreshes, 0);
    EXPECT_EQ(indicator.frame(), frame);
}

TEST_F(PollTest, ConvertsAndRefreshesAfterTheReads) {
    std::vector<std::string> order;
    views.dataWindowOpen = true;
    views.refreshStatusBar = [&] {
        order.push_back("status");
        EXPECT_EQ(sent.size(), 15u);
    };
    views.writeLogLine = [&] { order.push_back("log"); };
    views.updateDataWindow = [&] { order.push_back("data"); };
    state.LogActive = true;
    state.engine.EngineStatus1 = 0; // engine not turning
    tick();
    EXPECT_EQ(order, (std::vector<std::string>{"status", "log", "data"}));
    EXPECT_EQ(state.engine.RpmChannel.Value, 0.0f);
}

TEST_F(PollTest, NoFullRecordWhileThePlotRuns) {
    int lines = 0;
    views.writeLogLine = [&] { ++lines; };
    state.LogActive = true;
    state.PlotRunning = true;
    tick();
    EXPECT_EQ(lines, 0);
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

// A message box shown from inside an exchange runs its own event loop, in
// which the poll timer keeps ticking. Such a tick must not start an exchange
// of its own between the bytes of the one that is waiting.
namespace {
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
} // namespace

TEST(PollDuringAnExchange, NestedTickFromAMessageBoxSendsNothing) {
    AppState state;
    state.settings = EcuSettings::withDefaults();
    state.EcuOnline = true;
    SimulatedEcu ecu;
    SimulatedLink link(&ecu);
    ASSERT_TRUE(link.open(nullptr));
    TickingInteraction ui;
    EcuProtocol protocol(state, link, ui);
    PollViews views;
    OnlineIndicator indicator;
    bool nestedTickRan = true;
    ui.onMessage = [&] {
        nestedTickRan = runPollTick(state, protocol.commandSender(), views, indicator);
    };

    protocol.getEcuData(5); // not a command of the table: sent, answered, then refused

    ASSERT_EQ(ui.texts(), QStringList{"Command 5 Not Supported"});
    EXPECT_FALSE(nestedTickRan);
    EXPECT_EQ(link.written(), QByteArray(1, char(5)));
    EXPECT_FALSE(state.ExchangeInProgress);

    link.clearWritten();
    EXPECT_TRUE(runPollTick(state, protocol.commandSender(), views, indicator));
    EXPECT_FALSE(link.written().isEmpty());
}
