// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot3d/Plot3DView.h"
#include "monitor/LiveSample.h"

#include "monitor/Calibration.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>

namespace {

TEST(Plot3DPlacement, NeverPlacedPlotsSitAtTheMainWindowsLowerRightAndApart) {
    const QRectF main(1000, 2000, 9000, 6000);
    struct Case {
        int16_t x, y;
        const Plot3DDescription& plot;
        QPointF at;
    };
    const Case cases[] = {
        {-1, -1, fuelPlot(), {6700, 4700}},   {-1, -1, ignitionPlot(), {6700, 1400}},
        {1500, -20, fuelPlot(), {1500, -20}}, {-1, 400, ignitionPlot(), {6700, 400}},
        {0, -1, fuelPlot(), {0, 4700}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(plotPlacement(c.x, c.y, main, c.plot.defaultTopOffsetTwips), c.at)
            << c.x << "," << c.y << " " << c.plot.caption.toStdString();
    }
}

TEST(Plot3DPlacement, StoredPositionsAreRoundedAndHeldWithinSixteenBits) {
    const std::pair<double, int16_t> cases[] = {
        {1499.5, 1500}, {2500.5, 2500},   {-15.2, -15},
        {40000, 32767}, {-40000, -32768}, {std::numeric_limits<double>::quiet_NaN(), -1},
    };
    for (const auto& [twips, stored] : cases) {
        EXPECT_EQ(storedPosition(twips), stored) << twips;
    }
}

TEST(Plot3DZoom, TheSmallPlotGrowsAndEveryOtherSizeShrinks) {
    // At 110 dpi 3000 twips are 229.2 pixels, so a window of 229 is small.
    const std::tuple<int, double, int, int> cases[] = {
        {200, 15, 400, 16}, {400, 15, 200, 10},           {640, 15, 200, 10},
        {0, 15, 200, 10},   {229, 1440.0 / 110, 458, 16}, {458, 1440.0 / 110, 229, 10},
    };
    for (const auto& [width, twipsPerPixel, size, points] : cases) {
        const ZoomStep step = zoomStep(width, twipsPerPixel);
        EXPECT_EQ(std::pair(step.sizePixels, step.labelPoints), std::pair(size, points)) << width;
    }
}

TEST(Plot3DOutline, ACircleLargerThanTheSquareCutsOnlyTheCorners) {
    const std::vector<QPoint> points = outlinePoints(200);
    ASSERT_EQ(points.size(), 37u);
    EXPECT_EQ(points[0], QPoint(230, 100)); // R = 1.3 x 100
    EXPECT_EQ(points[9], QPoint(100, 230));
    EXPECT_EQ(points[18], QPoint(-30, 100));
    EXPECT_EQ(points[36], points[0]);
    EXPECT_EQ(points[4], QPoint(200, 184)); // 40 degrees: on the square's side
}

TEST(Plot3DSurface, ATableOfZerosStillHasAScaleOfHeightOneAndFinitePoints) {
    const EcuSettings::Table zeros{};
    const ProjectedSurface s = projectSurface(zeros, Eye{});
    EXPECT_EQ(s.scale.top, 1);
    EXPECT_EQ(s.scale.bottom, 0);
    const PlotMapping map(s.scale, QRectF(0, 0, 200, 200));
    for (const auto& row : s.points) {
        for (const QPointF& p : row) {
            const QPointF d = map.toDevice(p);
            ASSERT_TRUE(std::isfinite(d.x()) && std::isfinite(d.y()));
        }
    }
    EXPECT_EQ(map.toDevice({-12, 1}), QPointF(0, 0));
    EXPECT_EQ(map.toDevice({12, 0}), QPointF(200, 200));
    EXPECT_EQ(map.xLength(0.5), 200.0 / 48);
}

TEST(Plot3DSurface, TheLiveMarkerStaysOnTheTable) {
    struct Case {
        float rpm, load;
        double x, y;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {0, 0, -7, -7},  {1, 1, 8, 8},         {0.5f, 0.25f, 0.5, -3.25},
        {1.5f, 2, 8, 8}, {nan, -0.2f, -7, -7},
    };
    for (const Case& c : cases) {
        const OperatingPoint point{c.rpm, c.load, 30, 40};
        EXPECT_EQ(liveMarker(point, fuelPlot()), (Vector4{c.x, c.y, 30, 1})) << c.rpm;
        EXPECT_EQ(liveMarker(point, ignitionPlot())[2], 40);
    }

    // No rpm axis below a MaxRpm of 15: the marker keeps to the first column.
    EcuSettings settings = EcuSettings::withDefaults();
    settings.MaxRpm = 0;
    EngineData engine;
    engine.RpmChannel.Value = 3000;
    EXPECT_EQ(
        liveMarker(operatingPoint(settings, LiveSample::fromEngineData(engine, 0)), fuelPlot())[0],
        -7);
}

} // namespace
