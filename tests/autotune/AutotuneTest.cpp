// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/Autotune.h"
#include "autotune/AutotuneFeed.h"
#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "monitor/SampleLogReader.h"
#include "record/EngineData.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

size_t at(int i) {
    return static_cast<size_t>(i);
}

// A tune on the throttle axis (7 % a row) with 600 rpm a column, every cell
// 10 ms (raw 159).
EcuSettings tune() {
    EcuSettings s = EcuSettings::withDefaults();
    s.LoadControl = 2;
    s.MaxRpm = 9000;
    for (auto& row : s.FuelTable) {
        row.fill(159);
    }
    return s;
}

// A warm engine holding 2400 rpm at 14 % throttle (the breakpoint of row
// 13, column 4), reading 2.35 V (14.7 AFR through the default line).
AutotuneSample steady(qint64 timeMs) {
    return {timeMs, 2400, 8.0, 14, 180, 3.5, 2.35};
}

AutotuneOptions at147() {
    AutotuneOptions options;
    options.targetAfr = 14.7;
    return options;
}

// Feeds records 100 ms apart, made by change from the steady one.
template <typename F> void feed(Autotune& autotune, int records, F change, qint64 startMs = 0) {
    for (int i = 0; i < records; ++i) {
        AutotuneSample s = steady(startMs + 100 * i);
        change(i, s);
        autotune.add(s);
    }
}

std::vector<qint64> counted(const AutotuneCounts& c) {
    std::vector<qint64> v(c.rejected.begin(), c.rejected.end());
    v.push_back(c.used);
    return v;
}

TEST(Autotune, TransferTurnsVoltsIntoAfrBothWays) {
    struct Case {
        EgoTransfer transfer;
        double volts;
        double afr;
    };
    const Case cases[] = {
        {{}, 0.0, 10.0},
        {{}, 5.0, 20.0},
        {{}, 2.35, 14.7},
        {{}, 0.1, 10.2},
        {{1, 9, 4, 18}, 2.0, 12.0},      // a line of another controller
        {{0.5, 20, 4.5, 10}, 1.5, 17.5}, // falling with the volts
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(c.transfer.afr(c.volts), c.afr, 1e-9) << c.volts;
        EXPECT_NEAR(c.transfer.volts(c.afr), c.volts, 1e-9) << c.afr;
    }
    EXPECT_FALSE((EgoTransfer{2, 10, 2, 20}.valid()));
}

TEST(Autotune, LagFallsWithRpmBetweenItsPoints) {
    const EgoLag lag;
    const std::pair<double, double> cases[] = {{0, 200},   {800, 200}, {3400, 125},
                                               {6000, 50}, {9000, 50}, {1320, 185}};
    for (const auto& [rpm, ms] : cases) {
        EXPECT_NEAR(lag.ms(rpm), ms, 1e-9) << rpm;
    }
    EXPECT_EQ(lag.longestMs(), 200);
}

// A lean reading asks for more fuel, a rich one for less; the target comes
// from --target or else from the EGO setpoint of the record's load.
TEST(Autotune, LeanReadingsAddFuelAndRichOnesTakeItAway) {
    struct Case {
        std::optional<double> target;
        double volts;
        int newRaw;
    };
    const Case cases[] = {
        {14.7, 2.35, 159},          // on target
        {14.7, 3.085, 175},         // 16.17: 10 % lean, 11 ms
        {14.7, 1.615, 143},         // 13.23: 10 % rich, 9 ms
        {13.0, 2.35, 180},          // a richer target asks for more
        {std::nullopt, 2.35, 159},  // setpoint at 14 %: 120 counts, 14.7
        {std::nullopt, 2.843, 170}, // 15.69 read against 14.7
    };
    for (const Case& c : cases) {
        EcuSettings s = tune();
        s.UserInputAnalogTable[0].fill(200); // 3.92 V, 17.8: not at this load
        s.UserInputAnalogTable[0][2] = 120;  // 14 % is point 2
        AutotuneOptions options;
        options.targetAfr = c.target;
        Autotune autotune(s, options);
        feed(autotune, 30, [&](int, AutotuneSample& r) { r.egoVolts = c.volts; });
        EXPECT_EQ(autotune.proposal().cells[13][4].newRaw, c.newRaw) << c.volts;
    }
}

