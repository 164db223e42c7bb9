// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/SampleSeries.h"
#include "monitor/LiveSample.h"
#include "record/EngineData.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(LiveSample, RawReadingsValuesAndStatusOfTheChannelsRead) {
    EngineData e = EngineData::withChannelLayout();
    e.PeriodChannel.RawHigh = 0x0C;
    e.PeriodChannel.RawLow = 0x35;
    e.InjectorChannel.RawHigh = 0x03;
    e.InjectorChannel.RawLow = 0xE8;
    e.AdvanceChannel.RawLow = 57;
    e.MapChannel.RawLow = 140;
    e.TpsChannel.RawLow = 61;
    e.AirChannel.RawLow = 120;
    e.WaterChannel.RawLow = 80;
    e.BatteryChannel.RawLow = 222;
    e.UserChannel[0].RawLow = 11;
    e.UserChannel[1].RawLow = 22;
    e.UserChannel[2].RawLow = 33;
    EngineChannel* converted[] = {&e.RpmChannel,     &e.MapChannel,     &e.TpsChannel,
                                  &e.AirChannel,     &e.WaterChannel,   &e.BatteryChannel,
                                  &e.DutyChannel,    &e.FuelChannel,    &e.IgnitionChannel,
                                  &e.UserChannel[0], &e.UserChannel[1], &e.UserChannel[2]};
    for (int c = 0; c < kLiveChannelCount; ++c) {
        converted[c]->Value = 10.5f * static_cast<float>(c + 1);
    }
    e.MapPercent = 48.5f;
    e.EngineStatus1 = 6;
    e.EngineStatus2 = 17;
    e.EngineStatus3 = 2;
    e.EngineStatus4 = 9;

    const int raw[kLiveChannelCount] = {0x0C35, 140,    61, 120, 80, 222,
                                        0x03E8, 0x03E8, 57, 11,  22, 33};
    // The time history's sample reads MAP, throttle, the crank period and
    // its trace's channel; the poll reads them all.
    LiveChannelSet reduced;
    for (const LiveChannel c :
         {LiveChannel::Rpm, LiveChannel::Map, LiveChannel::Tps, LiveChannel::Water}) {
        reduced.set(static_cast<size_t>(c));
    }
    for (const LiveChannelSet read : {LiveSample::allChannels(), reduced}) {
        const LiveSample s = LiveSample::fromEngineData(e, 123456, read);
        EXPECT_EQ(s.timeMs(), 123456);
        EXPECT_EQ(s.channels(), read);
        for (int c = 0; c < kLiveChannelCount; ++c) {
            const auto channel = static_cast<LiveChannel>(c);
            const bool wasRead = read.test(static_cast<size_t>(c));
            EXPECT_EQ(s.has(channel), wasRead) << c;
            EXPECT_EQ(s.raw(channel), wasRead ? raw[c] : 0) << c;
            EXPECT_EQ(s.value(channel), wasRead ? 10.5f * static_cast<float>(c + 1) : 0.0f) << c;
        }
        EXPECT_EQ(s.mapPercent(), 48.5f);
        EXPECT_EQ(s.status(1), 6);
        EXPECT_EQ(s.status(2), 17);
        EXPECT_EQ(s.status(3), 2);
        EXPECT_EQ(s.status(4), 9);
    }
}

// The minimum and maximum of values[from, to), NaN skipped.
ValueRange bruteRange(const std::vector<float>& values, size_t from, size_t to) {
    ValueRange r;
    for (size_t i = from; i < to; ++i) {
        if (!std::isnan(values[i])) {
            r.min = std::min(r.min, values[i]);
            r.max = std::max(r.max, values[i]);
        }
    }
    return r;
}

void expectSame(const ValueRange& got, const ValueRange& want, const std::string& where) {
    EXPECT_EQ(got.empty(), want.empty()) << where;
    if (!want.empty()) {
        EXPECT_EQ(got.min, want.min) << where;
        EXPECT_EQ(got.max, want.max) << where;
    }
}

