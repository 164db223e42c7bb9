// SPDX-License-Identifier: GPL-3.0-or-later
// The gauges without a display: zones and bands of the warning and danger
// ranges, the values' texts, the layout kept between runs and its editing,
// and faces whose digits can be read from a metre away.

#include "gauges/GaugeFace.h"
#include "gauges/GaugeLayout.h"
#include "record/EcuSettings.h"
#include "record/EngineData.h"
#include "record/ListStyle.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

Gauge gaugeWith(float min, float max, std::optional<float> dangerBelow,
                std::optional<float> warningBelow, std::optional<float> warningAbove,
                std::optional<float> dangerAbove) {
    Gauge g;
    g.min = min;
    g.max = max;
    g.dangerBelow = dangerBelow;
    g.warningBelow = warningBelow;
    g.warningAbove = warningAbove;
    g.dangerAbove = dangerAbove;
    return g;
}

const std::optional<float> none;

} // namespace

TEST(GaugeZone, ValuesFallInTheWarningAndDangerRangesAtTheirEdges) {
    const Gauge water = usualGauge(LiveChannel::Water, GaugeKind::Dial);
    const Gauge battery = usualGauge(LiveChannel::Battery, GaugeKind::Number);
    // Danger limits inside the warning ones: danger wins where they overlap.
    const Gauge crossed = gaugeWith(0, 100, 40, 20, 60, 50);
    const Gauge bare = gaugeWith(0, 100, none, none, none, none);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        const Gauge& gauge;
        float value;
        GaugeZone zone;
    };
    const Case cases[] = {
        {"water below its warning", water, 209.9f, GaugeZone::Normal},
        {"water at its warning", water, 210.0f, GaugeZone::Warning},
        {"water just below danger", water, 229.9f, GaugeZone::Warning},
        {"water at danger", water, 230.0f, GaugeZone::Danger},
        {"water past the scale", water, 400.0f, GaugeZone::Danger},
        {"water below the scale", water, 20.0f, GaugeZone::Normal},
        {"battery at its low warning", battery, 12.0f, GaugeZone::Normal},
        {"battery below its low warning", battery, 11.9f, GaugeZone::Warning},
        {"battery at its low danger", battery, 11.0f, GaugeZone::Warning},
        {"battery below its low danger", battery, 10.9f, GaugeZone::Danger},
        {"battery charging", battery, 14.2f, GaugeZone::Normal},
        {"battery at its high warning", battery, 15.0f, GaugeZone::Warning},
        {"battery at its high danger", battery, 16.0f, GaugeZone::Danger},
        {"crossed limits, low", crossed, 30.0f, GaugeZone::Danger},
        {"crossed limits, high", crossed, 55.0f, GaugeZone::Danger},
        {"crossed limits, between", crossed, 45.0f, GaugeZone::Normal},
        {"no limits", bare, 1e6f, GaugeZone::Normal},
        {"no number", water, nan, GaugeZone::Normal},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gaugeZone(c.gauge, c.value), c.zone) << c.name;
    }
}

