// SPDX-License-Identifier: GPL-3.0-or-later
#include "RandomRecord.h"
#include "RecordingInteraction.h"
#include "comm/EcuProtocol.h"
#include "comm/Transfers.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <gtest/gtest.h>

namespace {

// Every field that travels to the ECU, the wheel type included, goes out with
// the full send and comes back with the three block reads.
TEST(SimulatedEcuRoundTrip, FullSendThenFullReadGivesTheSameRecord) {
    for (const quint32 seed : {7u, 2026u}) {
        SCOPED_TRACE(seed);
        SimulatedEcu ecu;
        SimulatedLink link(&ecu);
        RecordingInteraction ui;

        AppState sender;
        SettingsStore sent(randomValidRecord(seed));
        ASSERT_NE(sent.settings(), ecu.settings());
        sender.EcuOnline = true;
        sender.CodeSectionFlags[3] = true;
        EcuProtocol out(sender, sent, link, ui);
        sendAllDataToEcu(out, TransferHooks{});
        ASSERT_TRUE(ui.messages.empty()) << ui.texts().join(" | ").toStdString();
        ASSERT_TRUE(sender.EcuOnline);

        AppState reader;
        SettingsStore read(startupRecord());
        reader.EcuOnline = true;
        reader.CodeSectionFlags[3] = true;
        EcuProtocol in(reader, read, link, ui);
        EXPECT_TRUE(read.modify(ChangeOrigin::Ecu, [&](EcuSettings& record) {
            return getAllDataFromEcu(in, record, TransferHooks{});
        }));

        EXPECT_TRUE(ui.messages.empty()) << ui.texts().join(" | ").toStdString();
        EXPECT_EQ(read.settings(), sent.settings());
    }
}

TEST(SimulatedEcuRoundTrip, SearchFindsTheSimulatedEcu) {
    SimulatedEcu ecu;
    SimulatedLink link(&ecu);
    RecordingInteraction ui;
    AppState state;
    state.AskBeforeSearch = false;
    SettingsStore store;
    EcuProtocol protocol(state, store, link, ui);

    EXPECT_EQ(findEcu(protocol, DiscoveryHooks{}), FindResult::Found);

    EXPECT_TRUE(state.EcuOnline);
    EXPECT_EQ(state.identity.VersionText, "2.051");
}

} // namespace
