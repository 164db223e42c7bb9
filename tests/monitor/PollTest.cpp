#include "monitor/Poller.h"

#include "RecordingInteraction.h"
#include "ScriptedLink.h"
#include "comm/EcuLine.h"
#include "record/AppState.h"

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

class PollTest : public ::testing::Test {
protected:
    PollTest() {
        state.EcuOnline = true;
        // Every read answered with 0: online, nothing turning.
        link.responder = [](const std::vector<int>&) { return 0; };
        QObject::connect(&poller, &Poller::dataReceived, [this] { ++announced; });
    }

    AppState state;
    ScriptedLink link;
    TickingInteraction ui;
    EcuLine line{state, link, ui};
    Poller poller{state, line};
    int announced = 0;
};

const std::vector<int> kLiveReads{49, 50, 51, 52, 37, 40, 44, 43, 45, 41, 38, 39, 46, 47, 48};

TEST_F(PollTest, ReadsTheFifteenLiveValuesInOrderAndAnnouncesThemOnce) {
    EXPECT_TRUE(poller.tick());
    EXPECT_EQ(link.commands(), kLiveReads);
    EXPECT_EQ(announced, 1);
}

TEST_F(PollTest, DeveloperReadsOnlyWhileAWindowAsksInDeveloperMode) {
    state.DeveloperMode = true;
    auto* window = new QObject;
    poller.requestDeveloperReads(window);
    poller.tick();
    std::vector<int> expected = kLiveReads;
    expected.insert(expected.end(), {114, 115, 116, 119, 120, 121});
    EXPECT_EQ(link.commands(), expected);

    delete window; // closing the window ends its request
    link.events.clear();
    poller.tick();
    EXPECT_EQ(link.commands(), kLiveReads);
}

TEST_F(PollTest, OfflineTickSendsNothingButStillAnnounces) {
    state.EcuOnline = false;
    state.engine.RpmChannel.Value = 1234;
    EXPECT_TRUE(poller.tick());
    EXPECT_TRUE(link.written.empty());
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(state.engine.RpmChannel.Value, 1234);
}

TEST_F(PollTest, EditingCellSkipsTheWholeTickIndicatorIncluded) {
    poller.tick();
    const int frame = poller.indicator().frame();
    state.EditingCell = true;
    link.written.clear();
    EXPECT_FALSE(poller.tick());
    EXPECT_TRUE(link.written.empty());
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(poller.indicator().frame(), frame);
}

TEST_F(PollTest, TickFromAMessageBoxInsideAnExchangeSendsNothing) {
    bool nestedTickRan = true;
    ui.onMessage = [&] { nestedTickRan = poller.tick(); };
    link.responder = {};
    link.reply({0});

    line.command(5); // not a command of the table: sent, answered, then refused

    ASSERT_EQ(ui.texts(), QStringList{"Command 5 Not Supported"});
    EXPECT_FALSE(nestedTickRan);
    EXPECT_EQ(link.written, std::vector<int>{5});
    EXPECT_FALSE(line.busy());
}

TEST_F(PollTest, TickFromADialogOfATickIsDroppedAndTheNextTickWaitsAWholeInterval) {
    // A tick whose log file dialog stays up for several intervals: the ticks
    // that fall due meanwhile are dropped, and the next one comes a whole
    // interval after the dialog, not at once.
    constexpr int kInterval = 20;
    poller.setInterval(kInterval);
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> ticks;
    qint64 dialogClosed = 0;
    QObject::connect(&poller, &Poller::dataReceived, [&] {
        ticks.push_back(clock.elapsed());
        if (ticks.size() == 1) {
            QEventLoop dialog;
            QTimer::singleShot(4 * kInterval, &dialog, &QEventLoop::quit);
            dialog.exec();
            dialogClosed = clock.elapsed();
        }
    });
    poller.start();
    QEventLoop wait;
    QTimer::singleShot(8 * kInterval, &wait, &QEventLoop::quit);
    wait.exec();
    poller.stop();

    ASSERT_GE(ticks.size(), 2u);
    EXPECT_GE(ticks[1] - dialogClosed, kInterval - 2);
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
