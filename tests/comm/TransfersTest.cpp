// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlockBuilder.h"
#include "ScriptedLink.h"

#include "RecordingInteraction.h"
#include "StoreRecord.h"
#include "comm/Transfers.h"
#include "config/ConsistencyCheck.h"

#include <gtest/gtest.h>

namespace {

constexpr int kAck = 33;

int countCommands(const std::vector<SendStep>& steps) {
    return static_cast<int>(
        std::count_if(steps.begin(), steps.end(), [](const SendStep& s) { return !s.progress; }));
}

int countProgress(const std::vector<SendStep>& steps) {
    return static_cast<int>(
        std::count_if(steps.begin(), steps.end(), [](const SendStep& s) { return s.progress; }));
}

class TransfersTest : public ::testing::Test {
protected:
    TransfersTest() {
        state.EcuOnline = true;
        hooks.discovery.setPolling = [this](bool on) { polling.push_back(on); };
        hooks.discovery.onlineChanged = [this] { ++statusRefreshes; };
        hooks.recordReplacing = [this] { ++replacings; };
        hooks.checkSettings = [this] { checkSettings(protocol, record); };
    }

    // An ECU that answers every byte with "!", which is a valid first reply,
    // index reply and confirmation alike.
    void ecuAcknowledgesEverything() {
        link.responder = [](const std::vector<int>&) { return kAck; };
    }

    AppState state;
    SettingsStore store{EcuSettings::withDefaults()};
    EcuSettings& record = recordOf(store);
    ScriptedLink link;
    RecordingInteraction ui;
    EcuProtocol protocol{state, store, link, ui};
    TransferHooks hooks;
    std::vector<bool> polling;
    int statusRefreshes = 0;
    int replacings = 0;
};

// --- Full send ----------------------------------------------------------------

// The whole send in its fixed order for 16 x 16 tables, -1 standing for a
// progress step. Launch control rpm goes with the engine settings after the
// charge time; the wheel type follows only with its code section enabled.
std::vector<SendStep> expectedSend(bool wheelType) {
    std::vector<SendStep> steps;
    auto plain = [&](std::initializer_list<int> codes) {
        for (int code : codes) {
            steps.push_back(code < 0 ? SendStep{true} : SendStep{false, code});
        }
    };
    auto curve = [&](int code) {
        for (int slot = 0; slot <= 16; ++slot) {
            steps.push_back({false, code, slot});
        }
    };
    auto table = [&](int code) {
        for (int load = 0; load <= 15; ++load) {
            for (int rpm = 0; rpm <= 15; ++rpm) {
                steps.push_back({false, code, load, rpm});
            }
            steps.push_back({true});
        }
    };
    plain({-1,  190, 191, 194, 192, 193, 195, 183, 184, 182, 185, 187, 186, 188,
           189, 196, 197, -1,  214, 215, 216, 210, 211, 212, 198, 200, 199, 201,
           203, 202, 204, 206, 205, -1,  207, 209, 208, 220, 221, 222, 228, 230,
           229, 231, 232, 233, 234, 236, 235, 238, 239, 245, 227, 237});
    if (wheelType) {
        plain({149});
    }
    plain({-1, 129, 130, 131, 132, 135, 134, 136, 153, 151, 154, 152, 155, 156, 150, 146, 147, 148,
           -1});
    curve(217);
    plain({-1});
    curve(218);
    plain({-1});
    curve(219);
    curve(224);
    plain({-1});
    curve(225);
    plain({-1});
    curve(226);
    curve(223);
    plain({-1});
    table(240);
    table(241);
    plain({242, 243, 244, 247, 248, 249});
    return steps;
}

TEST_F(TransfersTest, FullSendGoesInTheFixedOrderWithFortyTwoProgressSteps) {
    for (const bool wheelType : {false, true}) {
        state.CodeSectionFlags[3] = wheelType;
        const std::vector<SendStep> steps = fullSendSequence(state, record);
        EXPECT_EQ(steps, expectedSend(wheelType)) << wheelType;
        EXPECT_EQ(countCommands(steps), wheelType ? 706 : 705);
        EXPECT_EQ(countProgress(steps), 42);
    }
}

TEST_F(TransfersTest, TableSizeFollowsTheIndexMaxima) {
    record.LoadIndexMax = 16;
    record.RpmIndexMax = 7;
    const std::vector<SendStep> steps = fullSendSequence(state, record);
    EXPECT_EQ(countCommands(steps), 705 - 512 + 2 * 17 * 8);
    EXPECT_EQ(countProgress(steps), 10 + 2 * 17);
}

TEST_F(TransfersTest, FullSendPutsTheRecordOnTheWire) {
    ecuAcknowledgesEverything();

    EXPECT_EQ(sendAllDataToEcu(protocol, hooks), SendOutcome::Sent);

    EXPECT_TRUE(state.EcuOnline);
    EXPECT_TRUE(ui.messages.empty());
    std::vector<int> expected;
    for (const SendStep& s : fullSendSequence(state, record)) {
        if (!s.progress) {
            expected.push_back(s.command);
        }
    }
    EXPECT_EQ(link.commands(), expected);
    // Cylinders 4, MaxRpm 9000 as 3, RevLimit 8700 as 33 and 252, LoadControl 2.
    const std::vector<int> head(link.written.begin(), link.written.begin() + 10);
    EXPECT_EQ(head, (std::vector<int>{190, 4, 191, 3, 194, 33, 252, 192, 2, 193}));
    EXPECT_EQ(ui.progressCaptions, QStringList{"Sending Data to ECU"});
    EXPECT_EQ(ui.progressSteps, 42);
    EXPECT_EQ(ui.progressOpen, 0);
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_TRUE(state.EcuDataChanged);
}

TEST_F(TransfersTest, LostEcuPartWayIsReportedOnceAndTheRestSkipped) {
    link.responder = [](const std::vector<int>& written) {
        return written.size() < 20 ? kAck : -1;
    };

    EXPECT_EQ(sendAllDataToEcu(protocol, hooks), SendOutcome::CutOff);

    EXPECT_FALSE(state.EcuOnline);
    EXPECT_LE(ui.messages.size(), 2u);
    EXPECT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.progressOpen, 0);
    EXPECT_EQ(ui.progressSteps, 42);
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_LT(link.written.size(), 25u);
}

