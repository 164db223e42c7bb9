// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/StatusReport.h"
#include "RecordingInteraction.h"
#include "monitor/LiveSample.h"
#include "record/AppState.h"
#include "record/EcuSettings.h"
#include "record/EngineData.h"
#include "session/StatusSteps.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
const QString kCrlf = QStringLiteral("\r\n");

struct SentCommand {
    int command;
    bool onlineWhenSent;
};

// An online ECU of the accepted firmware whose status the reporter shows;
// the report's steps are carried out as the program does.
struct StatusRig {
    StatusRig() {
        state.EcuOnline = true;
        settings.CrankRpm = 400;
        state.identity.VersionMajor = 2;
        state.identity.VersionMinor = 51;
        state.identity.VersionText = QStringLiteral("2.051");
        state.identity.SerialNumberText = QStringLiteral("1-4-07-00042");
    }

    std::vector<StatusStep> decide() {
        reporter.takeSample(LiveSample::fromEngineData(engine, 0));
        StatusContext context;
        context.online = state.EcuOnline;
        context.logActive = logActive;
        context.edition = state.Edition;
        context.crankRpm = settings.CrankRpm;
        context.identity = &state.identity;
        return reporter.setupStatusBar(context);
    }
    void refresh() {
        StatusStepHooks hooks;
        hooks.stopLogging = [this] { logActive = false; };
        hooks.clearErrors = [this] {
            engine.EngineStatus3 = 0;
            engine.EngineStatus4 = 0;
        };
        carryOutStatusSteps(decide(), state, ui, sender, hooks);
    }

    const StatusPanel& panel(int number) const { return reporter.view().panels[number - 1]; }

    AppState state;
    EcuSettings settings;
    EngineData engine;
    RecordingInteraction ui;
    std::vector<SentCommand> sent;
    CommandSender sender = [this](int command, int, int) {
        sent.push_back({command, state.EcuOnline});
    };
    StatusReporter reporter;
    bool logActive = false;
};

class StatusReportTest : public ::testing::Test, public StatusRig {};