// Each filter rejects the records it is for, counted under the first filter
// they fail, and lets the others through.
TEST(Autotune, FiltersRejectAndCountTheirRecords) {
    using Change = std::function<void(int, AutotuneSample&)>;
    struct Case {
        const char* what;
        Change change;
        std::vector<qint64> counts; // cold, stopped, throttle, cut, EGO, outside, locked, used
    };
    const Case cases[] = {
        {"warm", [](int, AutotuneSample&) {}, {0, 0, 0, 0, 0, 0, 0, 20}},
        {"water below 160 F",
         [](int i, AutotuneSample& r) { r.waterF = i < 5 ? 159.9 : 160; },
         {5, 0, 0, 0, 0, 0, 0, 15}},
        {"engine stopped",
         [](int i, AutotuneSample& r) { r.rpm = i < 3 ? 299 : 300; },
         {0, 3, 0, 0, 0, 0, 0, 17}},
        {"cold and stopped count as cold",
         [](int, AutotuneSample& r) { r.rpm = 0, r.waterF = 60; },
         {20, 0, 0, 0, 0, 0, 0, 0}},
        // 3 % in 100 ms at record 10: that record and the four after it (the
        // fifth is 0.5 s after); a slower change passes.
        {"throttle opening",
         [](int i, AutotuneSample& r) { r.tpsPercent = i < 10 ? 14 : 17; },
         {0, 0, 5, 0, 0, 0, 0, 15}},
        {"throttle closing",
         [](int i, AutotuneSample& r) { r.tpsPercent = i < 10 ? 17 : 14; },
         {0, 0, 5, 0, 0, 0, 0, 15}},
        {"throttle at 19 %/s",
         [](int i, AutotuneSample& r) { r.tpsPercent = 10 + 1.9 * i; },
         {0, 0, 0, 0, 0, 0, 0, 20}},
        {"fuel cut and the 0.5 s after",
         [](int i, AutotuneSample& r) { r.fuelMs = i >= 4 && i < 8 ? 0 : 3.5; },
         {0, 0, 0, 8, 0, 0, 0, 12}},
        {"EGO volts at and beyond the range",
         [](int i, AutotuneSample& r) {
             const double volts[] = {0.09, 0.1, 4.9, 4.91, 0};
             r.egoVolts = i < 5 ? volts[i] : 2.35;
         },
         {0, 0, 0, 0, 3, 0, 0, 17}},
        // The record after the last one above counts for a point between them.
        {"rpm above MaxRpm",
         [](int i, AutotuneSample& r) { r.rpm = i < 12 ? 9050 : 9000; },
         {0, 0, 0, 0, 0, 13, 0, 7}},
    };
    for (const Case& c : cases) {
        Autotune autotune(tune(), at147());
        feed(autotune, 20, c.change);
        EXPECT_EQ(counted(autotune.counts()), c.counts) << c.what;
        EXPECT_EQ(autotune.counts().records, 20) << c.what;
    }

    // Every threshold can be set.
    AutotuneOptions options = at147();
    options.filters = {100, 1000, 40, 200, 150, 0.5, 4.0};
    Autotune autotune(tune(), options);
    feed(autotune, 20, [](int i, AutotuneSample& r) {
        r.waterF = i == 0 ? 99 : 120;
        r.rpm = i == 1 ? 999 : 2400;
        r.tpsPercent = i < 10 ? 14 : 17.5; // 35 %/s
        r.fuelMs = i == 12 ? 0 : 3.5;      // the next record too, not the one after
        r.egoVolts = i == 15 ? 0.45 : i == 16 ? 4.05 : 2.35;
    });
    EXPECT_EQ(counted(autotune.counts()), (std::vector<qint64>{1, 1, 0, 2, 2, 0, 0, 14}));
}

// MAP beyond the sensor span is outside a MAP table.
TEST(Autotune, MapOutsideItsSpanIsOutsideTheTable) {
    EcuSettings s = tune();
    s.LoadControl = 1;
    s.MapSensorType = 1;
    s.MapMinBits = 20;
    s.MapMaxBits = 230;
    Autotune autotune(s, at147());
    // Counts 19, 20, 230 and 231: 1.5 + 0.054 psi a count.
    for (const double psi : {2.52, 2.57, 13.85, 13.90}) {
        AutotuneSample r = steady(0);
        r.mapPsi = psi;
        autotune.startRun();
        autotune.add(r);
    }
    EXPECT_EQ(autotune.counts().rejectedBy(AutotuneFilter::OutsideTable), 2);
    EXPECT_EQ(autotune.counts().used, 2);
}

