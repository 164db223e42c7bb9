#include "RecordingInteraction.h"
#include "comm/EcuProtocol.h"
#include "comm/Transfers.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <gtest/gtest.h>

namespace {

// A record that differs from the defaults in every field that travels to the
// ECU, with every value in its wire range and sound for the consistency check.
// Fields that stay in the program keep their defaults.
EcuSettings distinctRecord() {
    EcuSettings s = EcuSettings::withDefaults();
    s.NumberOfCylinders = 6;
    s.IgnitionType = 2;
    s.MaxRpm = 12000;
    s.RevLimit = 8123;
    s.LaunchControlRpm = 4321;
    s.AirTempSensorType = 0;
    s.MapSensorType = 2;
    s.MapMaxBits = 240;
    s.MapMinBits = 12;
    s.TpsMaxBits = 230;
    s.TpsMinBits = 14;
    s.InjectionLoadIndex = 9;
    s.InjectionRpmIndex = 3;
    s.MinOpenTime = 21;
    s.LoadControl = 1;
    s.WheelType = 0;
    s.ChargeTime = 41;
    s.CrankPercent = {51, 52, 53, 54};
    s.CrankDuration = 44;
    s.CrankRpm = 456;
    s.CrankPrimePulse = 7;
    s.AccelPercent = 90;
    s.AccelDuration = 45;
    s.AccelRpm = 6543;
    s.AccelMinTpsRate = 11;
    s.AccelMinTps = 21;
    s.DecelMaxRpm = 1234;
    s.DecelMinTps = 3;
    s.DecelCutRpm = 8;
    s.BankCompensation = {0, 0, 98, 101, 110};
    s.EgoMaxRpm = 12;
    s.EgoMinRpm = 2;
    s.EgoMaxLoad = 1;
    s.EgoMinLoad = 14;
    s.EgoGainP = 3;
    s.EgoGainI = 4;
    s.EgoUpdateRevs = 6;
    s.EgoMinCoolantTemp = 88;
    s.IacType = 2;
    s.IacColdRpm = 1234;
    s.IacHotRpm = 777;
    s.IacColdPosition = 99;
    s.IacHotPosition = 16;
    s.IacTemp = 140;
    s.IacTravel = 200;
    s.UserOutputType = {1, 2, 3, 4};
    s.UserOutputOn = {10, 20, 30, 40};
    s.UserOutputOff = {11, 21, 31, 41};
    s.UserInputAnalogMode = {1, 2, 3};
    s.UserInputDigitalMode = {1, 2, 3};
    for (int row = 0; row < EcuSettings::kCurveSent; ++row) {
        for (int input = 0; input < 3; ++input) {
            s.UserInputAnalogTable[input][row] = static_cast<int16_t>(30 * input + row);
        }
        s.AirTempFuelComp[row] = static_cast<int16_t>(100 + row);
        s.WaterTempFuelComp[row] = static_cast<int16_t>(150 - row);
        s.BatteryVoltFuelComp[row] = static_cast<int16_t>(2 * row);
        s.AirTempIgnitionComp[row] = static_cast<int16_t>(255 - row);
    }
    for (int load = 0; load < 16; ++load) {
        for (int rpm = 0; rpm < 16; ++rpm) {
            s.FuelTable[load][rpm] = static_cast<int16_t>((load * 7 + rpm * 3) % 256);
            s.IgnitionTable[load][rpm] = static_cast<int16_t>((load * 5 + rpm * 11) % 256);
        }
    }
    s.UC_Extra = {1, 2, 3, 130, 140}; // slots 3 and 4 stay in the program
    s.UI_Extra = {1, 256, 65534, 65535, 65535};
    return s;
}

TEST(SimulatedEcuRoundTrip, FullSendThenFullReadGivesTheSameRecord) {
    SimulatedEcu ecu;
    SimulatedLink link(&ecu);
    RecordingInteraction ui;

    AppState sender;
    sender.settings = distinctRecord();
    sender.EcuOnline = true;
    sender.CodeSectionFlags[3] = true;
    EcuProtocol out(sender, link, ui);
    sendAllDataToEcu(out, TransferHooks{});
    ASSERT_TRUE(ui.messages.empty()) << ui.texts().join(" | ").toStdString();
    ASSERT_TRUE(sender.EcuOnline);

    AppState reader;
    reader.settings = EcuSettings::withDefaults();
    reader.EcuOnline = true;
    reader.CodeSectionFlags[3] = true;
    EcuProtocol in(reader, link, ui);
    EXPECT_TRUE(getAllDataFromEcu(in, TransferHooks{}));

    EXPECT_TRUE(ui.messages.empty()) << ui.texts().join(" | ").toStdString();
    EXPECT_EQ(reader.settings, sender.settings);
}

TEST(SimulatedEcuRoundTrip, SingleReadsMatchWhatWasWritten) {
    SimulatedEcu ecu;
    SimulatedLink link(&ecu);
    RecordingInteraction ui;
    AppState state;
    state.settings = distinctRecord();
    state.EcuOnline = true;
    EcuProtocol protocol(state, link, ui);

    for (int write : {194, 191, 129, 237, 249}) {
        protocol.getEcuData(write);
    }
    protocol.getEcuData(240, 4, 5);
    protocol.getEcuData(223, 16);

    AppState fresh;
    fresh.settings = EcuSettings::withDefaults();
    fresh.EcuOnline = true;
    EcuProtocol reader(fresh, link, ui);
    for (int read : {66, 63, 1, 109, 121}) {
        reader.getEcuData(read);
    }
    reader.getEcuData(112, 4, 5);
    reader.getEcuData(95, 16);

    EXPECT_TRUE(ui.messages.empty()) << ui.texts().join(" | ").toStdString();
    EXPECT_EQ(fresh.settings.RevLimit, 8123);
    EXPECT_EQ(fresh.settings.MaxRpm, 12000);
    EXPECT_EQ(fresh.settings.EgoMaxRpm, 12);
    EXPECT_EQ(fresh.settings.EgoMinRpm, 2);
    EXPECT_EQ(fresh.settings.LaunchControlRpm, 4321);
    EXPECT_EQ(fresh.settings.UI_Extra[2], 65534);
    EXPECT_EQ(fresh.settings.FuelTable[4][5], state.settings.FuelTable[4][5]);
    EXPECT_EQ(fresh.settings.AirTempIgnitionComp[16], state.settings.AirTempIgnitionComp[16]);
}

TEST(SimulatedEcuRoundTrip, SearchFindsTheSimulatedEcu) {
    SimulatedEcu ecu;
    SimulatedLink link(&ecu);
    RecordingInteraction ui;
    AppState state;
    state.AskBeforeSearch = false;
    EcuProtocol protocol(state, link, ui);

    EXPECT_EQ(findEcu(protocol, DiscoveryHooks{}), FindResult::Found);

    EXPECT_TRUE(state.EcuOnline);
    EXPECT_EQ(state.identity.VersionText, "2.051");
}

} // namespace