// Each set of problems gives one box; the ECU is told to clear warnings (53)
// or to store its settings after a memory error (36) while still online, and
// then goes offline. The report decides the order; the program carries it
// out.
TEST(StatusProblems, ShareOneBoxSendTheirClearingCommandAndGoOffline) {
    using K = StatusStep::Kind;
    const struct {
        uint8_t status1, status3, status4;
        QString text;
        std::vector<int> sent;
        std::vector<K> steps;
    } cases[] = {
        {16 + 128,
         0,
         0,
         "Communication Error! Invalid Serial Data " + kCrlf + "System Warning! Invalid ISR " +
             kCrlf + kCrlf + "Please Contact Marrowby" + kCrlf + kCrlf +
             "Click on Find ECU to clear warnings",
         {53},
         {K::Send, K::GoOffline, K::Message}},
        {32 + 16,
         0,
         0,
         "Communication Error! Invalid Serial Data " + kCrlf + "System Error! Memory Error " +
             kCrlf + "Cycle the power on the ECU and recheck ALL settings! " + kCrlf + kCrlf +
             "Please Contact Marrowby",
         {36},
         {K::Send, K::GoOffline, K::Message}},
        {64,
         0,
         0,
         "System Error! Stack Overflow " + kCrlf + kCrlf + "Please Contact Marrowby",
         {},
         {K::GoOffline, K::Message}},
        {0,
         1 + 2,
         7,
         "Invalid Check Sum" + kCrlf + "EEPROM Error" + kCrlf + kCrlf + "Please Contact Marrowby",
         {53},
         {K::Message, K::Send, K::ClearErrors, K::GoOffline}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        StatusRig rig;
        rig.engine.EngineStatus1 = c.status1;
        rig.engine.EngineStatus3 = c.status3;
        rig.engine.EngineStatus4 = c.status4;
        StatusRig decided;
        decided.engine = rig.engine;
        std::vector<K> steps;
        for (const StatusStep& step : decided.decide()) {
            steps.push_back(step.kind);
        }
        EXPECT_EQ(steps, c.steps);
        rig.refresh();
        rig.refresh(); // the same status on the next poll gives no second box

        EXPECT_EQ(rig.ui.boxes(), QStringList{"Critical|Vantrel|" + c.text});
        std::vector<int> sent;
        for (const SentCommand& command : rig.sent) {
            EXPECT_TRUE(command.onlineWhenSent);
            sent.push_back(command.command);
        }
        EXPECT_EQ(sent, c.sent);
        EXPECT_FALSE(rig.state.EcuOnline);
        EXPECT_EQ(rig.engine.EngineStatus3, 0);
        EXPECT_EQ(rig.engine.EngineStatus4, 0);
        EXPECT_EQ(rig.panel(2).text, "Offline ");
        EXPECT_EQ(rig.reporter.view().picture, StatusBarView::Picture::Offline);
    }
}

// Which firmware is told to power the ECU down to clear a warning: version
// 2 with minor number 8, 9 or 10; every other one is told to find the ECU.
TEST(WarningAdvice, EndsTheWarningBoxByFirmwareVersion) {
    const struct {
        int major, minor;
        bool powerDown;
    } cases[] = {{2, 7, false},  {2, 8, true},   {2, 9, true},  {2, 10, true},
                 {2, 11, false}, {2, 51, false}, {3, 9, false}, {1, 10, false}};
    for (const auto& c : cases) {
        StatusRig rig;
        rig.state.identity.VersionMajor = c.major;
        rig.state.identity.VersionMinor = c.minor;
        rig.engine.EngineStatus1 = 16;
        rig.refresh();
        const QString advice = c.powerDown ? QStringLiteral("Power Down ECU to clear warnings")
                                           : QStringLiteral("Click on Find ECU to clear warnings");
        EXPECT_EQ(rig.ui.texts(),
                  QStringList{"Communication Error! Invalid Serial Data " + kCrlf + kCrlf +
                              "Please Contact Marrowby" + kCrlf + kCrlf + advice})
            << c.major << "." << c.minor;
    }
}

TEST_F(StatusReportTest, EngineStatePanel) {
    engine.EngineStatus1 = 2;
    engine.RpmChannel.Value = 400; // exactly the cranking speed
    refresh();
    EXPECT_EQ(panel(3).text, "Running  ");
    EXPECT_TRUE(panel(3).enabled);
    EXPECT_TRUE(reporter.running());

    engine.RpmChannel.Value = 350;
    refresh();
    EXPECT_EQ(panel(3).text, "Cranking ");

    engine.EngineStatus1 = 0;
    refresh();
    EXPECT_EQ(panel(3).text, "");
    EXPECT_FALSE(panel(3).enabled);
}

TEST_F(StatusReportTest, OnlinePanelsShowVersionOutputsAndInputs) {
    engine.EngineStatus1 = 2 + 4;
    engine.EngineStatus2 = 1 + 8 + 32;
    refresh();

    EXPECT_EQ(panel(2).text, "Online ");
    EXPECT_EQ(reporter.view().picture, StatusBarView::Picture::Online);
    EXPECT_TRUE(panel(4).enabled);
    EXPECT_TRUE(panel(6).enabled);
    EXPECT_FALSE(panel(7).enabled);
    EXPECT_FALSE(panel(8).enabled);
    EXPECT_TRUE(panel(9).enabled);
    EXPECT_FALSE(panel(11).enabled);
    EXPECT_TRUE(panel(12).enabled);
    EXPECT_EQ(panel(15).text, "ECU Version: 2.051   Serial#: 1-4-07-00042 ");
    EXPECT_TRUE(panel(15).visible);
    EXPECT_FALSE(panel(16).visible);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(StatusReportTest, CrankPickupErrorReplacesVersionPanel) {
    engine.EngineStatus1 = 8;
    refresh();
    EXPECT_FALSE(panel(15).visible);
    EXPECT_TRUE(panel(16).visible);
    EXPECT_EQ(panel(16).text, " Crank Pickup Error ");

    engine.EngineStatus1 = 0;
    refresh();
    EXPECT_TRUE(panel(15).visible);
    EXPECT_FALSE(panel(16).visible);
    EXPECT_EQ(panel(16).text, "");
}

TEST_F(StatusReportTest, GoingOfflineWhileLoggingSwitchesLoggingOff) {
    logActive = true;
    reporter.showLogging(true);
    refresh();
    EXPECT_EQ(panel(14).text, "Logging Data ");
    EXPECT_TRUE(panel(14).enabled);

    state.EcuOnline = false;
    refresh();
    EXPECT_FALSE(logActive);
    EXPECT_EQ(panel(14).text, "Log Data");
    EXPECT_FALSE(panel(14).enabled);
    EXPECT_EQ(panel(2).text, "Offline ");
    EXPECT_EQ(panel(3).text, "");
    EXPECT_EQ(panel(15).text, "");
}

TEST_F(StatusReportTest, FirstRefreshWhileOfflineDoesNotClaimOnline) {
    state.EcuOnline = false;
    EXPECT_EQ(panel(2).text, "OnLine ");
    refresh();
    EXPECT_EQ(panel(2).text, "Offline ");
    EXPECT_EQ(reporter.view().picture, StatusBarView::Picture::Offline);
}

TEST_F(StatusReportTest, SecondEditionHidesOutputAndInputPanels) {
    state.Edition = Edition::Gullwick;
    refresh();
    for (int n = 5; n <= 13; ++n) {
        EXPECT_FALSE(panel(n).visible) << n;
    }
    EXPECT_TRUE(panel(4).visible);
    EXPECT_TRUE(panel(14).visible);
}

} // namespace
