// SPDX-License-Identifier: GPL-3.0-or-later
// The log review's core: the channel filter, the layout kept between runs,
// the time shown and the cursor, line breaks, the scatter grid, the hits and
// the replayed record handed to the table editors, and the background read.

#include "monitor/SampleSeries.h"
#include "review/ChannelFilter.h"
#include "review/LogHits.h"
#include "review/LogLoader.h"
#include "review/ReviewLayout.h"
#include "review/ReviewTimeline.h"
#include "review/ScatterGrid.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr float kNone = NAN;

// A series of named channels, one record a row at the times given.
std::unique_ptr<SampleSeries> seriesOf(const QStringList& channels,
                                       const std::vector<std::vector<float>>& rows,
                                       qint64 stepMs = 100) {
    auto series = std::make_unique<SampleSeries>();
    for (const QString& name : channels) {
        series->addChannel(name, {});
    }
    qint64 t = 0;
    for (const auto& row : rows) {
        std::vector<ChannelValue> values;
        for (size_t c = 0; c < row.size(); ++c) {
            values.push_back({static_cast<int>(c), row[c]});
        }
        series->append(t, values);
        t += stepMs;
    }
    return series;
}

TEST(ChannelFilter, EveryRangeMustHoldWithBothEndsIncluded) {
    const auto series = seriesOf(
        {"Water", "TPS"}, {{150, 50}, {160, 5}, {200, 80}, {170, 81}, {kNone, 50}, {165, 4.9f}});
    const struct {
        const char* name;
        std::vector<ChannelCondition> conditions;
        std::vector<bool> passes;
        QString text;
    } cases[] = {
        {"Water >= 160 and TPS between 5 and 80",
         {{"Water", 160.0f, {}}, {"TPS", 5.0f, 80.0f}},
         {false, true, true, false, false, false},
         QStringLiteral("Water \u2265 160, 5 \u2264 TPS \u2264 80")},
        {"no condition lets every record pass, one without values too",
         {},
         {true, true, true, true, true, true},
         "all records"},
        {"channel names without regard to case; an upper limit alone",
         {{"tps", {}, 50.0f}},
         {true, true, false, false, true, true},
         QStringLiteral("tps \u2264 50")},
        {"a channel the log lacks lets none pass",
         {{"Water", 100.0f, {}}, {"Boost", {}, {}}},
         {false, false, false, false, false, false},
         "Water \u2265 100, Boost has a value"},
    };
    for (const auto& c : cases) {
        const ChannelFilter filter(c.conditions);
        const ChannelFilter::Bound bound = filter.bind(*series);
        std::vector<bool> byIndex;
        std::vector<bool> byRecord;
        series->forEachRecord(0, series->size(),
                              [&](qsizetype i, qint64, std::span<const float> values) {
                                  byIndex.push_back(bound.passes(*series, i));
                                  byRecord.push_back(bound.passes(values));
                              });
        EXPECT_EQ(byIndex, c.passes) << c.name;
        EXPECT_EQ(byRecord, c.passes) << c.name;
        EXPECT_EQ(filter.text(), c.text) << c.name;
    }
}

TEST(ReviewLayout, RoundTripsThroughItsFileAndFallsBackWhenUnusable) {
    ReviewLayout layout;
    layout.panes = {{{{"Rpm", 0x1f5fbf, {}, 8000.0f}, {"Map", 0xd62728, -1.5f, 20.0f}}},
                    {},
                    {{{QStringLiteral("Water, \"coolant\" \u03bb"), 0x2ca02c, {}, {}}}}};
    layout.scatter = {"Rpm", "EGO", "Map"};
    layout.filter = ChannelFilter({{"Water", 160.0f, {}}, {"TPS", 5.0f, 80.0f}});
    const QByteArray bytes = reviewLayoutBytes(layout);
    EXPECT_EQ(parseReviewLayout(bytes), layout) << bytes.constData();

    QTemporaryDir dir;
    const QString path = reviewLayoutPath(dir.filePath("Vantrel.ini"));
    EXPECT_EQ(path, dir.filePath("log-review.conf"));
    EXPECT_EQ(loadReviewLayout(path), ReviewLayout{}); // missing
    EXPECT_TRUE(saveReviewLayout(path, layout).isEmpty());
    EXPECT_EQ(loadReviewLayout(path), layout);

    for (const QByteArray& broken :
         {QByteArray("\"Log Review Layout\",2\r\n"), bytes.left(bytes.size() / 2),
          QByteArray(bytes).replace("\"Panes\",3", "\"Panes\",9")}) {
        EXPECT_FALSE(parseReviewLayout(broken).has_value()) << broken.constData();
    }
}