// Several blocks of records at uneven times: channel 0 everywhere, channel 1
// (added later) only in stretches with gaps, channel 2 never.
class SeriesRanges : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> value(-50.0f, 50.0f);
        std::uniform_int_distribution<int> step(0, 60);
        const int a = m_series.addChannel("A", "V");
        qint64 time = 1000;
        for (int i = 0; i < kRecords; ++i) {
            if (i == 3000) {
                m_series.addChannel("B", "%");
                m_series.addChannel("C", "");
            }
            const float va = value(random);
            const bool hasB = i >= 3000 && (i / 700) % 3 != 0;
            const float vb = hasB ? value(random) : kNaN;
            const ChannelValue values[] = {{a, va}, {1, vb}};
            ASSERT_TRUE(m_series.append(time, std::span(values, i >= 3000 ? 2 : 1)));
            m_times.push_back(time);
            m_values[0].push_back(va);
            m_values[1].push_back(vb);
            m_values[2].push_back(kNaN);
            time += step(random);
        }
    }

    static constexpr int kRecords = 20000;
    SampleSeries m_series{SampleSeries::kDefaultCapacity, 0};
    std::vector<qint64> m_times;
    std::array<std::vector<float>, 3> m_values;
};

TEST_F(SeriesRanges, RangeOfAnyStretchMatchesEveryValue) {
    ASSERT_EQ(m_series.size(), kRecords);
    std::mt19937 random(11);
    std::uniform_int_distribution<int> index(0, kRecords);
    std::vector<std::pair<int, int>> stretches{{0, kRecords}, {0, 4096},    {4096, 8192},  {63, 65},
                                               {100, 100},    {4095, 4097}, {19999, 20000}};
    for (int i = 0; i < 300; ++i) {
        const int x = index(random);
        const int y = index(random);
        stretches.emplace_back(std::min(x, y), std::max(x, y));
    }
    for (int channel = 0; channel < 3; ++channel) {
        for (const auto& [from, to] : stretches) {
            expectSame(m_series.range(channel, from, to),
                       bruteRange(m_values[static_cast<size_t>(channel)], from, to),
                       "channel " + std::to_string(channel) + " records " + std::to_string(from) +
                           ".." + std::to_string(to));
        }
    }
    for (int i = 0; i < kRecords; i += 997) {
        EXPECT_EQ(m_series.timeMs(i), m_times[static_cast<size_t>(i)]);
        EXPECT_EQ(m_series.value(0, i), m_values[0][static_cast<size_t>(i)]);
    }
}

TEST_F(SeriesRanges, DecimationGivesEachPixelColumnItsTimeSlice) {
    const qint64 t0 = m_times[1234] + 3;
    const qint64 t1 = m_times[17000];
    for (const size_t pixels : {size_t(1000), size_t(97), size_t(10), size_t(1)}) {
        std::vector<ValueRange> columns(pixels);
        for (int channel = 0; channel < 2; ++channel) {
            m_series.decimate(channel, t0, t1, columns);
            size_t from = std::lower_bound(m_times.begin(), m_times.end(), t0) - m_times.begin();
            for (size_t k = 0; k < columns.size(); ++k) {
                const qint64 edge =
                    t0 + std::llround(static_cast<double>(t1 - t0) * static_cast<double>(k + 1) /
                                      static_cast<double>(columns.size()));
                const size_t to =
                    std::lower_bound(m_times.begin(), m_times.end(), edge) - m_times.begin();
                expectSame(columns[k], bruteRange(m_values[static_cast<size_t>(channel)], from, to),
                           std::to_string(pixels) + " pixels, column " + std::to_string(k));
                from = to;
            }
        }
    }
    // Every record has its time: lowerBound finds the first at or after it.
    for (const size_t i : {size_t(0), size_t(5000), size_t(kRecords - 1)}) {
        const auto first = std::lower_bound(m_times.begin(), m_times.end(), m_times[i]);
        EXPECT_EQ(m_series.lowerBound(m_times[i]), first - m_times.begin());
    }
    EXPECT_EQ(m_series.lowerBound(m_times.back() + 1), kRecords);
}

TEST_F(SeriesRanges, EveryRecordWithAllItsChannels) {
    qsizetype visited = 0;
    m_series.forEachRecord(4000, 9000, [&](qsizetype i, qint64 time, std::span<const float> v) {
        ASSERT_EQ(i, 4000 + visited++);
        EXPECT_EQ(time, m_times[static_cast<size_t>(i)]);
        ASSERT_EQ(v.size(), 3u);
        for (size_t c = 0; c < 3; ++c) {
            const float want = m_values[c][static_cast<size_t>(i)];
            EXPECT_TRUE(std::isnan(want) ? std::isnan(v[c]) : v[c] == want) << i << " " << c;
        }
    });
    EXPECT_EQ(visited, 5000);
}

