// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedLink.h"

#include "RecordingInteraction.h"
#include "StoreRecord.h"
#include "comm/CommandTable.h"
#include "comm/EcuProtocol.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <set>

namespace {

constexpr int C = ScriptedLink::kClearMark;
constexpr int R = ScriptedLink::kReadMark;
constexpr int kAck = 33;

// A fresh protocol with default settings, online.
struct Rig {
    Rig() { state.EcuOnline = true; }
    AppState state;
    SettingsStore store{EcuSettings::withDefaults()};
    EcuSettings& record = recordOf(store);
    ScriptedLink link;
    RecordingInteraction ui;
    EcuProtocol protocol{state, store, link, ui};
};

class EcuProtocolTest : public ::testing::Test, public Rig {
protected:
    EcuProtocolTest() {
        protocol.setOnlineObserver(
            [this](EcuProtocol::OnlineChange change) { changes.push_back(change); });
    }

    std::vector<EcuProtocol::OnlineChange> changes;
};

using Tweak = std::function<void(Rig&)>;

// --- Writes -----------------------------------------------------------------

TEST(EcuProtocolWrites, PutTheWireFormOnTheLine) {
    struct Case {
        const char* what;
        Tweak set;
        std::vector<std::array<int, 3>> sends; // command, index 1, index 2
        std::vector<int> replies;
        std::vector<int> events;
        bool online;
    };
    const std::vector<Case> cases = {
        {"two bytes: truncated high byte then the rest; 8700 = 33 x 256 + 252",
         [](Rig& r) { r.record.RevLimit = 8700; },
         {{194, 0, 0}},
         {0, 0, kAck},
         {C, 194, R, 33, R, 252, R},
         true},
        {"two bytes: low byte still sent when the middle reply is missing",
         [](Rig& r) { r.record.CrankRpm = 500; },
         {{229, 0, 0}},
         {0, -1, kAck},
         {C, 229, R, 1, R, 244, R},
         true},
        {"byte: the first reply is ignored",
         [](Rig& r) { r.record.NumberOfCylinders = 6; },
         {{190, 0, 0}},
         {99, kAck},
         {C, 190, R, 6, R},
         true},
        {"max rpm in whole units of 3000",
         [](Rig& r) { r.record.MaxRpm = 8999; },
         {{191, 0, 0}},
         {0, kAck},
         {C, 191, R, 2, R},
         true},
        {"max rpm just below one byte of units",
         [](Rig& r) { r.record.MaxRpm = 255 * 3000 + 2999; },
         {{191, 0, 0}},
         {0, kAck},
         {C, 191, R, 255, R},
         true},
        {"nibble pairs join high and low",
         [](Rig& r) {
             r.record.EgoMaxRpm = 15;
             r.record.EgoMinRpm = 0;
             r.record.EgoMaxLoad = 3;
             r.record.EgoMinLoad = 9;
         },
         {{129, 0, 0}, {130, 0, 0}},
         {0, kAck, 0, kAck},
         {C, 129, R, 240, R, C, 130, R, 3 * 16 + 9, R},
         true},
        {"indexed: slot then value",
         [](Rig& r) { r.record.AirTempFuelComp[3] = 115; },
         {{224, 3, 0}},
         {0, 0, kAck},
         {C, 224, R, 3, R, 115, R},
         true},
        {"indexed: no value without a slot reply",
         nullptr,
         {{217, 4, 0}},
         {0, -1, -1},
         {C, 217, R, 4, R, R},
         false},
        {"cell: load, rpm, value",
         [](Rig& r) { r.record.FuelTable[5][9] = 127; },
         {{240, 5, 9}},
         {0, 0, 0, kAck},
         {C, 240, R, 5, R, 9, R, 127, R},
         true},
        {"cell: missing load reply still sends rpm but no value",
         [](Rig& r) { r.record.IgnitionTable[2][3] = 40; },
         {{241, 2, 3}},
         {0, -1, 0, -1},
         {C, 241, R, 2, R, 3, R, R},
         false},
        {"output test sends the low byte of the port",
         [](Rig& r) { r.state.OutputTestPort = 258; },
         {{17, 0, 0}},
         {0, 0},
         {C, 17, R, 2, R},
         true},
    };
    for (const Case& c : cases) {
        Rig rig;
        if (c.set) {
            c.set(rig);
        }
        rig.state.EcuDataChanged = false;
        rig.link.replies.assign(c.replies.begin(), c.replies.end());
        for (const auto& [command, a, b] : c.sends) {
            rig.protocol.getEcuData(command, a, b);
        }
        EXPECT_EQ(rig.link.events, c.events) << c.what;
        EXPECT_EQ(rig.state.EcuOnline, c.online) << c.what;
        // Only writes (codes above 128) mark the data as changed.
        EXPECT_EQ(rig.state.EcuDataChanged, c.sends[0][0] > 128) << c.what;
        EXPECT_EQ(rig.ui.texts(),
                  c.online ? QStringList{} : QStringList{"Communication Sync Lost!"})
            << c.what;
    }
}

TEST_F(EcuProtocolTest, WriteConfirmedWithOtherByteGoesOfflineWithSyncLost) {
    state.EcuDataChanged = false;
    link.reply({0, 'x'});

    protocol.getEcuData(190);

    EXPECT_FALSE(state.EcuOnline);
    EXPECT_TRUE(state.EcuDataChanged);
    EXPECT_EQ(ui.boxes(), QStringList{"None||Communication Sync Lost!"});
    EXPECT_EQ(changes, std::vector{EcuProtocol::OnlineChange::SyncLost});
}

TEST_F(EcuProtocolTest, WriteWithoutFirstReplyReportsLostThenSyncLost) {
    link.reply({-1, -1});

    protocol.getEcuData(194);

    // Nothing but the command byte goes out; the confirmation is still awaited.
    EXPECT_EQ(link.events, (std::vector<int>{C, 194, R, R}));
    EXPECT_EQ(ui.boxes(), (QStringList{"Critical|Vantrel|Communication Lost!",
                                       "None||Communication Sync Lost!"}));
    EXPECT_TRUE(state.EcuDataChanged);
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(changes, (std::vector{EcuProtocol::OnlineChange::CommunicationLost,
                                    EcuProtocol::OnlineChange::SyncLost}));
}

// A value the wire form cannot carry must never be wrapped into a different
// setting, nor an index outside its table: nothing is sent and the user is told.
TEST(EcuProtocolWrites, OutOfRangeValuesAndIndexesAreRefusedBeforeAnythingIsSent) {
    struct Case {
        int command, a, b;
        Tweak set;
    };
    const std::vector<Case> cases = {
        {194, 2, 1, [](Rig& r) { r.record.RevLimit = 70000; }},
        {194, 2, 1, [](Rig& r) { r.record.RevLimit = -1; }},
        {190, 2, 1, [](Rig& r) { r.record.NumberOfCylinders = 256; }},
        {190, 2, 1, [](Rig& r) { r.record.NumberOfCylinders = -4; }},
        {191, 2, 1, [](Rig& r) { r.record.MaxRpm = 768000; }},
        {129, 2, 1, [](Rig& r) { r.record.EgoMinRpm = 16; }},
        {130, 2, 1, [](Rig& r) { r.record.EgoMaxLoad = -1; }},
        {224, 2, 1, [](Rig& r) { r.record.AirTempFuelComp[2] = 300; }},
        {240, 2, 1, [](Rig& r) { r.record.FuelTable[2][1] = 256; }},
        {112, 17, 0, nullptr},
        {240, 0, 17, nullptr},
        {96, 18, 0, nullptr},
        {224, -1, 0, nullptr},
    };
    for (const Case& c : cases) {
        Rig rig;
        if (c.set) {
            c.set(rig);
        }
        rig.link.responder = [](const std::vector<int>&) { return kAck; };

        rig.protocol.getEcuData(c.command, c.a, c.b);

        EXPECT_TRUE(rig.link.written.empty()) << c.command;
        EXPECT_TRUE(rig.state.EcuOnline) << c.command;
        EXPECT_FALSE(rig.state.EcuDataChanged) << c.command;
        ASSERT_EQ(rig.ui.messages.size(), 1u) << c.command;
        if (c.set) {
            EXPECT_TRUE(
                rig.ui.messages[0].text.startsWith(QStringLiteral("Command %1 ").arg(c.command)));
        }
    }
}

// --- Reads ------------------------------------------------------------------

TEST(EcuProtocolReads, StoreTheReplyInItsField) {
    struct Case {
        const char* what;
        std::vector<std::array<int, 3>> sends;
        std::vector<int> replies;
        std::vector<int> events; // empty: not checked
        std::function<void(Rig&)> check;
    };
    const std::vector<Case> cases = {
        {"two bytes with low byte zero store high x 256",
         {{66, 0, 0}},
         {30, 0},
         {C, 66, R, 33, R},
         [](Rig& r) { EXPECT_EQ(r.store.settings().RevLimit, 7680); }},
        {"two bytes without the low byte keep the field",
         {{66, 0, 0}},
         {30, -1},
         {},
         [](Rig& r) { EXPECT_EQ(r.store.settings().RevLimit, 8700); }},
        // A few rpm fields are 16 signed bits: a larger reply must not wrap negative.
        {"beyond a signed 16-bit field keeps its largest value",
         {{109, 0, 0}},
         {0x9C, 0x40},
         {},
         [](Rig& r) { EXPECT_EQ(r.store.settings().LaunchControlRpm, 32767); }},
        {"max rpm just above the cap",
         {{63, 0, 0}},
         {7},
         {},
         [](Rig& r) { EXPECT_EQ(r.store.settings().MaxRpm, 15000); }},
        {"max rpm in units of 3000",
         {{63, 0, 0}},
         {2},
         {},
         [](Rig& r) { EXPECT_EQ(r.store.settings().MaxRpm, 6000); }},
        {"nibble pairs split high and low",
         {{1, 0, 0}, {2, 0, 0}},
         {240, 0x3C},
         {},
         [](Rig& r) {
             EXPECT_EQ(r.store.settings().EgoMaxRpm, 15);
             EXPECT_EQ(r.store.settings().EgoMinRpm, 0);
             EXPECT_EQ(r.store.settings().EgoMaxLoad, 3);
             EXPECT_EQ(r.store.settings().EgoMinLoad, 12);
         }},
        {"indexed sends the slot",
         {{96, 5, 0}},
         {0, 77},
         {C, 96, R, 5, R},
         [](Rig& r) { EXPECT_EQ(r.store.settings().AirTempFuelComp[5], 77); }},
        {"byte zero is a valid reply",
         {{96, 5, 0}},
         {0, 0},
         {},
         [](Rig& r) { EXPECT_EQ(r.store.settings().AirTempFuelComp[5], 0); }},
        {"slot 17 and each analog input",
         {{89, 17, 0}, {90, 0, 0}, {91, 16, 0}},
         {0, 11, 0, 22, 0, 33},
         {},
         [](Rig& r) {
             EXPECT_EQ(r.store.settings().UserInputAnalogTable[0][17], 11);
             EXPECT_EQ(r.store.settings().UserInputAnalogTable[1][0], 22);
             EXPECT_EQ(r.store.settings().UserInputAnalogTable[2][16], 33);
         }},
        {"cell sends load then rpm",
         {{113, 3, 7}},
         {0, 0, 201},
         {C, 113, R, 3, R, 7, R},
         [](Rig& r) { EXPECT_EQ(r.store.settings().IgnitionTable[3][7], 201); }},
        {"cell with missing load reply keeps the cell",
         {{112, 3, 7}},
         {0, -1, 201},
         {C, 112, R, 3, R, 7, R},
         [](Rig& r) { EXPECT_EQ(r.store.settings().FuelTable[3][7], 12); }},
        {"live values land in their channels",
         {{37, 0, 0}, {38, 0, 0}, {40, 0, 0}, {50, 0, 0}},
         {0x12, 0x34, 0x01, 0x02, 200, 7},
         {},
         [](Rig& r) {
             const EngineData& live = r.protocol.liveValues();
             EXPECT_EQ(live.PeriodChannel.RawHigh, 0x12);
             EXPECT_EQ(live.PeriodChannel.RawLow, 0x34);
             EXPECT_EQ(live.InjectorChannel.raw16(), 0x0102);
             EXPECT_EQ(live.MapChannel.RawLow, 200);
             EXPECT_EQ(live.MapChannel.RawHigh, 0);
             EXPECT_EQ(live.EngineStatus1, 7);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        rig.record.AirTempFuelComp[5] = 50;
        rig.record.FuelTable[3][7] = 12;
        rig.state.EcuDataChanged = false;
        rig.link.replies.assign(c.replies.begin(), c.replies.end());
        for (const auto& [command, a, b] : c.sends) {
            rig.protocol.getEcuData(command, a, b);
        }
        if (!c.events.empty()) {
            EXPECT_EQ(rig.link.events, c.events);
        }
        c.check(rig);
        EXPECT_TRUE(rig.state.EcuOnline);
        EXPECT_FALSE(rig.state.EcuDataChanged);
        EXPECT_TRUE(rig.ui.messages.empty());
    }
}

TEST_F(EcuProtocolTest, ReadTimeOutTakesEcuOfflineWithCommunicationLost) {
    link.reply({-1});

    protocol.getEcuData(62);

    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(store.settings().NumberOfCylinders, 4);
    EXPECT_EQ(ui.boxes(), QStringList{"Critical|Vantrel|Communication Lost!"});
    EXPECT_EQ(changes, std::vector{EcuProtocol::OnlineChange::CommunicationLost});

    // From now on every command is skipped silently, but the buffer is emptied.
    protocol.getEcuData(62);
    EXPECT_EQ(link.written, std::vector<int>{62});
    EXPECT_EQ(link.clears, 2);
    EXPECT_EQ(ui.messages.size(), 1u);
}

// --- Special commands ---------------------------------------------------------

// Store and stop engine wait ten seconds under the busy pointer; an answered
// store clears the data-changed flag (an unanswered one is a store test).
TEST(EcuProtocolLongCommands, WaitTenSecondsUnderTheBusyPointer) {
    for (const int command : {36, 127}) {
        SCOPED_TRACE(command);
        Rig rig;
        rig.state.EcuDataChanged = true;
        rig.link.reply({1});

        rig.protocol.getEcuData(command);

        EXPECT_EQ(rig.link.written, std::vector<int>{command});
        EXPECT_EQ(rig.link.readTimeouts, std::vector<int>{10000});
        EXPECT_EQ(rig.ui.busyCalls, 1);
        EXPECT_EQ(rig.ui.busyDepth, 0);
        EXPECT_EQ(rig.state.EcuDataChanged, command != 36);
        EXPECT_EQ(rig.state.StoreResult, command == 36 ? 1 : 0);
    }
}

TEST_F(EcuProtocolTest, InjectedTimeoutsReplaceBothWaits) {
    protocol.setTimeouts({.replyMs = 20, .longReplyMs = 70, .searchAttemptMs = 5});
    link.reply({1, 2, 1});
    protocol.getEcuData(66);
    protocol.getEcuData(36);
    EXPECT_EQ(link.readTimeouts, (std::vector<int>{20, 20, 70}));
}

// --- Unsupported codes --------------------------------------------------------

TEST_F(EcuProtocolTest, CodesZeroAnd255AreRefusedWhileOnlineAndSkippedOffline) {
    link.reply({0, 0, kAck});
    protocol.getEcuData(0);
    protocol.getEcuData(255);
    EXPECT_EQ(ui.boxes(),
              (QStringList{"None||Command 0 Not Supported", "None||Command 255 Not Supported"}));
    // A code above 128 still awaits the write confirmation.
    EXPECT_EQ(link.events, (std::vector<int>{C, 0, R, C, 255, R, R}));

    state.EcuOnline = false;
    link.events.clear();
    ui.clear();
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
    for (const auto& [from, to] : {std::pair{10, 16}, {22, 28}, {30, 33}, {137, 145}, {157, 181}}) {
        for (int c = from; c <= to; ++c) {
            refused.insert(c);
        }
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
    record.AirTempFuelComp[4] = 9;
    link.reply({0, 0, kAck});

    protocol.commandSender()(224, 4, 0);

    EXPECT_EQ(link.written, (std::vector<int>{224, 4, 9}));
}

TEST_F(EcuProtocolTest, FailedOpenReportsComPortErrorAndGoesOffline) {
    link.close();
    link.openError = QStringLiteral("No such file or directory");

    EXPECT_FALSE(protocol.openCommPort());

    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(ui.boxes(),
              QStringList{"Critical|Vantrel|Com Port Error - No such file or directory"});
}

} // namespace