TEST(ReviewLayout, ALogWithNoneOfThePanesChannelsGetsTheUsualOnesOrItsOwn) {
    auto full = seriesOf({"Rpm", "Map", "TPS", "Air", "Water", "Battery", "Duty", "Fuel",
                          "Ignition", "User 1", "EGO"},
                         {});
    ReviewLayout layout;
    fillReviewDefaults(layout, *full);
    const auto names = [](const ReviewLayout& l) {
        std::vector<QStringList> panes;
        for (const ReviewPane& p : l.panes) {
            QStringList n;
            for (const ReviewChannel& c : p.channels) {
                n << c.name;
            }
            panes.push_back(n);
        }
        return panes;
    };
    EXPECT_EQ(
        names(layout),
        (std::vector<QStringList>{
            {"Rpm"}, {"Map", "TPS"}, {"Fuel", "Duty", "Ignition"}, {"Water", "Air", "Battery"}}));
    EXPECT_EQ(layout.scatter, (ScatterChoice{"Rpm", "Map", "TPS"}));
    EXPECT_NE(layout.panes[1].channels[0].colour, layout.panes[1].channels[1].colour);

    // A layout that draws something of the log is kept as it is.
    ReviewLayout chosen;
    chosen.panes = {{{{"EGO", 1, {}, {}}, {"Boost", 2, {}, {}}}}};
    const ReviewLayout before = chosen;
    fillReviewDefaults(chosen, *full);
    EXPECT_EQ(chosen.panes, before.panes);

    auto foreign = seriesOf({"A", "B", "C", "D", "E", "F"}, {});
    ReviewLayout other = layout;
    fillReviewDefaults(other, *foreign);
    EXPECT_EQ(names(other), (std::vector<QStringList>{{"A", "B", "C", "D"}, {"E", "F"}, {}, {}}));
    EXPECT_EQ(other.scatter, (ScatterChoice{"A", "B", "C"}));
}

// 101 records 100 ms apart: 0 to 10 s.
class ReviewTimelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::vector<float>> rows(101, {1.0f});
        series = seriesOf({"Rpm"}, rows);
        timeline.reset(series.get());
    }
    std::unique_ptr<SampleSeries> series;
    ReviewTimeline timeline;
};

TEST_F(ReviewTimelineTest, ZoomPanAndPagesStayInsideTheLog) {
    EXPECT_EQ(timeline.start(), 0);
    EXPECT_EQ(timeline.end(), 10000);
    EXPECT_EQ(timeline.cursor(), 0);
    struct Step {
        const char* what;
        std::function<void()> act;
        qint64 start;
        qint64 end;
    };
    const std::vector<Step> steps{
        {"zoom in about 4 s: it stays where it was", [&] { timeline.zoom(4000, 0.5); }, 2000, 7000},
        {"pan later", [&] { timeline.pan(1500); }, 3500, 8500},
        {"pan past the end stops there", [&] { timeline.pan(5000); }, 5000, 10000},
        {"a screen back", [&] { timeline.stepScreens(-1); }, 0, 5000},
        {"a screen before the start stops there", [&] { timeline.stepScreens(-1); }, 0, 5000},
        {"zoom in beyond the shortest span", [&] { timeline.zoom(1000, 0.001); }, 960, 1160},
        {"zoom out beyond the log shows it whole", [&] { timeline.zoom(1000, 1000); }, 0, 10000},
        {"a page forward on the whole log keeps it", [&] { timeline.stepScreens(1); }, 0, 10000},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(timeline.start(), s.start) << s.what;
        EXPECT_EQ(timeline.end(), s.end) << s.what;
    }
}

