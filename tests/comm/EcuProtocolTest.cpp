#include "ScriptedLink.h"

#include "RecordingInteraction.h"
#include "comm/CommandTable.h"
#include "comm/EcuProtocol.h"

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr int C = ScriptedLink::kClearMark;
constexpr int R = ScriptedLink::kReadMark;
constexpr int kAck = 33;

using Icon = UserInteraction::Icon;

class EcuProtocolTest : public ::testing::Test {
protected:
    EcuProtocolTest() {
        state.settings = EcuSettings::withDefaults();
        state.EcuOnline = true;
        protocol.setOnlineObserver(
            [this](EcuProtocol::OnlineChange change) { changes.push_back(change); });
    }

    AppState state;
    ScriptedLink link;
    RecordingInteraction ui;
    EcuProtocol protocol{state, link, ui};
    std::vector<EcuProtocol::OnlineChange> changes;
};

// --- Writes -----------------------------------------------------------------

TEST_F(EcuProtocolTest, TwoByteWriteSendsTruncatedHighByteThenRemainder) {
    state.settings.RevLimit = 8700; // 8700 = 33 x 256 + 252
    link.reply({0, 0, kAck});

    protocol.getEcuData(194);

    EXPECT_EQ(link.events, (std::vector<int>{C, 194, R, 33, R, 252, R}));
    EXPECT_TRUE(state.EcuOnline);
    EXPECT_TRUE(state.EcuDataChanged);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(EcuProtocolTest, TwoByteWriteSendsLowByteEvenWhenTheMiddleReplyIsMissing) {
    state.settings.CrankRpm = 500; // 1 x 256 + 244
    link.reply({0, -1, kAck});

    protocol.getEcuData(229);

    EXPECT_EQ(link.written, (std::vector<int>{229, 1, 244}));
    EXPECT_TRUE(state.EcuOnline);
}

TEST_F(EcuProtocolTest, ByteWriteSendsValueAndIgnoresTheFirstReply) {
    state.settings.NumberOfCylinders = 6;
    link.reply({99, kAck});

    protocol.getEcuData(190);

    EXPECT_EQ(link.events, (std::vector<int>{C, 190, R, 6, R}));
    EXPECT_TRUE(state.EcuOnline);
}

TEST_F(EcuProtocolTest, WriteConfirmedWithOtherByteGoesOfflineWithSyncLost) {
    state.EcuDataChanged = false;
    link.reply({0, 'x'});

    protocol.getEcuData(190);

    EXPECT_FALSE(state.EcuOnline);
    EXPECT_TRUE(state.EcuDataChanged);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Communication Sync Lost!");
    EXPECT_EQ(ui.messages[0].icon, Icon::None);
    EXPECT_TRUE(ui.messages[0].title.isEmpty());
    EXPECT_EQ(changes, std::vector{EcuProtocol::OnlineChange::SyncLost});
}

TEST_F(EcuProtocolTest, WriteWithoutFirstReplyReportsLostThenSyncLost) {
    link.reply({-1, -1});

    protocol.getEcuData(194);

    // Nothing but the command byte goes out; the confirmation is still awaited.
    EXPECT_EQ(link.events, (std::vector<int>{C, 194, R, R}));
    EXPECT_EQ(ui.texts(), (QStringList{"Communication Lost!", "Communication Sync Lost!"}));
    EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
    EXPECT_EQ(ui.messages[0].title, "Vantrel");
    EXPECT_TRUE(state.EcuDataChanged);
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(changes, (std::vector{EcuProtocol::OnlineChange::CommunicationLost,
                                    EcuProtocol::OnlineChange::SyncLost}));
}

TEST_F(EcuProtocolTest, MaxRpmWritesWholeUnitsOfThreeThousand) {
    state.settings.MaxRpm = 8999;
    link.reply({0, kAck});

    protocol.getEcuData(191);

    EXPECT_EQ(link.written, (std::vector<int>{191, 2}));
}

TEST_F(EcuProtocolTest, NibblePairWriteJoinsHighAndLow) {
    state.settings.EgoMaxRpm = 15;
    state.settings.EgoMinRpm = 0;
    state.settings.EgoMaxLoad = 3;
    state.settings.EgoMinLoad = 9;
    link.reply({0, kAck, 0, kAck});

    protocol.getEcuData(129);
    protocol.getEcuData(130);

    EXPECT_EQ(link.written, (std::vector<int>{129, 240, 130, 3 * 16 + 9}));
}

TEST_F(EcuProtocolTest, IndexedWriteSendsSlotThenValue) {
    state.settings.AirTempFuelComp[3] = 115;
    link.reply({0, 0, kAck});

    protocol.getEcuData(224, 3);

    EXPECT_EQ(link.events, (std::vector<int>{C, 224, R, 3, R, 115, R}));
}

TEST_F(EcuProtocolTest, IndexedWriteWithoutSlotReplySendsNoValueAndLosesSync) {
    link.reply({0, -1, -1});

    protocol.getEcuData(217, 4);

    EXPECT_EQ(link.written, (std::vector<int>{217, 4}));
    EXPECT_EQ(ui.texts(), QStringList{"Communication Sync Lost!"});
}

TEST_F(EcuProtocolTest, CellWriteSendsLoadRpmThenValue) {
    state.settings.FuelTable[5][9] = 127;
    link.reply({0, 0, 0, kAck});

    protocol.getEcuData(240, 5, 9);

    EXPECT_EQ(link.events, (std::vector<int>{C, 240, R, 5, R, 9, R, 127, R}));
    EXPECT_TRUE(state.EcuOnline);
}

TEST_F(EcuProtocolTest, CellWriteWithMissingLoadReplyStillSendsRpmButNoValue) {
    state.settings.IgnitionTable[2][3] = 40;
    link.reply({0, -1, 0, -1});

    protocol.getEcuData(241, 2, 3);

    EXPECT_EQ(link.written, (std::vector<int>{241, 2, 3}));
    EXPECT_FALSE(state.EcuOnline);
}

TEST_F(EcuProtocolTest, SerialByteWritesGoThroughTheTable) {
    state.identity.SerialByte3 = 42;
    link.reply({0, kAck});

    protocol.getEcuData(254);

    EXPECT_EQ(link.written, (std::vector<int>{254, 42}));
}

// A value the wire form cannot carry must never be wrapped into a different
// setting: nothing is sent and the user is told.
TEST_F(EcuProtocolTest, OutOfRangeWriteIsRefusedBeforeAnythingIsSent) {
    struct Case {
        int command;
        std::function<void(AppState&)> set;
    };
    const std::vector<Case> cases = {
        {194, [](AppState& s) { s.settings.RevLimit = 70000; }},
        {194, [](AppState& s) { s.settings.RevLimit = -1; }},
        {190, [](AppState& s) { s.settings.NumberOfCylinders = 256; }},
        {190, [](AppState& s) { s.settings.NumberOfCylinders = -4; }},
        {191, [](AppState& s) { s.settings.MaxRpm = 768000; }},
        {129, [](AppState& s) { s.settings.EgoMinRpm = 16; }},
        {130, [](AppState& s) { s.settings.EgoMaxLoad = -1; }},
        {224, [](AppState& s) { s.settings.AirTempFuelComp[2] = 300; }},
        {240, [](AppState& s) { s.settings.FuelTable[2][1] = 256; }},
    };
    for (const Case& c : cases) {
        AppState fresh;
        fresh.settings = EcuSettings::withDefaults();
        fresh.EcuOnline = true;
        c.set(fresh);
        ScriptedLink wire;
        wire.responder = [](const std::vector<int>&) { return kAck; };
        RecordingInteraction user;
        EcuProtocol p(fresh, wire, user);

        p.getEcuData(c.command, 2, 1);

        EXPECT_TRUE(wire.written.empty()) << c.command;
        EXPECT_TRUE(fresh.EcuOnline) << c.command;
        EXPECT_FALSE(fresh.EcuDataChanged) << c.command;
        ASSERT_EQ(user.messages.size(), 1u) << c.command;
        EXPECT_TRUE(user.messages[0].text.startsWith(QStringLiteral("Command %1 ").arg(c.command)));
    }
}

TEST_F(EcuProtocolTest, MaxRpmJustBelowOneByteOfUnitsIsStillSent) {
    state.settings.MaxRpm = 255 * 3000 + 2999;
    link.reply({0, kAck});

    protocol.getEcuData(191);

    EXPECT_EQ(link.written, (std::vector<int>{191, 255}));
}

// --- Reads ------------------------------------------------------------------

TEST_F(EcuProtocolTest, TwoByteReadWithLowByteZeroStoresHighTimes256) {
    link.reply({30, 0});

    protocol.getEcuData(66);

    EXPECT_EQ(link.events, (std::vector<int>{C, 66, R, 33, R}));
    EXPECT_EQ(state.settings.RevLimit, 7680);
    EXPECT_FALSE(state.EcuDataChanged);
}

TEST_F(EcuProtocolTest, TwoByteReadWithoutLowByteKeepsTheField) {
    link.reply({30, -1});

    protocol.getEcuData(66);

    EXPECT_EQ(state.settings.RevLimit, 8700);
    EXPECT_TRUE(state.EcuOnline);
    EXPECT_TRUE(ui.messages.empty());
}

// The record keeps a few rpm fields in 16 signed bits; a larger reply must not
// wrap into a negative rpm that a later write would refuse.
TEST_F(EcuProtocolTest, TwoByteReadBeyondASignedSixteenBitFieldKeepsItsLargestValue) {
    link.reply({0x9C, 0x40}); // 40000

    protocol.getEcuData(109);

    EXPECT_EQ(state.settings.LaunchControlRpm, 32767);
}

TEST_F(EcuProtocolTest, MaxRpmReadIsCappedAtFiveUnits) {
    link.reply({9});
    protocol.getEcuData(63);
    EXPECT_EQ(state.settings.MaxRpm, 15000);

    link.reply({7});
    protocol.getEcuData(63);
    EXPECT_EQ(state.settings.MaxRpm, 15000);

    link.reply({2});
    protocol.getEcuData(63);
    EXPECT_EQ(state.settings.MaxRpm, 6000);
}

TEST_F(EcuProtocolTest, NibblePairReadSplitsHighAndLow) {
    link.reply({240, 0x3C});

    protocol.getEcuData(1);
    protocol.getEcuData(2);

    EXPECT_EQ(state.settings.EgoMaxRpm, 15);
    EXPECT_EQ(state.settings.EgoMinRpm, 0);
    EXPECT_EQ(state.settings.EgoMaxLoad, 3);
    EXPECT_EQ(state.settings.EgoMinLoad, 12);
}

TEST_F(EcuProtocolTest, IndexedReadSendsSlotAndStoresReply) {
    link.reply({0, 77});

    protocol.getEcuData(96, 5);

    EXPECT_EQ(link.events, (std::vector<int>{C, 96, R, 5, R}));
    EXPECT_EQ(state.settings.AirTempFuelComp[5], 77);
}

TEST_F(EcuProtocolTest, IndexedReadReachesSlotSeventeenAndEachAnalogInput) {
    link.reply({0, 11, 0, 22, 0, 33});

    protocol.getEcuData(89, 17);
    protocol.getEcuData(90, 0);
    protocol.getEcuData(91, 16);

    EXPECT_EQ(state.settings.UserInputAnalogTable[0][17], 11);
    EXPECT_EQ(state.settings.UserInputAnalogTable[1][0], 22);
    EXPECT_EQ(state.settings.UserInputAnalogTable[2][16], 33);
}

TEST_F(EcuProtocolTest, ByteZeroIsAValidReply) {
    state.settings.AirTempFuelComp[5] = 50;
    link.reply({0, 0});

    protocol.getEcuData(96, 5);

    EXPECT_EQ(state.settings.AirTempFuelComp[5], 0);
}

TEST_F(EcuProtocolTest, CellReadSendsLoadThenRpmAndStoresTheValue) {
    link.reply({0, 0, 201});

    protocol.getEcuData(113, 3, 7);

    EXPECT_EQ(link.events, (std::vector<int>{C, 113, R, 3, R, 7, R}));
    EXPECT_EQ(state.settings.IgnitionTable[3][7], 201);
}

TEST_F(EcuProtocolTest, CellReadWithMissingLoadReplyKeepsTheCell) {
    state.settings.FuelTable[3][7] = 12;
    link.reply({0, -1, 201});

    protocol.getEcuData(112, 3, 7);

    EXPECT_EQ(link.written, (std::vector<int>{112, 3, 7}));
    EXPECT_EQ(state.settings.FuelTable[3][7], 12);
}

TEST_F(EcuProtocolTest, IndexesOutsideTheTableAreRefusedWithoutSending) {
    protocol.getEcuData(112, 17, 0);
    protocol.getEcuData(240, 0, 17);
    protocol.getEcuData(96, 18);
    protocol.getEcuData(224, -1);

    EXPECT_TRUE(link.written.empty());
    EXPECT_EQ(ui.messages.size(), 4u);
    EXPECT_TRUE(state.EcuOnline);
}

TEST_F(EcuProtocolTest, LiveValuesLandInTheirChannels) {
    link.reply({0x12, 0x34, 0x01, 0x02, 200, 7});

    protocol.getEcuData(37);
    protocol.getEcuData(38);
    protocol.getEcuData(40);
    protocol.getEcuData(50);

    EXPECT_EQ(state.engine.PeriodChannel.RawHigh, 0x12);
    EXPECT_EQ(state.engine.PeriodChannel.RawLow, 0x34);
    EXPECT_EQ(state.engine.InjectorChannel.raw16(), 0x0102);
    EXPECT_EQ(state.engine.MapChannel.RawLow, 200);
    EXPECT_EQ(state.engine.MapChannel.RawHigh, 0);
    EXPECT_EQ(state.engine.EngineStatus1, 7);
}

TEST_F(EcuProtocolTest, ReadTimeOutTakesEcuOfflineWithCommunicationLost) {
    link.reply({-1});

    protocol.getEcuData(62);

    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(state.settings.NumberOfCylinders, 4);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Communication Lost!");
    EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
    EXPECT_EQ(ui.messages[0].title, "Vantrel");
    EXPECT_EQ(changes, std::vector{EcuProtocol::OnlineChange::CommunicationLost});

    // From now on every command is skipped silently, but the buffer is emptied.
    protocol.getEcuData(62);
    EXPECT_EQ(link.written, std::vector<int>{62});
    EXPECT_EQ(link.clears, 2);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(EcuProtocolTest, OrdinaryRepliesWaitOneSecond) {
    link.reply({1, 2});
    protocol.getEcuData(66);
    EXPECT_EQ(link.readTimeouts, (std::vector<int>{1000, 1000}));
}

// --- Special commands ---------------------------------------------------------

TEST_F(EcuProtocolTest, StoreWaitsTenSecondsUnderBusyPointerAndClearsDataChanged) {
    state.EcuDataChanged = true;
    link.reply({1});

    protocol.getEcuData(36);

    EXPECT_EQ(link.readTimeouts, std::vector<int>{10000});
    EXPECT_EQ(ui.busyCalls, 1);
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_EQ(state.StoreResult, 1);
    EXPECT_FALSE(state.EcuDataChanged);
}

TEST_F(EcuProtocolTest, StoreWithoutAnswerKeepsDataChangedAndGoesOffline) {
    state.EcuDataChanged = true;
    link.reply({-1});

    protocol.getEcuData(36);

    EXPECT_TRUE(state.EcuDataChanged);
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(ui.texts(), QStringList{"Communication Lost!"});
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(EcuProtocolTest, InjectedTimeoutsReplaceBothWaits) {
    protocol.setTimeouts({.replyMs = 20, .longReplyMs = 70, .searchAttemptMs = 5});
    link.reply({1, 2, 1});
    protocol.getEcuData(66);
    protocol.getEcuData(36);
    EXPECT_EQ(link.readTimeouts, (std::vector<int>{20, 20, 70}));
}

TEST_F(EcuProtocolTest, StopEngineWaitsTenSecondsAndStoresNothing) {
    link.reply({5});

    protocol.getEcuData(127);

    EXPECT_EQ(link.written, std::vector<int>{127});
    EXPECT_EQ(link.readTimeouts, std::vector<int>{10000});
    EXPECT_EQ(ui.busyCalls, 1);
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(EcuProtocolTest, OutputTestSendsLowByteOfPortAndReadsOneByte) {
    state.OutputTestPort = 258;
    link.reply({0, 0});

    protocol.getEcuData(17);

    EXPECT_EQ(link.events, (std::vector<int>{C, 17, R, 2, R}));
    EXPECT_FALSE(state.EcuDataChanged);
}

// --- Unsupported codes --------------------------------------------------------

TEST_F(EcuProtocolTest, CodesZeroAnd255AreRefusedWhileOnline) {
    link.reply({0, 0, kAck});

    protocol.getEcuData(0);
    protocol.getEcuData(255);

    EXPECT_EQ(ui.texts(), (QStringList{"Command 0 Not Supported", "Command 255 Not Supported"}));
    for (const auto& m : ui.messages) {
        EXPECT_EQ(m.icon, Icon::None);
        EXPECT_TRUE(m.title.isEmpty());
    }
    // A code above 128 still awaits the write confirmation.
    EXPECT_EQ(link.events, (std::vector<int>{C, 0, R, C, 255, R, R}));
}

TEST_F(EcuProtocolTest, CodesZeroAnd255DoNothingWhileOffline) {
    state.EcuOnline = false;

    protocol.getEcuData(0);
    protocol.getEcuData(255);

    EXPECT_EQ(link.events, (std::vector<int>{C, C}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(EcuProtocolTest, CodesThatCannotBeABytePutNothingOnTheWire) {
    protocol.getEcuData(-1);
    protocol.getEcuData(256);

    EXPECT_TRUE(link.written.empty());
    EXPECT_EQ(ui.texts(), (QStringList{"Command -1 Not Supported", "Command 256 Not Supported"}));
}

TEST(CommandTable, RefusesExactlyTheCodesOutsideTheProtocol) {
    std::set<int> refused = {0, 5, 42, 85, 118, 122, 123, 128, 133, 213, 246, 250, 251, 255};
    for (int c = 10; c <= 16; ++c) {
        refused.insert(c);
    }
    for (int c = 22; c <= 28; ++c) {
        refused.insert(c);
    }
    for (int c = 30; c <= 33; ++c) {
        refused.insert(c);
    }
    for (int c = 137; c <= 145; ++c) {
        refused.insert(c);
    }
    for (int c = 157; c <= 181; ++c) {
        refused.insert(c);
    }
    for (int code = 0; code <= 255; ++code) {
        EXPECT_EQ(findCommand(code).has_value(), !refused.contains(code)) << code;
    }
}

// --- Developer pass-throughs ----------------------------------------------------

TEST_F(EcuProtocolTest, RawByteAccessRefusesValuesOutsideAByte) {
    EXPECT_FALSE(protocol.outCommData(256));
    EXPECT_FALSE(protocol.outCommData(-1));
    EXPECT_TRUE(protocol.outCommData(5));
    link.reply({-1});
    EXPECT_EQ(protocol.inCommData(), -1);
    EXPECT_EQ(link.written, std::vector<int>{5});
    EXPECT_EQ(link.readTimeouts, std::vector<int>{1000});
}

TEST_F(EcuProtocolTest, CommandSenderRunsTheProtocol) {
    state.settings.AirTempFuelComp[4] = 9;
    link.reply({0, 0, kAck});

    protocol.commandSender()(224, 4, 0);

    EXPECT_EQ(link.written, (std::vector<int>{224, 4, 9}));
}

TEST_F(EcuProtocolTest, FailedOpenReportsComPortErrorAndGoesOffline) {
    link.close();
    link.openError = QStringLiteral("No such file or directory");

    EXPECT_FALSE(protocol.openCommPort());

    EXPECT_FALSE(state.EcuOnline);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Com Port Error - No such file or directory");
    EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
    EXPECT_EQ(ui.messages[0].title, "Vantrel");
}

} // namespace
