// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/SimulatedEcu.h"

#include "record/SensorConversions.h"
#include "tables/HitRule.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <initializer_list>
#include <set>
#include <vector>

namespace {

// Feeds bytes one at a time and keeps each reply separately.
std::vector<QByteArray> send(SimulatedEcu& ecu, std::initializer_list<int> bytes) {
    std::vector<QByteArray> replies;
    for (int b : bytes)
        replies.push_back(ecu.receive(static_cast<uint8_t>(b)));
    return replies;
}

int byteOf(const QByteArray& reply) {
    EXPECT_EQ(reply.size(), 1);
    return reply.isEmpty() ? -1 : static_cast<uint8_t>(reply[0]);
}

int at(const QByteArray& block, int position) { // 1-based, as the block layout counts
    return static_cast<uint8_t>(block[position - 1]);
}

int sumOf(const QByteArray& block, int first, int last) {
    int sum = 0;
    for (int p = first; p <= last; ++p)
        sum += at(block, p);
    return sum;
}

class SimulatedEcuTest : public ::testing::Test {
protected:
    qint64 m_ms = 0;
    SimulatedEcu m_ecu{SimulatedEcu::defaultImage(), [this] { return m_ms; }};
};

// --- Single-byte exchanges ---------------------------------------------------

TEST_F(SimulatedEcuTest, IdentityIsConfigurable) {
    m_ecu.setVersion(255, 3);
    m_ecu.setBuildNumber(12);
    m_ecu.setSerialBytes(1, 2, 3);
    EXPECT_EQ(byteOf(m_ecu.receive(34)), 255);
    EXPECT_EQ(byteOf(m_ecu.receive(35)), 3);
    EXPECT_EQ(byteOf(m_ecu.receive(29)), 12);
    EXPECT_EQ(byteOf(m_ecu.receive(124)), 1);
    EXPECT_EQ(byteOf(m_ecu.receive(125)), 2);
    EXPECT_EQ(byteOf(m_ecu.receive(126)), 3);
}

TEST_F(SimulatedEcuTest, ByteReadsAnswerDiscoveryIdentityAndFieldsInTheirWireForm) {
    const std::pair<int, int> cases[] = {
        {85, 170},                                                          // discovery
        {34, 2},    {35, 51}, {29, 7}, {124, 0x67}, {125, 0x00}, {126, 42}, // version 2.051 build 7
        {62, 4},                                                            // NumberOfCylinders
        {63, 3},    // MaxRpm 9000 in units of 3000
        {1, 240},   // EgoMaxRpm 15 high, EgoMinRpm 0 low
        {2, 15},    // EgoMaxLoad 0 high, EgoMinLoad 15 low
        {7, 90},    // EgoMinCoolantTemp
        {84, 3},    // UserInputDigitalMode 2
        {100, 50},  // CrankPercent 3
        {18, 100},  // BankCompensation bank 2
        {116, 120}, // UC_Extra 2
    };
    for (const auto& [command, reply] : cases)
        EXPECT_EQ(byteOf(m_ecu.receive(static_cast<uint8_t>(command))), reply) << command;
}

TEST_F(SimulatedEcuTest, TwoByteReadSendsHighThenLowAfterTheAcknowledge) {
    // RevLimit 8700 = 33 x 256 + 252
    const auto replies = send(m_ecu, {66, 33});
    EXPECT_EQ(byteOf(replies[0]), 33);
    EXPECT_EQ(byteOf(replies[1]), 252);
    EXPECT_FALSE(m_ecu.exchangeInProgress());
}

TEST_F(SimulatedEcuTest, TwoByteReadOfTheCrankPeriodGivesTheEngineSpeed) {
    m_ms = 20000; // running
    const double rpm = m_ecu.liveValues().rpm;
    const auto replies = send(m_ecu, {37, 33});
    const int period = byteOf(replies[0]) * 256 + byteOf(replies[1]);
    ASSERT_GT(period, 0);
    EXPECT_NEAR(60.0 / (period * 0.000024), rpm, rpm * 0.001);
}

TEST_F(SimulatedEcuTest, TwoByteReadWithoutTheAcknowledgeTakesTheByteAsANewCommand) {
    const auto replies = send(m_ecu, {66, 85});
    EXPECT_EQ(byteOf(replies[1]), 170);
}

// --- Writes --------------------------------------------------------------------

TEST_F(SimulatedEcuTest, TwoByteWriteOfRevLimit8700RepliesAfterEachByteAndConfirms) {
    const auto replies = send(m_ecu, {194, 33, 252});
    EXPECT_EQ(replies[0].size(), 1);
    EXPECT_EQ(replies[1].size(), 1);
    EXPECT_EQ(byteOf(replies[2]), 33);
    EXPECT_EQ(m_ecu.settings().RevLimit, 8700);

    const auto change = send(m_ecu, {194, 30, 0});
    EXPECT_EQ(byteOf(change[2]), 33);
    EXPECT_EQ(m_ecu.settings().RevLimit, 7680);
}

TEST_F(SimulatedEcuTest, SerialNumberWritesChangeTheIdentity) {
    EXPECT_EQ(byteOf(send(m_ecu, {253, 0x41})[1]), 33);
    EXPECT_EQ(byteOf(m_ecu.receive(125)), 0x41);
}

// --- Indexed and cell exchanges ------------------------------------------------

TEST_F(SimulatedEcuTest, IndexedReadAnswersTheSlotAfterTheIndex) {
    auto replies = send(m_ecu, {96, 0});
    EXPECT_EQ(replies[0].size(), 1);
    EXPECT_EQ(byteOf(replies[1]), 120); // AirTempFuelComp slot 0
    replies = send(m_ecu, {97, 16});
    EXPECT_EQ(byteOf(replies[1]), 100); // WaterTempFuelComp slot 16
    replies = send(m_ecu, {90, 5});
    EXPECT_EQ(byteOf(replies[1]), 125); // UserInputAnalogTable input 2, row 5
}

TEST_F(SimulatedEcuTest, IndexedWriteOutsideTheCurveIsNotConfirmed) {
    const EcuSettings before = m_ecu.settings();
    const auto replies = send(m_ecu, {225, 17, 50});
    EXPECT_NE(byteOf(replies[2]), 33);
    EXPECT_EQ(m_ecu.settings(), before);
    EXPECT_EQ(byteOf(m_ecu.receive(85)), 170); // back in step
}

// The replies of each write kind are the protocol's to check, against this
// ECU in the round trip of a whole record.
TEST_F(SimulatedEcuTest, CellWriteReadsBack) {
    EXPECT_EQ(byteOf(send(m_ecu, {240, 2, 5, 127})[3]), 33);
    EXPECT_EQ(m_ecu.settings().FuelTable[2][5], 127);

    const auto read = send(m_ecu, {112, 2, 5});
    EXPECT_EQ(read[1].size(), 1);
    EXPECT_EQ(byteOf(read[2]), 127);

    send(m_ecu, {241, 15, 0, 44});
    EXPECT_EQ(m_ecu.settings().IgnitionTable[15][0], 44);
    EXPECT_EQ(byteOf(send(m_ecu, {113, 15, 0})[2]), 44);
}

TEST_F(SimulatedEcuTest, OutputTestTakesThePortNumberAndAnswers) {
    const auto replies = send(m_ecu, {17, 1});
    EXPECT_EQ(replies[0].size(), 1);
    EXPECT_EQ(replies[1].size(), 1);
    EXPECT_EQ(m_ecu.lastOutputTestPort(), 1);
    EXPECT_EQ(m_ecu.outputTestCount(), 1);
    EXPECT_EQ(byteOf(m_ecu.receive(85)), 170);
}

// --- Other commands -------------------------------------------------------------

TEST_F(SimulatedEcuTest, StoreKeepsTheWrittenValuesThroughAPowerCycle) {
    send(m_ecu, {194, 33, 252 - 100}); // RevLimit 8600
    EXPECT_NE(byteOf(m_ecu.receive(36)), 0);
    EXPECT_EQ(m_ecu.storedSettings().RevLimit, 8600);
    EXPECT_EQ(m_ecu.storeCount(), 1);

    send(m_ecu, {190, 8}); // not stored
    m_ecu.powerCycle();
    EXPECT_EQ(m_ecu.settings().RevLimit, 8600);
    EXPECT_EQ(m_ecu.settings().NumberOfCylinders, 4);
}

TEST_F(SimulatedEcuTest, StoreThatFailsAnswersZero) {
    m_ecu.setStoreFails(true);
    send(m_ecu, {190, 8});
    EXPECT_EQ(byteOf(m_ecu.receive(36)), 0);
    EXPECT_EQ(m_ecu.storedSettings().NumberOfCylinders, 4);
}

// Commands with nothing stored, and codes the ECU does not know, are answered
// with one byte and leave no exchange open.
TEST_F(SimulatedEcuTest, OneByteCommandsAndUnsupportedCodesLeaveNoExchangeOpen) {
    for (int code : {9, 53, 127, 5, 10, 42, 118, 128, 133, 213, 246, 255, 0}) {
        EXPECT_EQ(m_ecu.receive(static_cast<uint8_t>(code)).size(), 1) << code;
        EXPECT_EQ(byteOf(m_ecu.receive(85)), 170) << code;
    }
}

TEST_F(SimulatedEcuTest, ExchangeAbandonedByThePcIsDroppedAfterThePause) {
    m_ecu.setExchangeTimeoutMs(1000);
    m_ecu.receive(194); // write started, value never sent
    m_ms += 1500;
    EXPECT_EQ(byteOf(m_ecu.receive(85)), 170);
    EXPECT_EQ(m_ecu.settings().RevLimit, 8700);
}

TEST_F(SimulatedEcuTest, ResetDropsAnExchangeInProgress) {
    m_ecu.receive(240);
    m_ecu.receive(1);
    m_ecu.reset();
    EXPECT_EQ(byteOf(m_ecu.receive(85)), 170);
}

// --- Bulk reads --------------------------------------------------------------------

TEST_F(SimulatedEcuTest, FuelBlockCarriesTheTableByLoadThenRpmAndItsSum) {
    EcuSettings image = SimulatedEcu::defaultImage();
    for (int load = 0; load < 17; ++load)
        for (int rpm = 0; rpm < 17; ++rpm)
            image.FuelTable[load][rpm] = static_cast<int16_t>(load * 16 + rpm);
    m_ecu.setSettings(image);

    const QByteArray block = m_ecu.receive(14);
    ASSERT_EQ(block.size(), 260);
    for (int load = 0; load < 16; ++load)
        for (int rpm = 0; rpm < 16; ++rpm)
            EXPECT_EQ(at(block, 2 + load * 16 + rpm), load * 16 + rpm);
    const int sum = 255 * 256 / 2; // 0 + 1 + ... + 255
    EXPECT_EQ(at(block, 258) * 256 + at(block, 259), sum);
    EXPECT_FALSE(m_ecu.exchangeInProgress());
}

TEST_F(SimulatedEcuTest, BulkBlocksFollowTheWorkingImage) {
    send(m_ecu, {240, 0, 0, 200});
    const QByteArray block = m_ecu.receive(14);
    EXPECT_EQ(at(block, 2), 200);
    EXPECT_EQ(at(block, 258) * 256 + at(block, 259), sumOf(block, 2, 257));
}

// --- Fault modes --------------------------------------------------------------------

TEST_F(SimulatedEcuTest, BadChecksumAffectsOnlyTheChosenBlock) {
    m_ecu.setBadChecksum(15);
    const QByteArray ign = m_ecu.receive(15);
    ASSERT_EQ(ign.size(), 260);
    EXPECT_NE(at(ign, 258) * 256 + at(ign, 259), sumOf(ign, 2, 257));
    const QByteArray fuel = m_ecu.receive(14);
    EXPECT_EQ(at(fuel, 258) * 256 + at(fuel, 259), sumOf(fuel, 2, 257));
    const QByteArray other = m_ecu.receive(16);
    EXPECT_EQ(at(other, 206) * 256 + at(other, 207), sumOf(other, 2, 205));
}

TEST_F(SimulatedEcuTest, ShortBlockLacksOneByte) {
    m_ecu.setShortBlock(16);
    EXPECT_EQ(m_ecu.receive(16).size(), 207);
    EXPECT_EQ(m_ecu.receive(14).size(), 260);
    m_ecu.setShortBlock(14);
    EXPECT_EQ(m_ecu.receive(14).size(), 259);
}

TEST_F(SimulatedEcuTest, RefusedWriteIsNotConfirmedAndChangesNothing) {
    m_ecu.setRefuseWrites(true);
    const auto replies = send(m_ecu, {194, 30, 0});
    EXPECT_NE(byteOf(replies[2]), 33);
    EXPECT_EQ(m_ecu.settings().RevLimit, 8700);
    EXPECT_NE(byteOf(send(m_ecu, {240, 1, 1, 9})[3]), 33);
    EXPECT_EQ(byteOf(m_ecu.receive(62)), 4); // reads still work
}

TEST_F(SimulatedEcuTest, SilentAfterWritesConfirmsTheLastOneThenAnswersNothing) {
    m_ecu.setSilentAfterWrites(2);
    EXPECT_EQ(byteOf(send(m_ecu, {62})[0]), 4); // reads do not count
    EXPECT_EQ(byteOf(send(m_ecu, {240, 1, 1, 9})[3]), 33);
    EXPECT_EQ(byteOf(send(m_ecu, {240, 1, 2, 8})[3]), 33);
    EXPECT_TRUE(m_ecu.receive(62).isEmpty());
    EXPECT_TRUE(send(m_ecu, {240, 1, 3, 7})[0].isEmpty());
    EXPECT_EQ(m_ecu.settings().FuelTable[1][3], SimulatedEcu::defaultImage().FuelTable[1][3]);
    m_ecu.setSilent(false);
    EXPECT_EQ(byteOf(m_ecu.receive(62)), 4);
    EXPECT_EQ(byteOf(send(m_ecu, {240, 1, 3, 7})[3]), 33) << "the count is used up";
}

TEST_F(SimulatedEcuTest, StatusFlagsShowInTheStatusBytes) {
    m_ecu.setStatus1Flags(32 | 16);
    m_ecu.setStatus3Flags(1 | 2);
    m_ecu.setStatus4(9);
    m_ecu.setStatus2Flags(16);
    EXPECT_EQ(byteOf(m_ecu.receive(50)) & 0xF0, 48);
    EXPECT_EQ(byteOf(m_ecu.receive(51)), 3);
    EXPECT_EQ(byteOf(m_ecu.receive(52)), 9);
    EXPECT_EQ(byteOf(m_ecu.receive(49)) & 16, 16);
}

TEST_F(SimulatedEcuTest, ClearWarningsKeepsErrorsButClearsWarningsAndStatus3) {
    m_ecu.setStatus1Flags(128 | 32 | 16);
    m_ecu.setStatus3Flags(2);
    m_ecu.receive(53);
    EXPECT_EQ(byteOf(m_ecu.receive(50)) & 0xF0, 32);
    EXPECT_EQ(byteOf(m_ecu.receive(51)), 0);
    EXPECT_EQ(m_ecu.clearWarningsCount(), 1);
}

// --- Engine model ------------------------------------------------------------------

TEST_F(SimulatedEcuTest, EngineGoesFromPrimingToCrankingToRunning) {
    m_ms = 0;
    EXPECT_EQ(m_ecu.enginePhase(), SimulatedEcu::EnginePhase::Priming);
    int status1 = byteOf(m_ecu.receive(50));
    EXPECT_EQ(status1 & 2, 0); // not turning
    EXPECT_EQ(status1 & 4, 4); // pump on

    m_ms = SimulatedEcu::kPrimeMs + 500;
    EXPECT_EQ(m_ecu.enginePhase(), SimulatedEcu::EnginePhase::Cranking);
    status1 = byteOf(m_ecu.receive(50));
    EXPECT_EQ(status1 & 6, 6);
    const double crankRpm = m_ecu.liveValues().rpm;
    EXPECT_GT(crankRpm, 0);
    EXPECT_LT(crankRpm, m_ecu.settings().CrankRpm);

    m_ms = 20000;
    EXPECT_EQ(m_ecu.enginePhase(), SimulatedEcu::EnginePhase::Running);
    EXPECT_EQ(byteOf(m_ecu.receive(50)) & 6, 6);
    EXPECT_GE(m_ecu.liveValues().rpm, m_ecu.settings().CrankRpm);
}

TEST_F(SimulatedEcuTest, StopCommandStopsTheEngineUntilItRestarts) {
    m_ms = 20000;
    m_ecu.receive(127);
    EXPECT_EQ(m_ecu.stopCount(), 1);
    EXPECT_EQ(byteOf(m_ecu.receive(50)) & 6, 0);
    const SimulatedLiveValues stopped = m_ecu.liveValues();
    EXPECT_EQ(stopped.rpm, 0);
    EXPECT_EQ(stopped.injectorTime, 0);

    m_ms += SimulatedEcu::kRestartDelayMs + SimulatedEcu::kPrimeMs + SimulatedEcu::kCrankMs + 1000;
    EXPECT_EQ(m_ecu.enginePhase(), SimulatedEcu::EnginePhase::Running);
}

TEST_F(SimulatedEcuTest, LiveValuesMoveOverTime) {
    // Samples over a few drive cycles: rpm, MAP and throttle must all vary.
    int minMap = 255, maxMap = 0, minTps = 255, maxTps = 0;
    double minRpm = 1e9, maxRpm = 0;
    for (m_ms = 10000; m_ms < 100000; m_ms += 250) {
        const SimulatedLiveValues v = m_ecu.liveValues();
        minRpm = std::min(minRpm, v.rpm);
        maxRpm = std::max(maxRpm, v.rpm);
        minMap = std::min<int>(minMap, v.map);
        maxMap = std::max<int>(maxMap, v.map);
        minTps = std::min<int>(minTps, v.tps);
        maxTps = std::max<int>(maxTps, v.tps);
        EXPECT_LE(v.rpm, m_ecu.settings().RevLimit);
    }
    EXPECT_GT(maxRpm - minRpm, 2000);
    EXPECT_GT(maxMap - minMap, 100);
    EXPECT_GT(maxTps - minTps, 100);
}

TEST_F(SimulatedEcuTest, TemperaturesWarmUp) {
    m_ms = 0;
    const SimulatedLiveValues cold = m_ecu.liveValues();
    m_ms = 15 * 60 * 1000;
    const SimulatedLiveValues warm = m_ecu.liveValues();
    // The sensor counts fall as the temperature rises.
    EXPECT_LT(warm.water + 100, cold.water);
    EXPECT_LT(warm.air, cold.air);
    EXPECT_EQ(byteOf(m_ecu.receive(43)), warm.water);
    EXPECT_EQ(byteOf(m_ecu.receive(44)), warm.air);
}

TEST_F(SimulatedEcuTest, IgnitionAdvanceComesFromTheIgnitionTable) {
    EcuSettings image = SimulatedEcu::defaultImage();
    for (auto& row : image.IgnitionTable)
        row.fill(57);
    m_ecu.setSettings(image);
    m_ms = 20000;
    EXPECT_EQ(byteOf(m_ecu.receive(39)), 57);
}

TEST_F(SimulatedEcuTest, InjectorTimeFollowsTheFuelTable) {
    m_ms = 20000;
    const auto timeWithFuel = [&](int raw) {
        EcuSettings image = SimulatedEcu::defaultImage();
        image.MinOpenTime = 0;
        for (auto& row : image.FuelTable)
            row.fill(static_cast<int16_t>(raw));
        m_ecu.setSettings(image);
        const auto replies = send(m_ecu, {38, 33});
        return byteOf(replies[0]) * 256 + byteOf(replies[1]);
    };
    const int small = timeWithFuel(20);
    const int large = timeWithFuel(200);
    EXPECT_GT(small, 0);
    EXPECT_GT(large, small * 5);
}

TEST_F(SimulatedEcuTest, BatteryAndUserInputsAreReported) {
    m_ms = 20000;
    const SimulatedLiveValues v = m_ecu.liveValues();
    EXPECT_EQ(byteOf(m_ecu.receive(45)), v.battery);
    EXPECT_GT(v.battery * 15.8 / 255, 13.0); // charging while running
    EXPECT_EQ(byteOf(m_ecu.receive(46)), v.userInput[0]);
    EXPECT_EQ(byteOf(m_ecu.receive(47)), v.userInput[1]);
    EXPECT_EQ(byteOf(m_ecu.receive(48)), v.userInput[2]);
}

TEST_F(SimulatedEcuTest, UserOutputSwitchesOnAboveItsThreshold) {
    EcuSettings image = SimulatedEcu::defaultImage();
    image.UserOutputType[1] = 3; // rpm
    image.UserOutputOn[1] = 1;
    image.UserOutputOff[1] = 0;
    m_ecu.setSettings(image);
    m_ms = 20000;
    EXPECT_EQ(byteOf(m_ecu.receive(49)) & 2, 2);
    m_ecu.stopEngine(-1);
    EXPECT_EQ(byteOf(m_ecu.receive(49)) & 2, 0);
}

// --- Mixture and the EGO sensor --------------------------------------------------

// A bigger engine on a MAP table that holds what it needs times factor, with
// the sensor's volts on user input 1.
EcuSettings mixtureImage(const EngineModel& model, double factor) {
    EcuSettings image = SimulatedEcu::defaultImage();
    image.LoadControl = 1;
    image.UserInputAnalogMode[0] = 3;
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 16; ++column) {
            const double psi = mapCountsToPsi(image.MapSensorType, 17 * (15 - row));
            const double ms = model.fuelNeededMs(image.MaxRpm / 15.0 * column, psi) * factor;
            image.FuelTable[static_cast<size_t>(row)][static_cast<size_t>(column)] =
                static_cast<int16_t>(std::clamp(std::lround(ms / 0.0625 - 1), 0L, 255L));
        }
    }
    return image;
}