// A record counts where the engine was one lag earlier, interpolated between
// records; the lag falls with rpm.
TEST(Autotune, ReadingsCountForThePointOneLagEarlier) {
    struct Case {
        EgoLag lag;
        double column4Weight; // of the record at 1100 ms on 2400 rpm
        double column5Weight; // ... and on 3000 rpm
    };
    // The engine goes from 2400 to 3000 rpm at the record of 1000 ms. At
    // 3000 rpm the lag is 136.5 ms: the record at 1100 ms counts for 963.5
    // ms, 63.5 % of the way from the record at 900 ms to the one at 1000.
    const Case cases[] = {
        {{}, 0.365, 0.635},
        {{800, 100, 6000, 100}, 0, 1},     // 1000 ms
        {{800, 150, 6000, 150}, 0.5, 0.5}, // 950 ms: 2700 rpm
        {{800, 250, 6000, 250}, 1, 0},     // 850 ms
        {{800, 0, 6000, 0}, 0, 1},         // its own point
    };
    for (const Case& c : cases) {
        AutotuneOptions options = at147();
        options.lag = c.lag;
        Autotune autotune(tune(), options);
        const auto rpm = [](int i, AutotuneSample& r) { r.rpm = i < 10 ? 2400 : 3000; };
        feed(autotune, 11, rpm);
        const AutotuneProposal before = autotune.proposal();
        autotune.add([&] {
            AutotuneSample r = steady(1100);
            rpm(11, r);
            return r;
        }());
        const AutotuneProposal after = autotune.proposal();
        EXPECT_NEAR(after.cells[13][4].weight - before.cells[13][4].weight, c.column4Weight, 0.001)
            << c.lag.lowRpmMs;
        EXPECT_NEAR(after.cells[13][5].weight - before.cells[13][5].weight, c.column5Weight, 0.001)
            << c.lag.lowRpmMs;
    }
}

// One record spreads over the 4 cells around its point, by how near it lies
// to each breakpoint on the rpm axis and the load axis of the load control.
TEST(Autotune, RecordsSpreadOverTheCellsAroundThemBilinearly) {
    struct Cell {
        int row;
        int column;
        double weight;
    };
    struct Case {
        int loadControl;
        double rpm;
        double mapPsi;
        double tps;
        std::vector<Cell> cells;
    };
    const Case cases[] = {
        {2, 2400, 8, 14, {{13, 4, 1}}},
        {2, 2700, 8, 14, {{13, 4, 0.5}, {13, 5, 0.5}}},
        {2, 2400, 8, 17.5, {{13, 4, 0.5}, {12, 4, 0.5}}},
        {2, 2550, 8, 15.75, {{13, 4, 0.5625}, {13, 5, 0.1875}, {12, 4, 0.1875}, {12, 5, 0.0625}}},
        {2, 300, 8, 0, {{15, 0, 0.5}, {15, 1, 0.5}}},
        {2, 9000, 8, 105, {{0, 15, 1}}},
        {2, 8700, 8, 101.5, {{1, 14, 0.25}, {1, 15, 0.25}, {0, 14, 0.25}, {0, 15, 0.25}}},
        // 9.29 psi is count 145: 62.5 % of the span 20..230, row step 8.93;
        // as the count itself, step 8.53.
        {1, 3000, 9.29, 50, {{7, 5, 0.071}, {6, 5, 0.929}}},
        {3, 3000, 9.29, 50, {{7, 5, 0.471}, {6, 5, 0.529}}},
    };
    for (const Case& c : cases) {
        EcuSettings s = tune();
        s.LoadControl = static_cast<int16_t>(c.loadControl);
        s.MapSensorType = 1;
        s.MapMinBits = 20;
        s.MapMaxBits = 230;
        Autotune autotune(s, at147());
        autotune.add({0, c.rpm, c.mapPsi, c.tps, 180, 3.5, 2.35});
        AutotuneGrid<double> expected{};
        for (const Cell& cell : c.cells) {
            expected[at(cell.row)][at(cell.column)] = cell.weight;
        }
        const AutotuneProposal proposal = autotune.proposal();
        for (int row = 0; row < 16; ++row) {
            for (int column = 0; column < 16; ++column) {
                const AutotuneCell& cell = proposal.cells[at(row)][at(column)];
                EXPECT_NEAR(cell.weight, expected[at(row)][at(column)], 0.001)
                    << c.loadControl << " " << c.rpm << " " << c.tps << " at " << row << ","
                    << column;
                EXPECT_EQ(cell.hits, expected[at(row)][at(column)] > 0 ? 1 : 0);
            }
        }
    }
}

