#include "monitor/StatusReport.h"
#include "RecordingInteraction.h"
#include "record/AppState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
const QString kCrlf = QStringLiteral("\r\n");

struct SentCommand {
    int command;
    bool onlineWhenSent;
};

class StatusReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        state.EcuOnline = true;
        state.settings.CrankRpm = 400;
        state.identity.VersionMajor = 2;
        state.identity.VersionMinor = 51;
        state.identity.VersionText = QStringLiteral("2.051");
        state.identity.SerialNumberText = QStringLiteral("1-4-07-00042");
    }

    void refresh() { reporter.setupStatusBar(state, ui, sender); }

    const StatusPanel& panel(int number) const { return reporter.view().panels[number - 1]; }

    AppState state;
    RecordingInteraction ui;
    std::vector<SentCommand> sent;
    CommandSender sender = [this](int command, int, int) {
        sent.push_back({command, state.EcuOnline});
    };
    StatusReporter reporter;
};

TEST_F(StatusReportTest, CommunicationAndIsrWarningsShareOneBoxWithAdvice) {
    state.engine.EngineStatus1 = 16 + 128;
    refresh();

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Communication Error! Invalid Serial Data " + kCrlf +
                                       "System Warning! Invalid ISR " + kCrlf + kCrlf +
                                       "Please Contact Marrowby" + kCrlf + kCrlf +
                                       "Click on Find ECU to clear warnings");
    EXPECT_EQ(ui.messages[0].icon, UserInteraction::Icon::Critical);
    EXPECT_EQ(ui.messages[0].title, "Vantrel");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, 53);
    EXPECT_TRUE(sent[0].onlineWhenSent);
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(panel(2).text, "Offline ");
    EXPECT_EQ(reporter.view().picture, StatusBarView::Picture::Offline);
}

// Which firmware is told to power the ECU down to clear a warning: version
// 2 with minor number 8, 9 or 10; every other one is told to find the ECU.
struct AdviceCase {
    int major;
    int minor;
    bool powerDown;
};

class WarningAdviceTest : public StatusReportTest,
                          public ::testing::WithParamInterface<AdviceCase> {};

TEST_P(WarningAdviceTest, EndsTheWarningBox) {
    state.identity.VersionMajor = GetParam().major;
    state.identity.VersionMinor = GetParam().minor;
    state.engine.EngineStatus1 = 16;
    refresh();
    ASSERT_EQ(ui.messages.size(), 1u);
    const QString advice = GetParam().powerDown
                               ? QStringLiteral("Power Down ECU to clear warnings")
                               : QStringLiteral("Click on Find ECU to clear warnings");
    EXPECT_TRUE(ui.messages[0].text.endsWith("Please Contact Marrowby" + kCrlf + kCrlf + advice))
        << ui.messages[0].text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(FirmwareVersions, WarningAdviceTest,
                         ::testing::Values(AdviceCase{2, 7, false}, AdviceCase{2, 8, true},
                                           AdviceCase{2, 9, true}, AdviceCase{2, 10, true},
                                           AdviceCase{2, 11, false}, AdviceCase{2, 51, false},
                                           AdviceCase{3, 9, false}, AdviceCase{1, 10, false}),
                         [](const ::testing::TestParamInfo<AdviceCase>& info) {
                             return "Version" + std::to_string(info.param.major) + "_" +
                                    std::to_string(info.param.minor);
                         });

TEST_F(StatusReportTest, MemoryErrorWithWarningIsAnErrorWithoutAdviceOrClearCommand) {
    state.engine.EngineStatus1 = 32 + 16;
    refresh();

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Communication Error! Invalid Serial Data " + kCrlf +
                                       "System Error! Memory Error " + kCrlf +
                                       "Cycle the power on the ECU and recheck ALL settings! " +
                                       kCrlf + kCrlf + "Please Contact Marrowby");
    EXPECT_EQ(ui.messages[0].icon, UserInteraction::Icon::Critical);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, 36);
    EXPECT_TRUE(sent[0].onlineWhenSent);
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(panel(2).text, "Offline ");
}

TEST_F(StatusReportTest, StackOverflowIsAnErrorWithoutStore) {
    state.engine.EngineStatus1 = 64;
    refresh();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "System Error! Stack Overflow " + kCrlf + kCrlf + "Please Contact Marrowby");
    EXPECT_TRUE(sent.empty());
    EXPECT_FALSE(state.EcuOnline);
}

