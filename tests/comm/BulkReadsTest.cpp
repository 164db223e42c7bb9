// SPDX-License-Identifier: GPL-3.0-or-later
#include "BlockBuilder.h"
#include "ScriptedLink.h"

#include "RecordingInteraction.h"
#include "TestData.h"
#include "comm/BulkReads.h"
#include "sim/SimulatedEcu.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

class BulkReadsTest : public ::testing::Test {
protected:
    BulkReadsTest() {
        for (auto& row : record.FuelTable) {
            row.fill(-7);
        }
        record.IgnitionTable = record.FuelTable;
        state.EcuOnline = true;
        before = record;
    }

    AppState state;
    EcuSettings record = EcuSettings::withDefaults();
    EcuSettings before;
    ScriptedLink link;
    RecordingInteraction ui;
};

TEST_F(BulkReadsTest, FuelBlockOfOnesCarriesTheSum256) {
    const QByteArray block = tableBlock([](int, int) { return 1; });
    ASSERT_EQ(static_cast<uint8_t>(block[257]), 1); // byte 258
    ASSERT_EQ(static_cast<uint8_t>(block[258]), 0); // byte 259
    link.blocks.push_back(block);

    EXPECT_EQ(getHighSpeedFuelData(state, record, link, ui), BulkReadResult::Ok);

    EXPECT_EQ(link.written, std::vector<int>{14});
    EXPECT_EQ(link.blockRequests, (std::vector<std::pair<int, int>>{{260, 2000}}));
    EXPECT_EQ(link.clears, 0);
    EXPECT_TRUE(ui.messages.empty());
    for (int load = 0; load < 16; ++load) {
        for (int rpm = 0; rpm < 16; ++rpm) {
            EXPECT_EQ(record.FuelTable[load][rpm], 1);
        }
        // Row and column 16 are not in the block.
        EXPECT_EQ(record.FuelTable[load][16], -7);
        EXPECT_EQ(record.FuelTable[16][load], -7);
    }
}

TEST_F(BulkReadsTest, TableBlockRunsLoadRowsOfSixteenRpmCells) {
    link.blocks.push_back(tableBlock([](int load, int rpm) { return load * 16 + rpm; }));

    EXPECT_EQ(getHighSpeedIgnData(state, record, link, ui), BulkReadResult::Ok);

    EXPECT_EQ(link.written, std::vector<int>{15});
    EXPECT_EQ(record.IgnitionTable[0][1], 1);
    EXPECT_EQ(record.IgnitionTable[1][0], 16);
    EXPECT_EQ(record.IgnitionTable[15][15], 255);
    EXPECT_EQ(record.FuelTable, before.FuelTable);
}

// The golden other-settings block, written out from the block's description:
// the echoed command, every field distinct (the EGO limits as nibbles, MaxRpm
// 12000 in units of 3000, RevLimit 0x1234), the sum and the trailer.
QByteArray goldenOtherBlock() {
    return QByteArray::fromHex(testDataText(QStringLiteral("sim/other-block.hex")).toLatin1());
}

TEST_F(BulkReadsTest, OtherBlockFillsEveryFieldAtItsPosition) {
    const QByteArray golden = goldenOtherBlock();
    ASSERT_EQ(golden.size(), 208);
    link.blocks.push_back(golden);

    EXPECT_EQ(getHighSpeedOtherData(state, record, link, ui), BulkReadResult::Ok);

    EXPECT_EQ(link.written, std::vector<int>{16});
    EXPECT_EQ(link.blockRequests, (std::vector<std::pair<int, int>>{{208, 2000}}));
    EXPECT_TRUE(state.EcuOnline);
    const EcuSettings& s = record;
    EXPECT_EQ(s.MaxRpm, 12000);
    EXPECT_EQ(s.RevLimit, 0x1234);
    EXPECT_EQ(s.EgoMaxRpm, 12);
    EXPECT_EQ(s.EgoMinRpm, 3);
    EXPECT_EQ(s.EgoMaxLoad, 4);
    EXPECT_EQ(s.EgoMinLoad, 9);
    // Packed again by the simulated ECU, which lays the block out on its own
    // rather than from the field table, every field lands where it came from.
    EXPECT_EQ(SimulatedEcu::otherBlock(s).toHex(' ').toStdString(),
              golden.toHex(' ').toStdString());
}

TEST_F(BulkReadsTest, OtherBlockLeavesTheSlotsThatStayInTheProgram) {
    record.AirTempFuelComp[17] = 77;
    record.UserInputAnalogTable[1][17] = 78;
    record.UC_Extra[3] = 79;
    record.UI_Extra[4] = 80;
    record.InjectorCloseAngle = 81;
    link.blocks.push_back(goldenOtherBlock());

    ASSERT_EQ(getHighSpeedOtherData(state, record, link, ui), BulkReadResult::Ok);

    EXPECT_EQ(record.AirTempFuelComp[17], 77);
    EXPECT_EQ(record.UserInputAnalogTable[1][17], 78);
    EXPECT_EQ(record.UC_Extra[3], 79);
    EXPECT_EQ(record.UI_Extra[4], 80);
    EXPECT_EQ(record.InjectorCloseAngle, 81);
    EXPECT_EQ(record.FuelTable, before.FuelTable);
}

// A block that is short, long or wrongly summed stores nothing (a bad sum was
// once stored before the comparison); only a failed other-settings block
// takes the ECU offline.
TEST(BulkReadFailures, StoreNothingAndSayWhichBlockFailed) {
    using Read = BulkReadResult (*)(AppState&, EcuSettings&, SerialLink&, UserInteraction&);
    const QByteArray table = tableBlock([](int, int) { return 40; });
    QByteArray badTableSum = table;
    badTableSum[100] = static_cast<char>(41);
    QByteArray badOtherSum = goldenOtherBlock();
    badOtherSum[205] = static_cast<char>(static_cast<uint8_t>(badOtherSum[205]) ^ 1);
    const struct {
        Read read;
        std::optional<QByteArray> block; // none: the port is closed
        BulkReadResult result;
        bool online;
        const char* text;
    } cases[] = {
        {getHighSpeedFuelData, badTableSum, BulkReadResult::BadSum, true, "Download Error! (Fuel)"},
        {getHighSpeedIgnData, table.left(259), BulkReadResult::Failed, true,
         "Download Failed! (Ign)"},
        {getHighSpeedFuelData, table + QByteArray(1, '\0'), BulkReadResult::Failed, true,
         "Download Failed! (Fuel)"},
        {getHighSpeedFuelData, std::nullopt, BulkReadResult::Failed, true,
         "Download Failed! (Fuel)"},
        {getHighSpeedOtherData, badOtherSum, BulkReadResult::BadSum, false,
         "Download Error! (Other)"},
        {getHighSpeedOtherData, goldenOtherBlock().left(207), BulkReadResult::Failed, false,
         "Download Failed! (Other)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        AppState state;
        state.EcuOnline = true;
        EcuSettings record = EcuSettings::withDefaults();
        const EcuSettings before = record;
        ScriptedLink link;
        RecordingInteraction ui;
        if (c.block) {
            link.blocks.push_back(*c.block);
        } else {
            link.close();
        }

        EXPECT_EQ(c.read(state, record, link, ui), c.result);

        EXPECT_EQ(record, before);
        EXPECT_EQ(state.EcuOnline, c.online);
        EXPECT_EQ(ui.boxes(), QStringList{QStringLiteral("Information|Vantrel|") + c.text});
        EXPECT_EQ(link.blockRequests.size(), c.block ? 1u : 0u);
    }
}

} // namespace