EngineModel bigEngine() {
    EngineModel model;
    model.fuelMsPerPsi = 1.0;
    return model;
}

double volts(uint8_t count) {
    return count * 5.0 / 255;
}

// Warm, and 31 s into the drive cycle: holding 2400 rpm at 6.98 psi.
constexpr qint64 kWarmCruiseMs = SimulatedEcu::kPrimeMs + SimulatedEcu::kCrankMs + 1242000;

// The sensor reads the mixture of the fuel the table gives against the fuel
// the engine needs, through the default line of 0 V = 10 and 5 V = 20.
TEST_F(SimulatedEcuTest, EgoVoltsShowTheMixtureOfTheTableAgainstTheNeed) {
    const EngineModel model = bigEngine();
    const std::pair<double, double> cases[] = {{1.0, 2.35}, {1.1, 1.68}, {0.9, 3.17}};
    for (const auto& [factor, expected] : cases) {
        qint64 ms = 0;
        SimulatedEcu ecu(mixtureImage(model, factor), [&ms] { return ms; });
        ecu.setEngineModel(model);
        ms = kWarmCruiseMs;
        const SimulatedLiveValues v = ecu.liveValues();
        EXPECT_NEAR(v.rpm, 2400, 20);
        EXPECT_EQ(v.map, 102);
        EXPECT_NEAR(volts(v.userInput[0]), expected, 0.08) << factor;
        EXPECT_EQ(byteOf(ecu.receive(46)), v.userInput[0]);
    }
    // Without an input in EGO mode the inputs show what they always did.
    m_ms = kWarmCruiseMs;
    const SimulatedLiveValues v = m_ecu.liveValues();
    EXPECT_EQ(v.userInput[1], 61);
}