// Below the full weight of 20 the new value is pulled from the old one
// towards the mean in proportion; below 5 the cell is left alone.
TEST(Autotune, FewRecordsPullPartOfTheWay) {
    struct Case {
        int records;
        double minWeight;
        double fullWeight;
        int newRaw;
    };
    // 10 % lean on 10 ms: the mean is 11 ms (raw 175).
    const Case cases[] = {
        {4, 5, 20, 159},  {5, 5, 20, 163},  {10, 5, 20, 167}, {19, 5, 20, 174},
        {20, 5, 20, 175}, {60, 5, 20, 175}, {1, 1, 4, 163},   {2, 3, 4, 159},
    };
    for (const Case& c : cases) {
        AutotuneOptions options = at147();
        options.minWeight = c.minWeight;
        options.fullWeight = c.fullWeight;
        Autotune autotune(tune(), options);
        feed(autotune, c.records, [](int, AutotuneSample& r) { r.egoVolts = 3.085; });
        const AutotuneCell cell = autotune.proposal().cells[13][4];
        EXPECT_EQ(cell.newRaw, c.newRaw) << c.records;
        EXPECT_NEAR(cell.meanMs, 11.0, 1e-9);
        EXPECT_EQ(cell.hits, c.records);
    }
}

// However often a proposal is applied, no cell goes further than the limit
// from its value at the session's start; counts stay 0..255 and round
// halves to the even count.
TEST(Autotune, LimitsHoldAcrossApplications) {
    struct Case {
        int startRaw;
        double maxChange;
        std::optional<double> target;
        double volts;
        std::vector<int> applied; // after each application
    };
    const Case cases[] = {
        {159, 15, 14.7, 3.085, {175, 183, 183}}, // 10 % lean a time: 11, then 11.5 ms
        {159, 15, 14.7, 1.615, {143, 135, 135}}, // 10 % rich: 9, then 8.5 ms
        {159, 5, 14.7, 3.085, {167, 167}},       // 10.5 ms
        {250, 15, 14.7, 3.085, {255, 255}},      // 17.25 ms: the largest count
        {0, 15, 14.7, 1.615, {0}},
        {15, 15, 16, 3.25, {16}}, // 1 ms x 16.5 / 16: count 15.5 rounds to 16
        {16, 15, 17, 3.75, {16}}, // 1.0625 ms x 17.5 / 17: count 16.5 rounds to 16
    };
    for (const Case& c : cases) {
        EcuSettings s = tune();
        s.FuelTable[13][4] = static_cast<int16_t>(c.startRaw);
        AutotuneOptions options;
        options.targetAfr = c.target;
        options.maxChangePercent = c.maxChange;
        Autotune autotune(s, options);
        std::vector<int> applied;
        for (size_t round = 0; round < c.applied.size(); ++round) {
            feed(
                autotune, 30, [&](int, AutotuneSample& r) { r.egoVolts = c.volts; },
                static_cast<qint64>(round) * 10000);
            const AutotuneProposal proposal = autotune.proposal();
            autotune.apply(proposal);
            applied.push_back(autotune.table()[13][4]);
            EXPECT_EQ(autotune.counts().records, 0); // the records are used up
        }
        EXPECT_EQ(applied, c.applied) << c.startRaw << " " << c.volts;
        EXPECT_EQ(autotune.startTable()[13][4], c.startRaw);
    }
}

