#include "BlockBuilder.h"
#include "ScriptedLink.h"

#include "RecordingInteraction.h"
#include "comm/BulkReads.h"

#include <gtest/gtest.h>

namespace {

using Icon = UserInteraction::Icon;

class BulkReadsTest : public ::testing::Test {
protected:
    BulkReadsTest() {
        state.settings = EcuSettings::withDefaults();
        for (auto& row : state.settings.FuelTable) {
            row.fill(-7);
        }
        state.settings.IgnitionTable = state.settings.FuelTable;
        state.EcuOnline = true;
        before = state.settings;
    }

    AppState state;
    EcuSettings before;
    ScriptedLink link;
    RecordingInteraction ui;
};

TEST_F(BulkReadsTest, FuelBlockOfOnesCarriesTheSum256) {
    const QByteArray block = tableBlock([](int, int) { return 1; });
    ASSERT_EQ(static_cast<uint8_t>(block[257]), 1); // byte 258
    ASSERT_EQ(static_cast<uint8_t>(block[258]), 0); // byte 259
    link.blocks.push_back(block);

    EXPECT_EQ(getHighSpeedFuelData(state, link, ui), BulkReadResult::Ok);

    EXPECT_EQ(link.written, std::vector<int>{14});
    EXPECT_EQ(link.blockRequests, (std::vector<std::pair<int, int>>{{260, 2000}}));
    EXPECT_EQ(link.clears, 0);
    EXPECT_TRUE(ui.messages.empty());
    for (int load = 0; load < 16; ++load) {
        for (int rpm = 0; rpm < 16; ++rpm) {
            EXPECT_EQ(state.settings.FuelTable[load][rpm], 1);
        }
        // Row and column 16 are not in the block.
        EXPECT_EQ(state.settings.FuelTable[load][16], -7);
        EXPECT_EQ(state.settings.FuelTable[16][load], -7);
    }
}

TEST_F(BulkReadsTest, TableBlockRunsLoadRowsOfSixteenRpmCells) {
    link.blocks.push_back(tableBlock([](int load, int rpm) { return load * 16 + rpm; }));

    EXPECT_EQ(getHighSpeedIgnData(state, link, ui), BulkReadResult::Ok);

    EXPECT_EQ(link.written, std::vector<int>{15});
    EXPECT_EQ(state.settings.IgnitionTable[0][1], 1);
    EXPECT_EQ(state.settings.IgnitionTable[1][0], 16);
    EXPECT_EQ(state.settings.IgnitionTable[15][15], 255);
    EXPECT_EQ(state.settings.FuelTable, before.FuelTable);
}

// Regression: a block whose sum did not match used to be stored before the
// comparison, leaving corrupt cells in the table.
TEST_F(BulkReadsTest, BadSumStoresNothing) {
    QByteArray block = tableBlock([](int, int) { return 40; });
    block[100] = static_cast<char>(41);
    link.blocks.push_back(block);

    EXPECT_EQ(getHighSpeedFuelData(state, link, ui), BulkReadResult::BadSum);

    EXPECT_EQ(state.settings, before);
    EXPECT_TRUE(state.EcuOnline);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Download Error! (Fuel)");
    EXPECT_EQ(ui.messages[0].icon, Icon::Information);
    EXPECT_EQ(ui.messages[0].title, "Vantrel");
}

TEST_F(BulkReadsTest, ShortOrLongBlockFailsAndStoresNothing) {
    const QByteArray good = tableBlock([](int, int) { return 3; });
    link.blocks.push_back(good.left(259));
    link.blocks.push_back(good + QByteArray(1, '\0'));

    EXPECT_EQ(getHighSpeedIgnData(state, link, ui), BulkReadResult::Failed);
    EXPECT_EQ(getHighSpeedFuelData(state, link, ui), BulkReadResult::Failed);

    EXPECT_EQ(state.settings, before);
    EXPECT_TRUE(state.EcuOnline);
    EXPECT_EQ(ui.texts(), (QStringList{"Download Failed! (Ign)", "Download Failed! (Fuel)"}));
    EXPECT_EQ(ui.messages[0].icon, Icon::Information);
    EXPECT_EQ(ui.messages[0].title, "Vantrel");
}

TEST_F(BulkReadsTest, ClosedPortReportsDownloadFailed) {
    link.close();

    EXPECT_EQ(getHighSpeedFuelData(state, link, ui), BulkReadResult::Failed);

    EXPECT_TRUE(link.blockRequests.empty());
    EXPECT_EQ(ui.texts(), QStringList{"Download Failed! (Fuel)"});
}

TEST_F(BulkReadsTest, HeaderAndTrailerAreIgnored) {
    QByteArray block = tableBlock([](int, int) { return 2; });
    block[0] = static_cast<char>(0xFF);
    block[259] = static_cast<char>(0xFF);
    link.blocks.push_back(block);

    EXPECT_EQ(getHighSpeedFuelData(state, link, ui), BulkReadResult::Ok);
}

// Positions of the other-settings block, each given a distinct value.
std::map<int, int> otherBlockData() {
    std::map<int, int> d;
    for (int p = 2; p <= 205; ++p) {
        d[p] = (p * 7) % 256;
    }
    d[7] = 7;                // MaxRpm units, no cap in the block
    d[8] = 33, d[9] = 252;   // RevLimit 8700
    d[10] = 19, d[11] = 136; // LaunchControlRpm 5000
    d[21] = 0xF0;            // EgoMaxRpm 15, EgoMinRpm 0
    d[22] = 0x3C;            // EgoMaxLoad 3, EgoMinLoad 12
    d[52] = 1, d[53] = 244;  // CrankRpm 500
    d[69] = 255, d[70] = 255;
    d[75] = 4, d[76] = 76; // IacColdRpm 1100
    return d;
}

TEST_F(BulkReadsTest, OtherBlockFillsEveryFieldAtItsPosition) {
    const std::map<int, int> d = otherBlockData();
    link.blocks.push_back(makeBlock(208, d));

    EXPECT_EQ(getHighSpeedOtherData(state, link, ui), BulkReadResult::Ok);

    const EcuSettings& s = state.settings;
    EXPECT_EQ(link.written, std::vector<int>{16});
    EXPECT_EQ(link.blockRequests, (std::vector<std::pair<int, int>>{{208, 2000}}));
    EXPECT_TRUE(state.EcuOnline);
    // Single-byte fields: {stored value, block position}.
    const std::vector<std::pair<int, int>> bytes = {
        {s.NumberOfCylinders, 2},  {s.InjectionLoadIndex, 3},
        {s.InjectionRpmIndex, 4},  {s.MinOpenTime, 5},
        {s.LoadControl, 6},        {s.IgnitionType, 12},
        {s.AirTempSensorType, 13}, {s.WaterTempSensorType, 14},
        {s.MapSensorType, 15},     {s.MapMaxBits, 16},
        {s.MapMinBits, 17},        {s.TpsSensorType, 18},
        {s.TpsMaxBits, 19},        {s.TpsMinBits, 20},
        {s.EgoGainP, 23},          {s.EgoGainI, 24},
        {s.EgoUpdateRevs, 25},     {s.EgoMinCoolantTemp, 26},
        {s.EgoControl, 27},        {s.WheelType, 28},
        {s.CrankDuration, 51},     {s.CrankPrimePulse, 54},
        {s.AccelPercent, 55},      {s.AccelDuration, 56},
        {s.AccelMinTpsRate, 59},   {s.AccelMinTps, 60},
        {s.DecelMinTps, 63},       {s.DecelCutRpm, 64},
        {s.ChargeTime, 65},        {s.IacColdPosition, 79},
        {s.IacHotPosition, 80},    {s.IacType, 81},
        {s.IacTemp, 82},           {s.IacTravel, 83}};
    for (const auto& [value, position] : bytes) {
        EXPECT_EQ(value, d.at(position)) << position;
    }
    EXPECT_EQ(s.MaxRpm, 21000);
    EXPECT_EQ(s.RevLimit, 8700);
    EXPECT_EQ(s.LaunchControlRpm, 5000);
    EXPECT_EQ(s.EgoMaxRpm, 15);
    EXPECT_EQ(s.EgoMinRpm, 0);
    EXPECT_EQ(s.EgoMaxLoad, 3);
    EXPECT_EQ(s.EgoMinLoad, 12);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(s.UserOutputType[k], d.at(29 + 3 * k)) << k;
        EXPECT_EQ(s.UserOutputOn[k], d.at(30 + 3 * k)) << k;
        EXPECT_EQ(s.UserOutputOff[k], d.at(31 + 3 * k)) << k;
        EXPECT_EQ(s.CrankPercent[k], d.at(47 + k)) << k;
    }
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(s.UserInputAnalogMode[k], d.at(41 + k)) << k;
        EXPECT_EQ(s.UserInputDigitalMode[k], d.at(44 + k)) << k;
        EXPECT_EQ(s.UC_Extra[k], d.at(66 + k)) << k;
        EXPECT_EQ(s.UI_Extra[k], d.at(69 + 2 * k) * 256 + d.at(70 + 2 * k)) << k;
        EXPECT_EQ(s.BankCompensation[2 + k], d.at(203 + k)) << k;
    }
    EXPECT_EQ(s.UI_Extra[0], 65535);
    EXPECT_EQ(s.CrankRpm, 500);
    EXPECT_EQ(s.AccelRpm, d.at(57) * 256 + d.at(58));
    EXPECT_EQ(s.DecelMaxRpm, d.at(61) * 256 + d.at(62));
    EXPECT_EQ(s.IacColdRpm, 1100);
    EXPECT_EQ(s.IacHotRpm, d.at(77) * 256 + d.at(78));
    for (int row = 0; row <= 16; ++row) {
        EXPECT_EQ(s.UserInputAnalogTable[0][row], d.at(84 + row)) << row;
        EXPECT_EQ(s.UserInputAnalogTable[1][row], d.at(101 + row)) << row;
        EXPECT_EQ(s.UserInputAnalogTable[2][row], d.at(118 + row)) << row;
        EXPECT_EQ(s.AirTempIgnitionComp[row], d.at(135 + row)) << row;
        EXPECT_EQ(s.AirTempFuelComp[row], d.at(152 + row)) << row;
        EXPECT_EQ(s.WaterTempFuelComp[row], d.at(169 + row)) << row;
        EXPECT_EQ(s.BatteryVoltFuelComp[row], d.at(186 + row)) << row;
    }
}