TEST(GaugeZone, TheScaleIsCutIntoColouredBandsAtTheLimitsInsideIt) {
    using Z = GaugeZone;
    struct Case {
        const char* name;
        Gauge gauge;
        std::vector<GaugeBand> bands;
    };
    const Case cases[] = {
        {"water",
         usualGauge(LiveChannel::Water, GaugeKind::Dial),
         {{100, 210, Z::Normal}, {210, 230, Z::Warning}, {230, 260, Z::Danger}}},
        {"battery, both sides",
         usualGauge(LiveChannel::Battery, GaugeKind::Bar),
         {{8, 11, Z::Danger},
          {11, 12, Z::Warning},
          {12, 15, Z::Normal},
          {15, 16, Z::Warning},
          {16, 18, Z::Danger}}},
        {"no limits", gaugeWith(0, 30, none, none, none, none), {{0, 30, Z::Normal}}},
        {"limits outside the scale", gaugeWith(0, 100, -5, none, 100, 200), {{0, 100, Z::Normal}}},
        {"warning from the bottom",
         gaugeWith(0, 100, none, 100, none, none),
         {{0, 100, Z::Warning}}},
        {"danger inside warning joins",
         gaugeWith(0, 100, none, none, 50, 40),
         {{0, 40, Z::Normal}, {40, 100, Z::Danger}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gaugeBands(c.gauge), c.bands) << c.name;
    }
}

TEST(GaugeText, EachChannelPrintsItsUsualDigitsAndAUserInputFollowsItsMode) {
    EcuSettings settings;
    settings.UserInputAnalogMode = {0, 1, 3};
    struct Case {
        LiveChannel channel;
        float value;
        const char* text;
        const char* unit;
    };
    const Case cases[] = {
        {LiveChannel::Rpm, 6512.4f, "6512", "rpm"},
        {LiveChannel::Map, 9.87f, "9.9", "psi"},
        {LiveChannel::Map, 0.04f, "0.0", "psi"},
        {LiveChannel::Tps, 37.0f, "37", "%"},
        {LiveChannel::Water, 231.6f, "232", "\u00b0F"},
        {LiveChannel::Battery, 13.64f, "13.6", "V"},
        {LiveChannel::Fuel, 3.254f, "3.25", "ms"},
        {LiveChannel::Ignition, -4.5f, "-4.5", "\u00b0BTDC"},
        {LiveChannel::User1, 2.345f, "2.35", "V"}, // volts
        {LiveChannel::User2, 104.0f, "104", "%"},  // fuel per cent
        {LiveChannel::User3, 0.456f, "0.46", "V"}, // EGO volts
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gaugeValueText(c.channel, c.value, settings), c.text) << c.text;
        EXPECT_EQ(gaugeUnit(c.channel, settings), QString::fromUtf8(c.unit)) << c.text;
    }
    settings.UserInputAnalogMode = {2, 2, 2};
    EXPECT_EQ(gaugeUnit(LiveChannel::User1, settings), QString(QChar(176)));

    // A channel the sample does not hold shows dashes.
    EngineData engine = EngineData::withChannelLayout();
    engine.RpmChannel.Value = 900;
    const LiveSample rpmOnly = LiveSample::fromEngineData(
        engine, 0, LiveChannelSet().set(static_cast<size_t>(LiveChannel::Rpm)));
    EXPECT_EQ(gaugeValueText(usualGauge(LiveChannel::Rpm, GaugeKind::Dial), rpmOnly, settings),
              "900");
    EXPECT_EQ(gaugeValueText(usualGauge(LiveChannel::Map, GaugeKind::Dial), rpmOnly, settings),
              "--");
}

TEST(GaugeLayoutEditing, GaugesAreAddedRemovedAndMovedWithinTwelve) {
    GaugeLayout layout;
    ASSERT_EQ(layout.gauges.size(), 6u);
    // The first channel without a gauge, after the gauge chosen.
    ASSERT_TRUE(insertGauge(layout, 1));
    EXPECT_EQ(layout.gauges[2].channel, LiveChannel::Air);
    EXPECT_EQ(layout.gauges[2].kind, GaugeKind::Dial);
    EXPECT_EQ(layout.gauges[3].channel, LiveChannel::Water);
    // Out of range: at the end.
    ASSERT_TRUE(insertGauge(layout, 99));
    EXPECT_EQ(layout.gauges.back().channel, LiveChannel::Duty);
    while (insertGauge(layout, -1)) {
    }
    EXPECT_EQ(layout.gauges.size(), size_t(GaugeLayout::kMaxGauges));
    // Every channel has a gauge now: more rpm would come next.
    EXPECT_EQ(newGauge(layout).channel, LiveChannel::Rpm);

    ASSERT_TRUE(moveGauge(layout, 0, 11));
    EXPECT_EQ(layout.gauges[11].channel, LiveChannel::Rpm);
    EXPECT_EQ(layout.gauges[0].channel, LiveChannel::Map);
    EXPECT_FALSE(moveGauge(layout, 0, 12));
    EXPECT_FALSE(moveGauge(layout, -1, 0));
    EXPECT_FALSE(moveGauge(layout, 3, 3));

    ASSERT_TRUE(removeGauge(layout, 0));
    EXPECT_EQ(layout.gauges.size(), 11u);
    EXPECT_EQ(layout.gauges[0].channel, LiveChannel::Air);
    EXPECT_FALSE(removeGauge(layout, 11));

    Gauge g = layout.gauges[0];
    EXPECT_FALSE(setGaugeScale(g, 10, 10));
    EXPECT_FALSE(setGaugeScale(g, 10, 5));
    EXPECT_FALSE(setGaugeScale(g, 0, std::numeric_limits<float>::infinity()));
    EXPECT_EQ(g, layout.gauges[0]);
    EXPECT_TRUE(setGaugeScale(g, -40, 300));
    EXPECT_EQ(g.min, -40);

    std::optional<float> limit = 5;
    EXPECT_TRUE(readOptionalNumber(QStringLiteral(" 12,5 "), limit));
    EXPECT_EQ(limit, 12.5f);
    EXPECT_FALSE(readOptionalNumber(QStringLiteral("12 V"), limit));
    EXPECT_EQ(limit, 12.5f);
    EXPECT_TRUE(readOptionalNumber(QString(), limit));
    EXPECT_FALSE(limit.has_value());
}