// A locked cell keeps its value; records that fall on it alone are counted
// as such, and its neighbours still learn from records between them.
TEST(Autotune, LockedCellsStayAsTheyAre) {
    AutotuneOptions options = at147();
    options.locked[13][4] = true;
    Autotune autotune(tune(), options);
    feed(autotune, 30, [](int, AutotuneSample& r) { r.egoVolts = 3.085; });
    feed(
        autotune, 60, [](int, AutotuneSample& r) { r.rpm = 2700, r.egoVolts = 3.085; }, 10000);
    autotune.setLocked(13, 5, true);
    autotune.setLocked(13, 5, false);
    const AutotuneProposal proposal = autotune.proposal();
    EXPECT_EQ(autotune.counts().rejectedBy(AutotuneFilter::LockedCell), 30);
    EXPECT_EQ(autotune.counts().used, 60);
    EXPECT_TRUE(proposal.cells[13][4].locked);
    EXPECT_EQ(proposal.cells[13][4].weight, 0);
    EXPECT_EQ(proposal.cells[13][4].newRaw, 159);
    EXPECT_EQ(proposal.cells[13][5].newRaw, 175);
    EXPECT_EQ(proposal.changedCells(), 1);

    // Locked after its records came, the cell loses them as if it had been
    // locked before; unlocked, it has them back as if never locked.
    const auto drive = [](Autotune& a) {
        feed(a, 30, [](int, AutotuneSample& r) { r.egoVolts = 3.085; });
        feed(
            a, 60, [](int, AutotuneSample& r) { r.rpm = 2700, r.egoVolts = 3.085; }, 10000);
    };
    Autotune later(tune(), at147());
    Autotune never(tune(), at147());
    drive(later);
    drive(never);
    later.setLocked(13, 4, true);
    EXPECT_EQ(counted(later.counts()), counted(autotune.counts()));
    EXPECT_EQ(later.proposal().appliedTo({}), proposal.appliedTo({}));
    later.setLocked(13, 4, false);
    EXPECT_EQ(counted(later.counts()), counted(never.counts()));
    EXPECT_EQ(later.proposal().appliedTo({}), never.proposal().appliedTo({}));
    EXPECT_EQ(never.proposal().cells[13][4].newRaw, 175);
}

// The live stream and a log of the same samples give the same proposal: the
// log's records go through the same engine. The time history plot's records
// lack the water and the injector time and are counted apart.
TEST(Autotune, LogAndLiveSamplesGiveTheSameProposal) {
    EcuSettings s = tune();
    s.UserInputAnalogMode = {0, 0, 3};
    std::vector<LiveSample> samples;
    for (int i = 0; i < 200; ++i) {
        EngineData e;
        e.RpmChannel.Value = static_cast<float>(1200 + 50 * (i % 40));
        e.MapChannel.Value = 8.25f;
        e.TpsChannel.Value = static_cast<float>(10 + i / 20);
        e.WaterChannel.Value = i < 10 ? 150.0f : 180.0f;
        e.FuelChannel.Value = 3.5f;
        e.UserChannel[2].Value = static_cast<float>(2.0 + 0.1 * (i % 13));
        e.EngineStatus1 = 6;
        samples.push_back(LiveSample::fromEngineData(e, 100 * i));
    }
    Autotune live(s, at147());
    const std::optional<int> input = egoInput(s, std::nullopt);
    ASSERT_EQ(input, 2);
    for (const LiveSample& sample : samples) {
        live.add(*autotuneSample(sample, *input));
    }

    QString text = logRuleLine() + "\r\n" +
                   logDateTimeLine(QDateTime::currentDateTime(), QLocale::c()) + "\r\n" +
                   fullRecordTitleLine() + "\r\n";
    for (const LiveSample& sample : samples) {
        text += fullRecordLine(sample, static_cast<double>(sample.timeMs()) / 1000) + "\r\n";
    }
    const PlotLogLayout plot{LoadControl::Tps,
                             {AnalogInputMode::Off, AnalogInputMode::Off, AnalogInputMode::Ego},
                             {0, 10},
                             false,
                             {},
                             {}};
    text += logRuleLine() + "\r\n" + logDateTimeLine(QDateTime::currentDateTime(), QLocale::c()) +
            "\r\n" + plotRecordTitleLine(plot) + "\r\n" + plotRecordLine(samples[50], plot, 0) +
            "\r\n";
    QByteArray bytes = text.toLatin1();
    QBuffer log(&bytes);
    log.open(QIODevice::ReadOnly);
    Autotune logged(s, at147());
    AutotuneLogFeed feed(logged, *input);
    readLogRecords(log, feed);

    EXPECT_EQ(feed.incompleteRecords(), 1);
    EXPECT_EQ(counted(logged.counts()), counted(live.counts()));
    EXPECT_EQ(live.counts().rejectedBy(AutotuneFilter::ColdEngine), 10);
    const AutotuneProposal a = live.proposal();
    const AutotuneProposal b = logged.proposal();
    EXPECT_GT(a.changedCells(), 4);
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 16; ++column) {
            EXPECT_EQ(a.cells[at(row)][at(column)].newRaw, b.cells[at(row)][at(column)].newRaw);
            EXPECT_NEAR(a.cells[at(row)][at(column)].weight, b.cells[at(row)][at(column)].weight,
                        1e-9);
        }
    }
}

} // namespace