TEST_F(BulkReadsTest, OtherBlockLeavesTheSlotsThatStayInTheProgram) {
    state.settings.AirTempFuelComp[17] = 77;
    state.settings.UserInputAnalogTable[1][17] = 78;
    state.settings.UC_Extra[3] = 79;
    state.settings.UI_Extra[4] = 80;
    state.settings.InjectorCloseAngle = 81;
    link.blocks.push_back(makeBlock(208, otherBlockData()));

    ASSERT_EQ(getHighSpeedOtherData(state, link, ui), BulkReadResult::Ok);

    EXPECT_EQ(state.settings.AirTempFuelComp[17], 77);
    EXPECT_EQ(state.settings.UserInputAnalogTable[1][17], 78);
    EXPECT_EQ(state.settings.UC_Extra[3], 79);
    EXPECT_EQ(state.settings.UI_Extra[4], 80);
    EXPECT_EQ(state.settings.InjectorCloseAngle, 81);
    EXPECT_EQ(state.settings.FuelTable, before.FuelTable);
}

TEST_F(BulkReadsTest, OtherBlockWithBadSumChangesNothingAndGoesOffline) {
    QByteArray block = makeBlock(208, otherBlockData());
    block[205] = static_cast<char>(static_cast<uint8_t>(block[205]) ^ 1); // sum low byte
    link.blocks.push_back(block);

    EXPECT_EQ(getHighSpeedOtherData(state, link, ui), BulkReadResult::BadSum);

    EXPECT_EQ(state.settings, before);
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(ui.texts(), QStringList{"Download Error! (Other)"});
    EXPECT_EQ(ui.messages[0].icon, Icon::Information);
}

TEST_F(BulkReadsTest, OtherBlockTooShortGoesOffline) {
    link.blocks.push_back(makeBlock(208, otherBlockData()).left(207));

    EXPECT_EQ(getHighSpeedOtherData(state, link, ui), BulkReadResult::Failed);

    EXPECT_EQ(state.settings, before);
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(ui.texts(), QStringList{"Download Failed! (Other)"});
}

} // namespace
