// SPDX-License-Identifier: GPL-3.0-or-later
// Log records counted in the cells of the tables: each in the cell the
// editor paints as the upper-left red cell for it, with the mean of a chosen
// channel; the cells' short texts.

#include "tables/CellHits.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr double kNone = LoggedPoint::kNone;

EcuSettings axes(int loadControl) {
    EcuSettings s = EcuSettings::withDefaults();
    s.LoadControl = static_cast<int16_t>(loadControl);
    s.MaxRpm = 9000;     // 600 rpm a column
    s.MapSensorType = 1; // 1.4985 psi at count 0, 0.0537 psi a count
    s.MapMinBits = 0;
    s.MapMaxBits = 255;
    return s;
}

struct Record {
    double rpm;
    double mapPsi;
    double tps;
    double value; // of the channel whose mean is kept
};

struct Hit {
    GridCell cell;
    qint64 count;
    std::optional<double> mean;
};

TEST(CellHits, RecordsFallInTheUpperLeftRedCellOfEachLoadControl) {
    const struct {
        const char* name;
        int loadControl;
        std::vector<Record> records;
        std::vector<Hit> hits; // every other cell has none
        qint64 leftOut;
    } cases[] = {
        {"throttle: 7 % a row from 105 down, 600 rpm a column, rounded halves to even",
         2,
         {{599.5, kNone, 98.5, 0.4},
          {600, kNone, 98.49, 0.6},
          {1199, 8.8, 98.49, 0.8},
          {3000, kNone, 0, kNone},
          {kNone, 8.8, 50, 1.0},    // no rpm
          {3000, 8.8, kNone, 1.0}}, // no throttle, which gives the load
         {{{1, 2}, 1, 0.4}, {{2, 2}, 2, 0.7}, {{16, 6}, 1, std::nullopt}},
         2},
        {"MAP: the count nearest the logged psi, as per cent of the span",
         1,
         {{3000, 14.37, kNone, 10}, // count 240: 98.8 %
          {3000, 14.36, kNone, 20}, // count 239: 98.4 %
          {3000, 15.19, 50, 30},    // count 255
          {3000, 1.50, 50, 40},     // count 0
          {3000, 8.80, 50, 50},     // count 136: 56 %
          {3000, kNone, 50, 60}},   // no MAP, which gives the load
         {{{1, 6}, 2, 20.0}, {{2, 6}, 1, 20.0}, {{16, 6}, 1, 40.0}, {{8, 6}, 1, 50.0}},
         1},
        {"the MAP count: 17 counts a row from 255 down",
         3,
         {{3000, 14.33, kNone, 1}, // count 239
          {3000, 14.28, kNone, 2}, // count 238
          {3000, 1.53, kNone, 3},  // count 1
          {3000, 1.50, kNone, 4},  // count 0
          {9000, 1.50, kNone, 5},
          {3000, kNone, 100, 6}},
         {{{1, 6}, 1, 1.0},
          {{2, 6}, 1, 2.0},
          {{15, 6}, 1, 3.0},
          {{16, 6}, 1, 4.0},
          {{16, 16}, 1, 5.0}},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const EcuSettings s = axes(c.loadControl);
        CellHits hits;
        for (const Record& r : c.records) {
            hits.add(s, {r.rpm, r.mapPsi, r.tps}, r.value);
        }
        EXPECT_EQ(hits.leftOut(), c.leftOut);
        EXPECT_EQ(hits.total() + hits.leftOut(), static_cast<qint64>(c.records.size()));
        for (int row = 1; row <= CellHits::kCells; ++row) {
            for (int column = 1; column <= CellHits::kCells; ++column) {
                const GridCell cell{row, column};
                const auto hit = std::find_if(c.hits.begin(), c.hits.end(),
                                              [&](const Hit& h) { return h.cell == cell; });
                const qint64 count = hit != c.hits.end() ? hit->count : 0;
                const std::optional<double> mean = hit != c.hits.end() ? hit->mean : std::nullopt;
                EXPECT_EQ(hits.count(cell), count) << row << "," << column;
                ASSERT_EQ(hits.mean(cell).has_value(), mean.has_value()) << row << "," << column;
                if (mean) {
                    EXPECT_NEAR(*hits.mean(cell), *mean, 1e-9) << row << "," << column;
                }
            }
        }
    }
}

// A cell's shade grows with its records, on a logarithmic scale so that a
// few records still show beside thousands; a cell without any stays plain.
TEST(CellHits, ShadesAndWordsOfACell) {
    const struct {
        qint64 count;
        qint64 maxCount;
        double shade;
    } shades[] = {
        {0, 1000, 0.0},           {1, 1000, kLeastShade},
        {1000, 1000, kMostShade}, {10, 1000, kLeastShade + (kMostShade - kLeastShade) / 3},
        {1, 1, kMostShade},
    };
    for (const auto& c : shades) {
        EXPECT_NEAR(hitShade(c.count, c.maxCount), c.shade, 1e-9) << c.count << "/" << c.maxCount;
    }

    CellHits hits;
    hits.add({3, 4}, 0.5);
    hits.add({3, 4}, 0.25);
    hits.add({5, 6}, kNone);
    EXPECT_EQ(hits.maxCount(), 2);
    const HitChannel ego{"User 1", "V"};
    EXPECT_EQ(hitSummary(hits, {3, 4}, ego), "2 records, mean User 1 0.375 V");
    EXPECT_EQ(hitSummary(hits, {3, 4}, {"Status", {}}), "2 records, mean Status 0.375");
    EXPECT_EQ(hitSummary(hits, {5, 6}, ego), "1 record");
    EXPECT_EQ(hitSummary(hits, {1, 1}, ego), "no records");
}

TEST(CellHits, ShortTextsOfCountsAndMeans) {
    const std::pair<qint64, const char*> counts[] = {
        {0, "0"},         {9999, "9999"},    {10000, "10k"},    {123456, "123k"},
        {999999, "999k"}, {1000000, "1.0M"}, {1299999, "1.2M"},
    };
    for (const auto& [count, text] : counts) {
        EXPECT_EQ(hitCountText(count), QString::fromLatin1(text)) << count;
    }
    const std::pair<double, const char*> means[] = {
        {3456.7, "3457"}, {100, "100"},      {14.73, "14.7"}, {5.3, "5.30"},
        {0.452, "0.452"}, {-12.34, "-12.3"}, {0, "0.000"},
    };
    for (const auto& [mean, text] : means) {
        EXPECT_EQ(hitMeanText(mean), QString::fromLatin1(text)) << mean;
    }
}

} // namespace
