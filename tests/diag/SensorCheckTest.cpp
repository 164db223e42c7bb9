// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag/SensorCheck.h"
#include "monitor/LiveSample.h"

#include "RecordingInteraction.h"
#include "record/AppState.h"
#include "record/EngineData.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

EngineChannel channel(uint8_t low, uint8_t high, float value) {
    EngineChannel c;
    c.RawLow = low;
    c.RawHigh = high;
    c.Value = value;
    return c;
}

struct Sent {
    int command;
    int outputPort; // the output number at the moment of sending
};

class SensorCheckTest : public ::testing::Test {
protected:
    AppState state;
    RecordingInteraction ui;
    std::vector<Sent> sent;
    CommandSender send = [this](int command, int, int) {
        sent.push_back({command, state.OutputTestPort});
    };
};

TEST_F(SensorCheckTest, RowsShowBitsVoltsAndValuesUserInputsOffStayEmpty) {
    EngineData e = EngineData::withChannelLayout();
    EcuSettings settings;
    e.MapChannel = channel(255, 0, 14.7f);
    e.TpsChannel = channel(0, 0, 0.0f);
    e.WaterChannel = channel(60, 0, 180.0f);
    e.AirChannel = channel(100, 0, 75.0f);
    e.BatteryChannel = channel(200, 0, 12.4f);
    e.UserChannel[0] = channel(128, 0, 105.0f);
    e.UserChannel[1] = channel(77, 0, 9.0f);
    e.UserChannel[2] = channel(51, 0, 1.0f);
    e.RpmChannel = channel(0xE2, 0x04, 1250.0f);
    settings.UserInputAnalogMode = {1, 0, 3};

    const SensorCheckDisplay d =
        composeSensorCheck(settings, state.DeveloperMode, LiveSample::fromEngineData(e, 0));
    const std::vector<std::array<QString, 4>> expected{
        {"Map", "255", "5.00", "14.70 psi"},
        {"Tps", "0", "0.00", "0.00 %"},
        {"Water", "60", "1.18", "180 F"},
        {"Air", "100", "1.96", "75 F"},
        {"Battery Volt", "200", "3.92", "12.40 Volt"},
        {"User #1", "128", "2.51 Volts", "105 %"},
        {"User #2", "", "", ""},
        {"User #3", "51", "1.00 Volts", "1.00 EGO"},
        {"Rpm", "226", "4.43", "1,250"},
    };
    for (int r = 0; r < SensorCheckDisplay::kRows; ++r) {
        const auto& row = d.rows[r];
        EXPECT_EQ((std::array<QString, 4>{row.caption, row.bits, row.volts, row.value}),
                  expected[r])
            << "row " << r;
    }
    EXPECT_TRUE(d.injectorTicks.isEmpty()) << "developer values outside developer mode";

    settings.UserInputAnalogMode = {2, 0, 0};
    EXPECT_EQ(composeSensorCheck(settings, state.DeveloperMode, LiveSample::fromEngineData(e, 0))
                  .rows[5]
                  .value,
              "105 Deg");

    state.DeveloperMode = true;
    settings.UC_Extra = {1, 2, 3, 4, 5};
    settings.UI_Extra = {1000, 2, 3, 4, 65535};
    e.InjectorChannel = channel(0x10, 0x27, 0.0f); // 0x2710 = 10000 ticks
    e.AdvanceChannel = channel(45, 0, 0.0f);
    const SensorCheckDisplay dev =
        composeSensorCheck(settings, state.DeveloperMode, LiveSample::fromEngineData(e, 0));
    EXPECT_EQ(dev.charExtra[4], "5");
    EXPECT_EQ(dev.intExtra[4], "65535");
    EXPECT_EQ(dev.injectorTicks, "10,000");
    EXPECT_EQ(dev.injectorHigh, "39");
    EXPECT_EQ(dev.injectorLow, "16");
    EXPECT_EQ(dev.firingAngle, "22.50");
}

TEST_F(SensorCheckTest, OutputTestSendsCommand17WithTheOutputNumberOnlineOnly) {
    state.EcuOnline = true;
    EXPECT_TRUE(fireOutput(state, ui, send, 1));
    EXPECT_TRUE(fireOutput(state, ui, send, 8));
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].command, 17);
    EXPECT_EQ(sent[0].outputPort, 1);
    EXPECT_EQ(sent[1].outputPort, 8);
    EXPECT_EQ(state.OutputTestPort, 0);
    EXPECT_TRUE(ui.messages.empty());

    state.EcuOnline = false;
    EXPECT_FALSE(fireOutput(state, ui, send, 2));
    EXPECT_EQ(sent.size(), 2u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains("offline"));
}

TEST_F(SensorCheckTest, StopEngineSaysOfflineElseSends127WithoutAsking) {
    EXPECT_FALSE(stopEngine(state, ui, send));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains("offline"));
    EXPECT_TRUE(sent.empty());

    state.EcuOnline = true;
    EXPECT_TRUE(stopEngine(state, ui, send));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].command, 127);
    EXPECT_EQ(ui.messages.size(), 1u);
}

} // namespace