// The edge cases of the exchange kinds, against the simulated ECU: what the
// PC puts on the wire and what it stores from the answers.
namespace {
class SimulatedExchange : public ::testing::Test {
protected:
    SimulatedExchange() {
        state.settings = EcuSettings::withDefaults();
        state.EcuOnline = true;
        link.open(nullptr);
    }

    QByteArray written(std::initializer_list<int> bytes) {
        QByteArray out;
        for (int b : bytes) {
            out.append(static_cast<char>(b));
        }
        return out;
    }

    SimulatedEcu ecu;
    SimulatedLink link{&ecu};
    RecordingInteraction ui;
    AppState state;
    EcuProtocol protocol{state, link, ui};
};
} // namespace

TEST_F(SimulatedExchange, RevLimitWriteSendsHighByteTruncatedThenRemainder) {
    state.settings.RevLimit = 8700;
    protocol.getEcuData(194);
    EXPECT_EQ(link.written(), written({194, 33, 252}));
    EXPECT_EQ(ecu.settings().RevLimit, 8700);
    EXPECT_TRUE(state.EcuOnline);
    EXPECT_TRUE(state.EcuDataChanged);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SimulatedExchange, TwoByteReadWithLowByteZeroAndMaxRpmAboveFiveUnits) {
    EcuSettings image = ecu.settings();
    image.RevLimit = 7680; // answered as 30, then 0
    image.MaxRpm = 27000;  // answered as 9, read as 15000
    ecu.setSettings(image);
    protocol.getEcuData(66);
    EXPECT_EQ(link.written(), written({66, 33}));
    protocol.getEcuData(63);
    EXPECT_EQ(state.settings.RevLimit, 7680);
    EXPECT_EQ(state.settings.MaxRpm, 15000);
}

TEST_F(SimulatedExchange, CodesZeroAndTwoFiftyFiveAreRefusedOnlineAndSkippedOffline) {
    protocol.getEcuData(0);
    protocol.getEcuData(255);
    // 255 lies among the write codes, so its confirmation is read as well;
    // the ECU confirms nothing for a code it does not know.
    EXPECT_EQ(ui.texts(), (QStringList{"Command 0 Not Supported", "Command 255 Not Supported",
                                       "Communication Sync Lost!"}));
    EXPECT_FALSE(state.EcuOnline);

    state.EcuOnline = false;
    ui.clear();
    link.clearWritten();
    protocol.getEcuData(0);
    protocol.getEcuData(255);
    EXPECT_TRUE(link.written().isEmpty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SimulatedExchange, WriteNotConfirmedTakesTheEcuOfflineWithSyncLost) {
    ecu.setRefuseWrites(true);
    protocol.getEcuData(190);
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(ui.texts(), QStringList{"Communication Sync Lost!"});

    link.clearWritten();
    protocol.getEcuData(62);
    EXPECT_TRUE(link.written().isEmpty());
}

TEST_F(SimulatedExchange, StoreKeepsTheWorkingSettingsAndClearsTheChangedFlag) {
    state.settings.ChargeTime = 44;
    protocol.getEcuData(227);
    ASSERT_TRUE(state.EcuDataChanged);
    protocol.getEcuData(36);
    EXPECT_NE(state.StoreResult, 0);
    EXPECT_FALSE(state.EcuDataChanged);
    EXPECT_EQ(ecu.storedSettings().ChargeTime, 44);
}

TEST_F(SimulatedExchange, OutputTestSendsThePortNumber) {
    state.OutputTestPort = 3;
    protocol.getEcuData(17);
    EXPECT_EQ(link.written(), written({17, 3}));
    EXPECT_EQ(ecu.lastOutputTestPort(), 3);
}