TEST_F(TransfersTest, OfflineSendSearchesFirstAndSendsNothingWhenNotFound) {
    state.EcuOnline = false;

    EXPECT_EQ(sendAllDataToEcu(protocol, hooks), SendOutcome::NotSent);

    EXPECT_EQ(link.written, (std::vector<int>{85, 85, 85, 85}));
    EXPECT_EQ(ui.texts(), (QStringList{"Search for ECU?", "ECU Not Found"}));
    EXPECT_EQ(ui.progressCaptions, QStringList{"Searching for ECU"});
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(TransfersTest, OfflineSendSearchesFirstAndSendsWhenFound) {
    state.EcuOnline = false;
    link.reply({170, 0, 2, 51, 1, 0, 0, 1});
    ecuAcknowledgesEverything();

    sendAllDataToEcu(protocol, hooks);

    EXPECT_TRUE(state.EcuOnline);
    EXPECT_EQ(ui.progressCaptions, (QStringList{"Searching for ECU", "Sending Data to ECU"}));
    EXPECT_EQ(ui.progressSteps, 9 + 42);
}

// --- Full read ------------------------------------------------------------------

TEST_F(TransfersTest, FullReadRunsTheThreeBlockReadsThenTheCheck) {
    link.blocks.push_back(tableBlock([](int, int) { return 11; }));
    link.blocks.push_back(tableBlock([](int, int) { return 22; }));
    // Sound values but five cylinders, which the check repairs to six.
    std::map<int, int> other = {{2, 5},    {5, 19},    {6, 2},     {12, 2},   {16, 255},
                                {19, 255}, {203, 100}, {204, 100}, {205, 100}};
    link.blocks.push_back(makeBlock(208, other));
    ecuAcknowledgesEverything();

    getAllDataFromEcu(protocol, record, hooks);

    EXPECT_EQ(store.settings().FuelTable[15][15], 11);
    EXPECT_EQ(store.settings().IgnitionTable[0][0], 22);
    EXPECT_EQ(store.settings().NumberOfCylinders, 6);
    ASSERT_GE(link.written.size(), 5u);
    EXPECT_EQ(std::vector<int>(link.written.begin(), link.written.begin() + 5),
              (std::vector<int>{14, 15, 16, 190, 6}));
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_TRUE(ui.messages.back().text.startsWith("Data Error Found and Fixed!"));
    EXPECT_EQ(polling, (std::vector<bool>{false, true}));
    EXPECT_EQ(replacings, 1);
    EXPECT_EQ(ui.busyCalls, 1);
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(TransfersTest, FullReadWhileOfflineChangesNothingButStillChecks) {
    state.EcuOnline = false;
    record.NumberOfCylinders = 5;
    EcuSettings expected = record;
    expected.NumberOfCylinders = 6;
    expected.IgnitionType = 2; // more than four cylinders need a distributor

    getAllDataFromEcu(protocol, record, hooks);

    EXPECT_TRUE(link.written.empty());
    EXPECT_EQ(store.settings(), expected);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.startsWith("Data Error Found and Fixed!"));
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_EQ(polling, (std::vector<bool>{false, true}));
}

// --- Store ------------------------------------------------------------------------

TEST(TransfersStore, TheAnswerDecidesTheMessage) {
    struct Case {
        std::vector<int> replies;
        bool saved;
        QString box;
    };
    const std::vector<Case> cases = {
        {{1}, true, "None|Vantrel|Data Saved!"},
        {{0}, false, "Critical|Vantrel|Data Save Error"},
        {{}, false, "Critical|Vantrel|Communication Lost!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box.toStdString());
        AppState state;
        state.EcuOnline = true;
        state.EcuDataChanged = true;
        ScriptedLink link;
        link.replies.assign(c.replies.begin(), c.replies.end());
        RecordingInteraction ui;
        SettingsStore store{EcuSettings::withDefaults()};
        EcuProtocol protocol{state, store, link, ui};

        EXPECT_EQ(storeSettings(protocol), c.saved);

        EXPECT_EQ(link.written, std::vector<int>{36});
        EXPECT_EQ(ui.boxes(), QStringList{c.box});          // a lost store says nothing more
        EXPECT_EQ(state.EcuDataChanged, c.replies.empty()); // kept only when unanswered
        EXPECT_EQ(state.EcuOnline, !c.replies.empty());
        EXPECT_EQ(ui.busyDepth, 0);
    }
}

// --- Find ECU command -------------------------------------------------------------

TEST_F(TransfersTest, FindEcuWhileOnlineOnlySaysSo) {
    state.EcuDataChanged = true;

    findEcuCommand(protocol, record, hooks);

    EXPECT_TRUE(link.written.empty());
    EXPECT_EQ(ui.boxes(), QStringList{"None|Vantrel|Ecu Online!"});
    EXPECT_FALSE(state.EcuDataChanged);
    EXPECT_EQ(statusRefreshes, 1);
}

TEST_F(TransfersTest, FindEcuWhileOfflineSearchesWithoutAskingThenReadsAll) {
    state.EcuOnline = false;
    link.reply({170, 0, 2, 51, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0});
    link.blocks.push_back(tableBlock([](int, int) { return 9; }));

    findEcuCommand(protocol, record, hooks);

    EXPECT_EQ(ui.texts().first(), "Found ECU - Version 2.051\r\n             (Build 001)");
    EXPECT_EQ(store.settings().FuelTable[3][3], 9);
    EXPECT_TRUE(state.AskBeforeSearch);
    // The other-settings block did not come: the ECU is offline again.
    EXPECT_FALSE(state.EcuOnline);
}

} // namespace