TEST(GaugeLayoutFile, TheLayoutIsKeptWholeAndAnUnusableFileGivesTheDefaults) {
    GaugeLayout edited;
    edited.gauges = {gaugeWith(-12.5f, 0.25f, -10, none, none, 0.125f),
                     usualGauge(LiveChannel::User3, GaugeKind::Bar),
                     usualGauge(LiveChannel::Battery, GaugeKind::Number)};
    edited.gauges[0].channel = LiveChannel::Ignition;
    edited.gauges[0].kind = GaugeKind::Number;
    GaugeLayout none;
    none.gauges.clear();
    GaugeLayout full;
    while (insertGauge(full, -1)) {
    }
    for (const GaugeLayout& layout : {GaugeLayout{}, edited, none, full}) {
        EXPECT_EQ(parseGaugeLayout(gaugeLayoutBytes(layout)), layout);
    }
    const QByteArray text = gaugeLayoutBytes(edited);
    EXPECT_EQ(text.left(text.indexOf("\"User 3\"")),
              "\"Gauges Layout\",1\r\n\"Gauges\",3\r\n"
              "\"Ignition\",\"Number\",-12.5,0.25,#TRUE#,-10,#FALSE#,0,#FALSE#,0,#TRUE#,0.125\r\n");

    struct Broken {
        const char* name;
        QByteArray from;
        QByteArray to;
    };
    const Broken broken[] = {
        {"another title", "Gauges Layout", "Gauge Layout"},
        {"another version", "Layout\",1", "Layout\",2"},
        {"unknown channel", "\"User 3\"", "\"User 4\""},
        {"unknown kind", "\"Bar\"", "\"Needle\""},
        {"scale upside down", "-12.5,0.25", "0.25,-12.5"},
        {"more gauges than the count", "\"Gauges\",3", "\"Gauges\",2"},
        {"cut short", "\"End Of File\"\r\n", ""},
        {"too many gauges", "\"Gauges\",3", "\"Gauges\",13"},
    };
    for (const Broken& b : broken) {
        QByteArray damaged = text;
        damaged.replace(b.from, b.to);
        ASSERT_NE(damaged, text) << b.name;
        EXPECT_FALSE(parseGaugeLayout(damaged).has_value()) << b.name;
    }

    QTemporaryDir dir;
    const QString path = gaugeLayoutPath(dir.filePath(QStringLiteral("Vantrel.ini")));
    EXPECT_EQ(path, dir.filePath(QStringLiteral("gauges.conf")));
    EXPECT_EQ(loadGaugeLayout(path), GaugeLayout{});
    EXPECT_EQ(saveGaugeLayout(path, edited), QString());
    EXPECT_EQ(loadGaugeLayout(path), edited);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\"Gauges Layout\",1\r\n\"Gauges\",");
    file.close();
    EXPECT_EQ(loadGaugeLayout(path), GaugeLayout{});
}

TEST(GaugeFace, DigitsReachTheReadableHeightInEveryKindsSmallestCell) {
    // At 96 dots an inch, nine millimetres are 34 pixels.
    const double readable = readableDigitPixels(96 / 25.4);
    EXPECT_NEAR(readable, 34.0, 0.1);
    for (GaugeKind kind : {GaugeKind::Dial, GaugeKind::Bar, GaugeKind::Number}) {
        for (int characters = 2; characters <= 6; ++characters) {
            SCOPED_TRACE(gaugeKindName(kind).toStdString() + " " + std::to_string(characters));
            const GaugeShape shape{kind, characters};
            const QSizeF least = gaugeMinimumCell(shape, readable);
            const GaugeFace face = gaugeFace(shape, QRectF(QPointF(0, 0), least));
            EXPECT_GE(face.digitHeight, readable - 1e-9);
            // Not a pixel larger than needed in the limiting direction.
            EXPECT_LT(
                gaugeFace(shape, QRectF(0, 0, least.width() - 1, least.height() + 500)).digitHeight,
                readable);
            EXPECT_LT(
                gaugeFace(shape, QRectF(0, 0, least.width() + 500, least.height() - 1)).digitHeight,
                readable);
            // The digits' box holds them, and the face stays in its cell.
            EXPECT_LE(characters * kDigitWidthPerHeight * face.digitHeight,
                      face.value.width() + 1e-6);
            EXPECT_LE(face.digitHeight, face.value.height());
            for (const QRectF& part : {face.title, face.dial, face.bar, face.scale, face.value}) {
                EXPECT_TRUE(part.isEmpty() || QRectF(QPointF(0, 0), least).contains(part));
            }
        }
    }
}

