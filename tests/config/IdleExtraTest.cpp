// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/IdleExtra.h"

#include "RecordingInteraction.h"
#include "comm/EcuProtocol.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <gtest/gtest.h>

namespace {

class IdleExtraTest : public ::testing::Test {
protected:
    void SetUp() override {
        state.EcuOnline = true;
        ecu.setSerialBytes(0x67, 0x00, 42); // 1-4-07-00042
        setupExtra(protocol);
        link.clearWritten();
    }

    AppState state;
    SimulatedEcu ecu;
    SimulatedLink link{&ecu};
    RecordingInteraction ui;
    SettingsStore store;
    EcuProtocol protocol{state, store, link, ui};
};

// Reading the bytes back splits the serial number into its fields again.
TEST_F(IdleExtraTest, SetupExtraReadsTheSpareValuesAndSplitsTheSerialNumber) {
    const struct {
        uint8_t b1, b2, b3;
        const char* text;
    } cases[] = {{0x67, 0x00, 42, "1-4-07-00042"},
                 {0xFF, 0xFF, 0xFF, "4-8-31-16383"},
                 {0x00, 0x40, 0x01, "2-1-00-00001"}};
    EcuSettings image = SimulatedEcu::defaultImage();
    image.UC_Extra[2] = 77;
    image.UI_Extra[1] = 40000;
    ecu.setSettings(image);
    for (const auto& c : cases) {
        ecu.setSerialBytes(c.b1, c.b2, c.b3);
        setupExtra(protocol);
        EXPECT_EQ(state.identity.SerialNumberText, c.text);
    }
    EXPECT_EQ(store.settings().UC_Extra[2], 77);
    EXPECT_EQ(store.settings().UI_Extra[1], 40000);
    EXPECT_EQ(link.written().count(char(124)), 3);
}

// Only the serial bytes whose value changes are sent, each after its command.
TEST_F(IdleExtraTest, SerialFieldEntrySendsOnlyTheChangedBytes) {
    const struct {
        int field;
        const char* typed;
        QByteArray sent; // each command byte and its value
        const char* text;
    } cases[] = {
        {3, "298", QByteArray::fromHex("fd01"), "1-4-07-00298"},       // byte 2 only
        {3, "300", QByteArray::fromHex("fe2c"), "1-4-07-00300"},       // byte 3 only
        {3, "99999", QByteArray::fromHex("fd3ffeff"), "1-4-07-16383"}, // limited
        {2, "40", QByteArray::fromHex("fc7f"), "1-4-31-16383"},        // year held to 31
        {0, "0", {}, "1-4-31-16383"},                                  // model held to 1
        {0, "2.5", QByteArray::fromHex("fd7f"), "2-4-31-16383"},       // half to even
        {1, "abc", {}, "2-4-31-16383"},                                // not a number
        {1, "8", QByteArray::fromHex("fcff"), "2-8-31-16383"},
    };
    for (const auto& c : cases) {
        link.clearWritten();
        const QString shown = QString::number(state.identity.*serialFieldRules()[c.field].field);
        EXPECT_EQ(enterSerialField(protocol, c.field, shown, QString::fromLatin1(c.typed)),
                  !c.sent.isEmpty())
            << c.typed;
        EXPECT_EQ(link.written().toHex(), c.sent.toHex()) << c.typed;
        EXPECT_EQ(state.identity.SerialNumberText, c.text) << c.typed;
    }
    setupExtra(protocol); // the ECU holds what was sent
    EXPECT_EQ(state.identity.SerialNumberText, "2-8-31-16383");
}

} // namespace