TEST_F(ReviewTimelineTest, TheCursorStepsRecordsAndPagesAndTheViewFollowsIt) {
    timeline.zoom(0, 0.1); // 0 to 1 s
    ASSERT_EQ(timeline.end(), 1000);
    timeline.stepRecords(-1);
    EXPECT_EQ(timeline.cursor(), 0);
    for (int i = 0; i < 11; ++i) {
        timeline.stepRecords(1);
    }
    EXPECT_EQ(timeline.cursor(), 11);
    EXPECT_EQ(timeline.end(), 1100); // followed the cursor past the edge
    timeline.stepScreens(1);
    EXPECT_EQ(timeline.start(), 1100);
    EXPECT_EQ(timeline.cursor(), 21);
    timeline.setCursorTime(5049);
    EXPECT_EQ(timeline.cursor(), 50);
    EXPECT_EQ(timeline.end(), 5000 + 0); // brought into view at the edge
    timeline.setCursorTime(99999);
    EXPECT_EQ(timeline.cursor(), 100);
    timeline.showAll();
    EXPECT_EQ(timeline.span(), 10000);
}

TEST(ReviewTimeline, TimesAndTicks) {
    const struct {
        qint64 ms;
        const char* text;
    } times[] = {{0, "0.000 s"},
                 {12250, "12.250 s"},
                 {62500, "1:02.500"},
                 {3723004, "1:02:03.004"},
                 {-1500, "-1.500 s"}};
    for (const auto& t : times) {
        EXPECT_EQ(formatReviewTime(t.ms), t.text);
    }
    qint64 step = 0;
    EXPECT_EQ(timeTicks(0, 10000, 5, &step),
              (std::vector<qint64>{0, 2000, 4000, 6000, 8000, 10000}));
    EXPECT_EQ(step, 2000);
    EXPECT_EQ(timeTicks(100, 3700000, 4, &step), (std::vector<qint64>{1800000, 3600000}));
    EXPECT_EQ(formatTickTime(1800000, step), "30:00");
    EXPECT_EQ(formatTickTime(12500, 500), "12.5 s");
    const struct {
        float value;
        const char* text;
    } values[] = {{3450.4f, "3450"}, {190.0f, "190"},    {37.0f, "37.0"},
                  {9.876f, "9.88"},  {-0.45f, "-0.450"}, {kNone, "-"}};
    for (const auto& v : values) {
        EXPECT_EQ(formatReviewValue(v.value), v.text);
    }
}

TEST(ReviewTimeline, LinesBreakAtNewRunsGapsAndLostLinks) {
    SampleSeries series;
    const int rpm = series.addChannel("Rpm", "rpm");
    const std::vector<ChannelValue> v{{rpm, 1000}};
    series.startRun(0, {});
    series.append(0, v);
    series.append(500, v);
    series.addMarker(500, "engine warm");
    series.append(1000, v);
    series.addMarker(1000, "Link lost");
    series.append(1500, v); // after the lost link
    series.append(9000, v); // a gap the series marks
    series.startRun(9500, {});
    series.append(9500, v); // a new header
    EXPECT_EQ(lineBreaks(series), (std::vector<qsizetype>{3, 4, 5}));
}

TEST(ScatterGrid, CountsAndColourMeansOfTheRecordsThatPass) {
    // x, y, colour, filter channel
    const auto series = seriesOf({"Rpm", "EGO", "Map", "Water"}, {{1000, 0.1f, 2, 170},
                                                                  {1000, 0.1f, 4, 170},
                                                                  {3000, 0.9f, 10, 170},
                                                                  {3000, 0.9f, kNone, 170},
                                                                  {2000, 0.5f, 6, 120},
                                                                  {kNone, 0.5f, 6, 170}});
    const ChannelFilter filter({{"Water", 160.0f, {}}});
    const ScatterGrid g = scatterGrid(*series, 0, 1, 2, filter.bind(*series), 2, 2);
    EXPECT_EQ(g.total, 6);
    EXPECT_EQ(g.passed, 4);
    EXPECT_EQ(g.x.min, 1000);
    EXPECT_EQ(g.x.max, 3000);
    EXPECT_EQ(g.count, (std::vector<qint32>{2, 0, 0, 2})); // bottom left, top right
    EXPECT_EQ(g.colourMean[0], 3.0f);
    EXPECT_EQ(g.colourMean[3], 10.0f); // the record without a colour counts, not in the mean
    EXPECT_EQ(g.colour.max, 10.0f);
}