TEST(GaugeFace, TheGridGivesTheSmallestDigitsTheMostRoom) {
    const GaugeShape dial{GaugeKind::Dial, 4};
    const GaugeShape bar{GaugeKind::Bar, 3};
    const GaugeShape number{GaugeKind::Number, 4};
    const std::vector<GaugeShape> six{dial, dial, dial, bar, number, number};
    struct Case {
        const char* name;
        std::vector<GaugeShape> shapes;
        QSizeF area;
        GaugeGrid grid;
    };
    const Case cases[] = {
        {"one", {dial}, {600, 400}, {1, 1}},
        {"six on a landscape area", six, {900, 600}, {3, 2}},
        {"six on a tall area", six, {400, 900}, {2, 3}},
        {"six in a strip", six, {1800, 300}, {6, 1}},
        {"twelve", std::vector<GaugeShape>(12, dial), {1200, 900}, {4, 3}},
        {"numbers in a column", {number, number, number}, {300, 900}, {1, 3}},
    };
    const auto smallestDigits = [](const std::vector<GaugeShape>& shapes, const GaugeGrid& grid,
                                   const QSizeF& area) {
        double smallest = 1e9;
        for (size_t i = 0; i < shapes.size(); ++i) {
            const QRectF cell = gaugeCell(grid, area, static_cast<int>(i));
            EXPECT_TRUE(QRectF(QPointF(0, 0), area).contains(cell.adjusted(1, 1, -1, -1)));
            smallest = std::min(smallest, gaugeFace(shapes[i], cell).digitHeight);
        }
        return smallest;
    };
    for (const Case& c : cases) {
        const GaugeGrid grid = gaugeGrid(c.shapes, c.area);
        EXPECT_EQ(grid, c.grid) << c.name;
        const double best = smallestDigits(c.shapes, grid, c.area);
        for (int columns = 1; columns <= static_cast<int>(c.shapes.size()); ++columns) {
            const int rows = (static_cast<int>(c.shapes.size()) + columns - 1) / columns;
            EXPECT_GE(best, smallestDigits(c.shapes, {columns, rows}, c.area) - 1e-9) << c.name;
        }
    }

    // The smallest panel in which all six are readable, on a 3 x 2 grid.
    const QSizeF least = gaugePanelMinimum(six, 34);
    EXPECT_GE(smallestDigits(six, {3, 2}, least), 34 - 1e-9);
    EXPECT_TRUE(gaugePanelMinimum({}, 34).isEmpty());
}

TEST(GaugeFace, DialsSweepFromLowerLeftToLowerRightWithRoundTicks) {
    EXPECT_DOUBLE_EQ(dialAngle(0), 225);
    EXPECT_DOUBLE_EQ(dialAngle(0.5), 90);
    EXPECT_DOUBLE_EQ(dialAngle(1), -45);
    EXPECT_DOUBLE_EQ(dialAngle(2), -45);
    EXPECT_DOUBLE_EQ(gaugeFraction(usualGauge(LiveChannel::Water, GaugeKind::Dial), 180), 0.5);
    EXPECT_DOUBLE_EQ(gaugeFraction(usualGauge(LiveChannel::Water, GaugeKind::Dial), 20), 0);

    struct Case {
        double min;
        double max;
        int count;
        std::vector<double> ticks;
    };
    const Case cases[] = {
        {0, 8000, 7, {0, 2000, 4000, 6000, 8000}},
        {8, 18, 7, {8, 10, 12, 14, 16, 18}},
        {-10, 50, 7, {-10, 0, 10, 20, 30, 40, 50}},
        {100, 260, 7, {100, 125, 150, 175, 200, 225, 250}},
        {0, 0.5, 6, {0, 0.1, 0.2, 0.3, 0.4, 0.5}},
        {5, 5, 7, {}},
    };
    for (const Case& c : cases) {
        const std::vector<double> ticks = gaugeTicks(c.min, c.max, c.count);
        ASSERT_EQ(ticks.size(), c.ticks.size()) << c.min << ".." << c.max;
        for (size_t i = 0; i < ticks.size(); ++i) {
            EXPECT_NEAR(ticks[i], c.ticks[i], 1e-9) << c.min << ".." << c.max;
        }
    }
}