TEST_F(StatusReportTest, SameStatusOnConsecutivePollsGivesNoSecondBox) {
    state.engine.EngineStatus1 = 128;
    refresh();
    ASSERT_EQ(ui.messages.size(), 1u);
    // The poll does no exchange while offline, so the byte stays as it was.
    refresh();
    refresh();
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(sent.size(), 1u);
}

TEST_F(StatusReportTest, ChecksumAndEepromErrorsReportedOnceAndCleared) {
    state.engine.EngineStatus3 = 1 + 2;
    state.engine.EngineStatus4 = 7;
    refresh();

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Invalid Check Sum" + kCrlf + "EEPROM Error" + kCrlf + kCrlf +
                                       "Please Contact Marrowby");
    EXPECT_EQ(ui.messages[0].icon, UserInteraction::Icon::Critical);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, 53);
    EXPECT_TRUE(sent[0].onlineWhenSent);
    EXPECT_EQ(state.engine.EngineStatus3, 0);
    EXPECT_EQ(state.engine.EngineStatus4, 0);
    EXPECT_FALSE(state.EcuOnline);

    refresh();
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(panel(2).text, "Offline ");
}

TEST_F(StatusReportTest, EngineStatePanel) {
    state.engine.EngineStatus1 = 2;
    state.engine.RpmChannel.Value = 400; // exactly the cranking speed
    refresh();
    EXPECT_EQ(panel(3).text, "Running  ");
    EXPECT_TRUE(panel(3).enabled);
    EXPECT_TRUE(reporter.running());

    state.engine.RpmChannel.Value = 350;
    refresh();
    EXPECT_EQ(panel(3).text, "Cranking ");

    state.engine.EngineStatus1 = 0;
    refresh();
    EXPECT_EQ(panel(3).text, "");
    EXPECT_FALSE(panel(3).enabled);
}

TEST_F(StatusReportTest, OnlinePanelsShowVersionOutputsAndInputs) {
    state.engine.EngineStatus1 = 2 + 4;
    state.engine.EngineStatus2 = 1 + 8 + 32;
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
    state.engine.EngineStatus1 = 8;
    refresh();
    EXPECT_FALSE(panel(15).visible);
    EXPECT_TRUE(panel(16).visible);
    EXPECT_EQ(panel(16).text, " Crank Pickup Error ");

    state.engine.EngineStatus1 = 0;
    refresh();
    EXPECT_TRUE(panel(15).visible);
    EXPECT_FALSE(panel(16).visible);
    EXPECT_EQ(panel(16).text, "");
}

TEST_F(StatusReportTest, GoingOfflineWhileLoggingSwitchesLoggingOff) {
    state.LogActive = true;
    reporter.showLogging(true);
    refresh();
    EXPECT_EQ(panel(14).text, "Logging Data ");
    EXPECT_TRUE(panel(14).enabled);

    state.EcuOnline = false;
    refresh();
    EXPECT_FALSE(state.LogActive);
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
    state.Edition = 2;
    refresh();
    for (int n = 5; n <= 13; ++n) {
        EXPECT_FALSE(panel(n).visible) << n;
    }
    EXPECT_TRUE(panel(4).visible);
    EXPECT_TRUE(panel(14).visible);
}

TEST_F(StatusReportTest, LostExchangeInsideReportDoesNotReportTwice) {
    state.engine.EngineStatus1 = 32;
    // The store command finds no ECU: the protocol takes it offline and
    // refreshes the status bar from inside the report.
    sender = [this](int command, int, int) {
        sent.push_back({command, state.EcuOnline});
        state.EcuOnline = false;
        reporter.setupStatusBar(state, ui, sender);
    };
    refresh();
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(sent.size(), 1u);
}

TEST(StatusBarViewTest, InitialCaptionsAndTips) {
    const StatusBarView v = StatusBarView::initial();
    const std::pair<int, const char*> texts[] = {
        {0, "File:"},    {1, "OnLine "},   {2, "Cranking"},  {3, "Fuel Pump "},
        {4, "Outputs:"}, {8, "#4"},        {9, "Inputs:"},   {11, "#2"},
        {12, ""},        {13, "Log Data"}, {14, "Version "}, {15, "Crank Pickup Error "},
    };
    for (const auto& [index, text] : texts) {
        EXPECT_EQ(v.panels[index].text, text) << index;
    }
    EXPECT_EQ(v.panels[1].toolTip, "Online/Offline");
    EXPECT_EQ(v.panels[2].toolTip, "Running/Cranking");
    EXPECT_EQ(v.panels[13].toolTip, "Log Data (Click to Start Logging Data)");
}
} // namespace
