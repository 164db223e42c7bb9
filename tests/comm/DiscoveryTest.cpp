// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedLink.h"

#include "RecordingInteraction.h"
#include "comm/Discovery.h"
#include "comm/EcuProtocol.h"

#include <gtest/gtest.h>

namespace {

using Buttons = UserInteraction::Buttons;
using Answer = UserInteraction::Answer;

constexpr int kAck = 33;

class DiscoveryTest : public ::testing::Test {
protected:
    DiscoveryTest() {
        hooks.setPolling = [this](bool on) { polling.push_back(on); };
        hooks.onlineChanged = [this] { ++statusRefreshes; };
        hooks.codeSectionsChanged = [this](bool ego) { egoSection.push_back(ego); };
        hooks.processEvents = [this] { ++eventRuns; };
    }

    // The ECU answers the search and then the identity reads 50, 34, 35, 29,
    // 124, 125, 126.
    void ecuAnswers(int major, int minor, int build) {
        link.reply({170, 0, major, minor, build, 0x67, 0x00, 42});
    }

    AppState state;
    SettingsStore store{EcuSettings::withDefaults()};
    ScriptedLink link;
    RecordingInteraction ui;
    EcuProtocol protocol{state, store, link, ui};
    DiscoveryHooks hooks;
    std::vector<bool> polling;
    std::vector<bool> egoSection;
    int statusRefreshes = 0;
    int eventRuns = 0;
};

const std::vector<int> kIdentityReads = {50, 34, 35, 29, 124, 125, 126};
const std::vector<int> kAfterSearchReads = {50, 51, 52, 114, 115, 116};

std::vector<int> concat(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(DiscoveryTest, AcceptedFirmwareGoesOnlineAndReadsIdentityThenStatus) {
    ecuAnswers(2, 51, 7);
    link.reply({0, 0, 0, 100, 110, 120});

    EXPECT_EQ(findEcu(protocol, hooks), FindResult::Found);

    EXPECT_TRUE(state.EcuOnline);
    EXPECT_EQ(link.written, concat(concat({85}, kIdentityReads), kAfterSearchReads));
    EXPECT_EQ(ui.boxes(), (QStringList{"Information|Vantrel|Search for ECU?",
                                       "None|Vantrel|Found ECU - Version 2.051\r\n"
                                       "             (Build 007)"}));
    EXPECT_EQ(ui.messages[0].buttons, Buttons::YesNo);
    EXPECT_EQ(state.identity.SerialNumberText, "1-4-07-00042");
    EXPECT_EQ(store.settings().UC_Extra[2], 120);
    EXPECT_EQ(polling, (std::vector<bool>{false, true}));
    EXPECT_EQ(statusRefreshes, 1);
    EXPECT_EQ(eventRuns, 1);
    EXPECT_EQ(egoSection, std::vector<bool>{false});
    EXPECT_EQ(ui.progressCaptions, QStringList{"Searching for ECU"});
    EXPECT_EQ(ui.progressSteps, 9);
    EXPECT_EQ(ui.progressOpen, 0);
}

TEST_F(DiscoveryTest, VersionOneBelowTheAcceptedIsRejectedAndGoesOffline) {
    ecuAnswers(2, 50, 3);

    EXPECT_EQ(findEcu(protocol, hooks), FindResult::WrongVersion);

    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(ui.boxes().value(1), "Critical|Vantrel|Found ECU - Version 2.050\r\n"
                                   "             (Build 003)\r\n"
                                   "Expecting   - Version 2.051\r\n\r\nPlease contact Marrowby");
    // Offline after the message: no status reads follow.
    EXPECT_EQ(link.written, concat({85}, kIdentityReads));
    EXPECT_EQ(statusRefreshes, 0);
    EXPECT_EQ(polling, (std::vector<bool>{false, true}));
}

TEST_F(DiscoveryTest, WrongVersionStaysOnlineInDeveloperMode) {
    state.DeveloperMode = true;
    ecuAnswers(2, 50, 3);
    link.reply({0, 0, 0, 0, 0, 0});

    EXPECT_EQ(findEcu(protocol, hooks), FindResult::WrongVersion);

    EXPECT_TRUE(state.EcuOnline);
    EXPECT_EQ(link.written, concat(concat({85}, kIdentityReads), kAfterSearchReads));
    EXPECT_EQ(egoSection, std::vector<bool>{true});
}

TEST_F(DiscoveryTest, ExperimentalFirmwareIsAcceptedWithAWarning) {
    ecuAnswers(255, 3, 1);
    link.reply({0, 0, 0, 0, 0, 0});

    EXPECT_EQ(findEcu(protocol, hooks), FindResult::Found);

    EXPECT_TRUE(state.EcuOnline);
    EXPECT_EQ(ui.boxes().value(1), "Warning|Vantrel|Found ECU - Version 255.003\r\n"
                                   "             (Build 001)\r\n\r\nExperimental Firmware");
}

TEST_F(DiscoveryTest, LineDyingDuringTheIdentityIsLostCommunicationWithoutAMadeUpIdentity) {
    // The ECU answers the search and then the first n identity reads.
    for (int answered : {0, 3, 6}) {
        SCOPED_TRACE(answered);
        AppState fresh;
        SettingsStore freshStore;
        ScriptedLink line;
        RecordingInteraction seen;
        EcuProtocol ecu{fresh, freshStore, line, seen};
        fresh.AskBeforeSearch = false;
        line.reply({170});
        for (int i = 0; i < answered; ++i) {
            line.reply({i == 1 ? 2 : 0});
        }

        EXPECT_EQ(findEcu(ecu, hooks), FindResult::LinkLost);

        EXPECT_FALSE(fresh.EcuOnline);
        ASSERT_EQ(seen.messages.size(), 1u);
        EXPECT_EQ(seen.messages[0].text, "Communication Lost!");
        EXPECT_TRUE(fresh.identity.VersionText.isEmpty());
    }
}

TEST_F(DiscoveryTest, EchoedSearchByteIsAnInvalidResponse) {
    protocol.liveValues().EngineStatus1 = 0x40;
    link.reply({85});

    EXPECT_EQ(findEcu(protocol, hooks), FindResult::InvalidResponse);

    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(protocol.liveValues().EngineStatus1, 0);
    EXPECT_EQ(link.written, std::vector<int>{85});
    EXPECT_EQ(ui.boxes().value(1),
              "Critical|Vantrel|Invalid Response\r\nCheck your Com Port/Cables and try again.");
    EXPECT_EQ(ui.progressOpen, 0);
}

TEST_F(DiscoveryTest, InjectedSearchTimeoutIsEachAttemptsWait) {
    protocol.setTimeouts({.replyMs = 20, .longReplyMs = 70, .searchAttemptMs = 5});
    EXPECT_EQ(findEcu(protocol, hooks), FindResult::NotFound);
    EXPECT_EQ(link.readTimeouts, (std::vector<int>{5, 5, 5, 5}));
}

TEST_F(DiscoveryTest, SilentLineGivesEcuNotFoundAfterFourAttempts) {
    EXPECT_EQ(findEcu(protocol, hooks), FindResult::NotFound);

    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(link.written, (std::vector<int>{85, 85, 85, 85}));
    EXPECT_EQ(link.readTimeouts, (std::vector<int>{1000, 1000, 1000, 1000}));
    EXPECT_EQ(ui.boxes().value(1), "None|Vantrel|ECU Not Found");
    EXPECT_EQ(ui.progressSteps, 36);
    EXPECT_EQ(ui.progressOpen, 0);
    EXPECT_EQ(polling, (std::vector<bool>{false, true}));
}

TEST_F(DiscoveryTest, OtherRepliesCountAsFailedAttempts) {
    link.reply({0, 171});
    ecuAnswers(2, 51, 1);
    link.reply({0, 0, 0, 0, 0, 0});

    EXPECT_EQ(findEcu(protocol, hooks), FindResult::Found);

    EXPECT_EQ(ui.progressSteps, 27);
    EXPECT_EQ(std::count(link.written.begin(), link.written.end(), 85), 3);
}

TEST_F(DiscoveryTest, SearchWithoutAskingSetsTheAskFlagAgain) {
    state.AskBeforeSearch = false;

    findEcu(protocol, hooks);

    EXPECT_TRUE(state.AskBeforeSearch);
    EXPECT_EQ(ui.texts(), QStringList{"ECU Not Found"});
}

TEST_F(DiscoveryTest, AnsweringNoSearchesNothingButRestartsPolling) {
    ui.answers.push_back(Answer::No);

    EXPECT_EQ(findEcu(protocol, hooks), FindResult::Declined);

    EXPECT_TRUE(link.written.empty());
    EXPECT_EQ(ui.texts(), QStringList{"Search for ECU?"});
    EXPECT_TRUE(ui.progressCaptions.isEmpty());
    EXPECT_EQ(polling, (std::vector<bool>{false, true}));
}

TEST_F(DiscoveryTest, ClosedPortIsOpenedBeforeSearching) {
    link.close();

    findEcu(protocol, hooks);

    EXPECT_EQ(link.opens, 1);
    EXPECT_EQ(link.written.size(), 4u);
}

TEST_F(DiscoveryTest, PortThatCannotBeOpenedEndsTheSearch) {
    link.close();
    link.openError = QStringLiteral("Permission denied");

    EXPECT_EQ(findEcu(protocol, hooks), FindResult::PortError);

    EXPECT_TRUE(link.written.empty());
    EXPECT_EQ(ui.boxes(), QStringList{"Critical|Vantrel|Comm Port Error - Permission denied"});
}

// --- Identity texts -------------------------------------------------------------

TEST(EcuIdentityText, VersionBuildAndSerialNumber) {
    AppState state;
    state.identity.VersionMajor = 2;
    state.identity.VersionMinor = 5;
    state.identity.BuildNumber = 7;
    state.identity.SerialByte1 = 0x67;
    state.identity.SerialByte2 = 0x00;
    state.identity.SerialByte3 = 42;

    formatEcuVersion(state);

    EXPECT_EQ(state.identity.VersionText, "2.005");
    EXPECT_EQ(state.identity.BuildText, "007");
    EXPECT_EQ(state.identity.SerialNumberText, "1-4-07-00042");

    // The highest serial fields.
    state.identity.SerialByte1 = state.identity.SerialByte2 = state.identity.SerialByte3 = 0xFF;
    formatEcuVersion(state);
    EXPECT_EQ(state.identity.SerialNumberText, "4-8-31-16383");
}

TEST(CodeSections, DeveloperModeSetsAllFlagsForGood) {
    AppState state;
    EXPECT_FALSE(enableCodeSections(state));

    state.DeveloperMode = true;
    EXPECT_TRUE(enableCodeSections(state));
    EXPECT_EQ(state.CodeSectionFlags, (std::array<bool, 4>{true, true, true, true}));

    state.DeveloperMode = false;
    EXPECT_TRUE(enableCodeSections(state));
    EXPECT_EQ(state.CodeSectionFlags, (std::array<bool, 4>{true, true, true, true}));
}

class SerialNumberTest : public DiscoveryTest {
protected:
    SerialNumberTest() {
        state.EcuOnline = true;
        state.identity.SerialByte1 = 0x67;
        state.identity.SerialByte2 = 0x00;
        state.identity.SerialByte3 = 42;
        formatEcuVersion(state);
        link.responder = [](const std::vector<int>&) { return kAck; };
    }
};

TEST_F(SerialNumberTest, ChangedFieldsWriteOnlyTheBytesThatDiffer) {
    encodeSerialNumber(protocol);
    EXPECT_TRUE(link.written.empty()) << "unchanged fields send nothing";

    state.identity.SerialField4 = 300; // byte 2 becomes 1, byte 3 becomes 44
    encodeSerialNumber(protocol);

    EXPECT_EQ(link.written, (std::vector<int>{253, 1, 254, 44}));
    EXPECT_EQ(state.identity.SerialByte1, 0x67);
    EXPECT_EQ(state.identity.SerialByte2, 1);
    EXPECT_EQ(state.identity.SerialByte3, 44);
}

TEST_F(SerialNumberTest, FirstFieldsGoToTheFirstTwoBytes) {
    state.identity.SerialField1 = 3; // byte 2 = 2 x 64
    state.identity.SerialField2 = 8; // byte 1 = 7 x 32 + 7
    state.identity.SerialField4 = 42;

    encodeSerialNumber(protocol);

    EXPECT_EQ(link.written, (std::vector<int>{252, 231, 253, 128}));
}

} // namespace