// When the fuel is cut on a lift the sensor sees it one transport lag later,
// then rises through its response of about 100 ms to the lean end.
TEST_F(SimulatedEcuTest, EgoSensorFollowsAFuelCutAfterItsLagAndResponse) {
    const EngineModel model = bigEngine();
    qint64 ms = 0;
    SimulatedEcu ecu(mixtureImage(model, 1.0), [&ms] { return ms; });
    ecu.setEngineModel(model);
    ms = kWarmCruiseMs;
    while (ecu.liveValues().injectorTime != 0) {
        ms += 10;
        ASSERT_LT(ms, kWarmCruiseMs + 200000);
    }
    const qint64 cut = ms;
    const double rpm = ecu.liveValues().rpm;
    EXPECT_GT(rpm, 5000);
    const qint64 lag = std::lround(model.lag.ms(rpm));
    const std::pair<qint64, std::pair<double, double>> readings[] = {
        {lag - 20, {2.2, 2.5}},   // not there yet
        {lag + 100, {3.7, 4.3}},  // one time constant: 63 % of the way to 5 V
        {lag + 500, {4.85, 5.0}}, // settled
    };
    for (const auto& [after, range] : readings) {
        ms = cut + after;
        const double v = volts(ecu.liveValues().userInput[0]);
        EXPECT_GE(v, range.first) << after;
        EXPECT_LE(v, range.second) << after;
    }
}