TEST(SampleSeries, TheBoundDropsTheOldestBlocksWithTheirRunsAndMarkers) {
    constexpr qsizetype kBlock = SampleSeries::kBlockRecords;
    SampleSeries series(3 * kBlock, 0);
    const int a = series.addChannel("A", "");
    EXPECT_EQ(series.capacity(), 3 * kBlock);
    const QDateTime clock(QDate(2026, 5, 2), QTime(9, 0));
    // Runs begin at records 0, 9000 and 14000; markers at 1000 and 13000.
    for (qsizetype i = 0; i < 5 * kBlock + 10; ++i) {
        if (i == 9000 || i == 14000) {
            series.startRun(i * 10, clock.addMSecs(i * 10));
        }
        if (i == 1000 || i == 13000) {
            series.addMarker(i * 10, QStringLiteral("at %1").arg(i));
        }
        const ChannelValue v{a, static_cast<float>(i)};
        ASSERT_TRUE(series.append(i * 10, std::span(&v, 1)));
    }
    // Three whole blocks went: the newest two and the one being filled stay.
    EXPECT_EQ(series.dropped(), 3 * kBlock);
    EXPECT_EQ(series.size(), 2 * kBlock + 10);
    EXPECT_EQ(series.timeMs(0), 3 * kBlock * 10);
    EXPECT_EQ(series.value(a, 0), static_cast<float>(3 * kBlock));
    EXPECT_EQ(series.range(a, 0, series.size()).min, static_cast<float>(3 * kBlock));
    // The run of record 9000 holds the first record kept; it begins there now.
    ASSERT_EQ(series.runs().size(), 2u);
    EXPECT_EQ(series.runs()[0].first, 0);
    EXPECT_EQ(series.runs()[0].startMs, 90000);
    EXPECT_EQ(series.runs()[1].first, 14000 - 3 * kBlock);
    EXPECT_EQ(series.runOf(series.size() - 1), 1);
    ASSERT_EQ(series.markers().size(), 1u);
    EXPECT_EQ(series.markers()[0].text, "at 13000");
}

TEST(SampleSeries, GapsStartRunsAndTimeNeverGoesBack) {
    SampleSeries series(SampleSeries::kDefaultCapacity, 2000);
    const int a = series.addChannel("A", "");
    const QDateTime clock(QDate(2026, 5, 2), QTime(9, 0));
    series.startRun(0, clock);
    const ChannelValue v{a, 1.0f};
    for (const qint64 t : {0, 500, 2500, 4501, 4600}) {
        ASSERT_TRUE(series.append(t, std::span(&v, 1))) << t;
    }
    EXPECT_FALSE(series.append(4599, std::span(&v, 1)));
    EXPECT_EQ(series.size(), 5);
    // 2000 ms after the record before is no gap yet; 2001 ms is.
    ASSERT_EQ(series.runs().size(), 2u);
    EXPECT_EQ(series.runs()[0].start, SeriesRun::Start::Header);
    EXPECT_EQ(series.runs()[1].start, SeriesRun::Start::Gap);
    EXPECT_EQ(series.runs()[1].first, 3);
    EXPECT_EQ(series.runs()[1].startMs, 4501);
    EXPECT_EQ(series.runs()[1].clock, clock.addMSecs(4501));
    EXPECT_EQ(series.runOf(2), 0);
    EXPECT_EQ(series.runOf(4), 1);
}

TEST(SampleSeries, LiveSamplesFillTheChannelsTheyRead) {
    SampleSeries series;
    EngineData e = EngineData::withChannelLayout();
    e.RpmChannel.Value = 3000;
    e.MapChannel.Value = 8.5f;
    e.WaterChannel.Value = 180;
    e.EngineStatus1 = 6;
    LiveChannelSet reduced;
    reduced.set(static_cast<size_t>(LiveChannel::Rpm)).set(static_cast<size_t>(LiveChannel::Map));
    ASSERT_TRUE(series.append(LiveSample::fromEngineData(e, 100)));
    ASSERT_TRUE(series.append(LiveSample::fromEngineData(e, 150, reduced)));

    ASSERT_EQ(series.channelCount(), kLiveChannelCount + 1);
    const int water = series.channelIndex("Water");
    ASSERT_GE(water, 0);
    EXPECT_EQ(series.channel(water).unit, QString(QChar(0xB0)) + "F");
    EXPECT_EQ(series.value(water, 0), 180.0f);
    EXPECT_TRUE(std::isnan(series.value(water, 1)));
    EXPECT_EQ(series.value(series.channelIndex("Map"), 1), 8.5f);
    EXPECT_EQ(series.value(series.channelIndex("Status"), 1), 6.0f);
    EXPECT_EQ(series.timeMs(1), 150);
}

} // namespace