// The hits over the tables count the records that pass the review's filter,
// as the scatter plot draws them; the throttle places them (LoadControl 2).
TEST(LogHits, TheFilterAppliesToTheHitsAndTheMeanIsOfTheChosenChannel) {
    std::shared_ptr<const SampleSeries> series =
        seriesOf({"Rpm", "Map", "TPS", "Water", "User 1"}, {{3000, 8.8f, 0, 170, 0.2f},
                                                            {3000, 8.8f, 0, 170, 0.4f},
                                                            {3000, 8.8f, 0, 120, 0.9f},
                                                            {600, 8.8f, 98.5f, 165, kNone},
                                                            {kNone, 8.8f, 50, 170, 0.5f}});
    EcuSettings settings = EcuSettings::withDefaults();
    settings.LoadControl = 2;
    settings.MaxRpm = 9000;
    const GridCell idle{16, 6};
    const GridCell top{1, 2};
    const struct {
        const char* name;
        ChannelFilter filter;
        QString meanOf;
        qint64 idleCount;
        std::optional<double> idleMean;
        qint64 topCount;
        qint64 leftOut;
        QString description;
    } cases[] = {
        {"every record", {}, "User 1", 3, 0.5, 1, 1, "drive.log"},
        {"Water >= 160, the mean's channel in any case", ChannelFilter({{"Water", 160.0f, {}}}),
         "user 1", 2, 0.3, 1, 1, QStringLiteral("drive.log, Water \u2265 160")},
        {"counts only",
         ChannelFilter({{"Water", 160.0f, {}}}),
         {},
         2,
         std::nullopt,
         1,
         1,
         QStringLiteral("drive.log, Water \u2265 160")},
        {"a mean of a channel the log lacks", {}, "Lambda", 3, std::nullopt, 1, 1, "drive.log"},
        {"a filter on a channel the log lacks lets none pass", ChannelFilter({{"Oil", 1.0f, {}}}),
         "User 1", 0, std::nullopt, 0, 0, "drive.log, Oil \u2265 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SeriesHits log(series, "drive.log", c.filter);
        const CellHits hits = log.count(settings, c.meanOf);
        EXPECT_EQ(hits.count(idle), c.idleCount);
        EXPECT_EQ(hits.mean(idle).has_value(), c.idleMean.has_value());
        if (c.idleMean && hits.mean(idle)) {
            EXPECT_NEAR(*hits.mean(idle), *c.idleMean, 1e-6);
        }
        EXPECT_EQ(hits.count(top), c.topCount);
        EXPECT_EQ(hits.total(), c.idleCount + c.topCount);
        EXPECT_EQ(hits.leftOut(), c.leftOut);
        EXPECT_EQ(log.description(), c.description);
    }
    EXPECT_EQ(SeriesHits(series, "drive.log", {}).channels().back(), (HitChannel{"User 1", {}}));
}

// The replayed record: its rpm, MAP and throttle, none where it has none.
TEST(LogHits, TheRecordAtTheCursorGivesItsRpmMapAndThrottle) {
    const auto series = seriesOf({"rpm", "Map", "Water"}, {{2500, 7.5f, 170}, {kNone, 9, 170}});
    const LoggedPoint first = loggedPoint(*series, 0);
    EXPECT_EQ(first.rpm, 2500);
    EXPECT_EQ(first.mapPsi, 7.5);
    EXPECT_TRUE(std::isnan(first.tpsPercent)); // no throttle channel
    EXPECT_TRUE(std::isnan(loggedPoint(*series, 1).rpm));
}

TEST(LogLoader, ReadsInTheBackgroundAndHandsTheSeriesOver) {
    QTemporaryDir dir;
    const QString path = dir.filePath("run.csv");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Time (s),Rpm\n0,850\n0.5,900\nbroken\n");
    file.close();

    LogLoader loader;
    QSignalSpy finished(&loader, &LogLoader::finished);
    loader.start(path);
    EXPECT_TRUE(loader.busy());
    ASSERT_TRUE(finished.wait());
    EXPECT_FALSE(loader.busy());
    EXPECT_EQ(loader.progress(), 1.0);
    EXPECT_EQ(loader.result().records, 2);
    EXPECT_EQ(loader.result().skippedLines, 1);
    const std::unique_ptr<SampleSeries> series = loader.takeSeries();
    ASSERT_NE(series, nullptr);
    EXPECT_EQ(series->size(), 2);

    loader.start(dir.filePath("missing.log"));
    ASSERT_TRUE(finished.wait());
    EXPECT_FALSE(loader.openError().isEmpty());

    // A cancelled read ends without a word.
    loader.start(path);
    loader.cancel();
    EXPECT_FALSE(loader.busy());
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 2);
}

} // namespace