// One cycle of the drive reaches idle, cruise at many loads, pulls with the
// throttle well open, and lifts that cut the fuel: cells all over the table.
TEST_F(SimulatedEcuTest, DriveCycleVisitsAWideSpreadOfCells) {
    EcuSettings image = SimulatedEcu::defaultImage();
    image.LoadControl = 1;
    m_ecu.setSettings(image);
    std::set<std::pair<int, int>> cells;
    std::set<int> rows;
    std::set<int> columns;
    bool cut = false;
    int widestThrottle = 0;
    for (m_ms = kWarmCruiseMs; m_ms < kWarmCruiseMs + 180000; m_ms += 100) {
        const SimulatedLiveValues v = m_ecu.liveValues();
        const GridCell cell =
            *loggedCell(image, {v.rpm, mapCountsToPsi(image.MapSensorType, v.map), 0});
        cells.insert({cell.row, cell.column});
        rows.insert(cell.row);
        columns.insert(cell.column);
        cut = cut || (v.injectorTime == 0 && v.rpm > 1500);
        widestThrottle = std::max<int>(widestThrottle, v.tps);
    }
    EXPECT_GE(cells.size(), 40u);
    EXPECT_GE(rows.size(), 10u);
    EXPECT_GE(columns.size(), 9u);
    EXPECT_TRUE(cut);
    EXPECT_GT(widestThrottle, 150);
}

} // namespace
