// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot3d/Projection.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr double kPi = 3.14159;

double r1Of(const Eye& e) {
    return std::hypot(e.x, e.y);
}
double r2Of(const Eye& e) {
    return std::sqrt(e.x * e.x + e.y * e.y + e.z * e.z);
}

TEST(Projection, MatrixProductsAndTheDivisionByW) {
    Matrix4 scale = makeIdentity();
    scale[0][0] = 2;
    Matrix4 shift = makeIdentity();
    shift[3][1] = 5; // row vectors: the fourth row translates
    const Matrix4 both = matrixMatrixMult(scale, shift);
    const Vector4 p = vectorMatrixMult({1, 1, 1, 1}, both);
    EXPECT_EQ(p, (Vector4{2, 6, 1, 1}));
    EXPECT_EQ(vectorMatrixMult({2, 4, 6, 2}, makeIdentity()), (Vector4{1, 2, 3, 1}));
}

TEST(Projection, AngleOfAPoint) {
    EXPECT_EQ(angleOf(0, 5), 0.0);
    EXPECT_NEAR(angleOf(1, 1), std::atan(1.0), 1e-12);
    EXPECT_NEAR(angleOf(-1, 1), -std::atan(1.0) + kPi, 1e-12);
    EXPECT_NEAR(angleOf(-1, -1), std::atan(1.0) + kPi, 1e-12);
}

TEST(Projection, TheEyeLooksAlongTheNegativeZAxisAndTheValueAxisStandsUp) {
    const Eye eye;
    const Matrix4 view = buildViewMatrix(eye);
    const Vector4 seen = vectorMatrixMult({eye.x, eye.y, eye.z, 1}, view);
    EXPECT_NEAR(seen[0], 0, 1e-9);
    EXPECT_NEAR(seen[1], 0, 1e-9);
    EXPECT_NEAR(seen[2], -r2Of(eye), 1e-9);

    const Vector4 up = vectorMatrixMult({0, 0, 1, 1}, view);
    EXPECT_NEAR(up[0], 0, 1e-9);
    EXPECT_NEAR(up[1], r1Of(eye) / r2Of(eye), 1e-9);
}

TEST(Rotation, InitialViewAndSideSteps) {
    const Eye start;
    EXPECT_NEAR(angleOf(start.x, start.y), 1.178, 1e-3);
    EXPECT_NEAR(angleOf(r1Of(start), start.z), -0.667, 1e-3);

    const Eye right = rotateEye(start, RotateKey::Right);
    EXPECT_NEAR(angleOf(right.x, right.y), angleOf(start.x, start.y) + kPi / 16, 1e-6);
    EXPECT_NEAR(right.z, start.z, 1e-9);
    const Eye back = rotateEye(right, RotateKey::Left);
    EXPECT_NEAR(back.x, start.x, 1e-9);
    EXPECT_NEAR(back.y, start.y, 1e-9);
}

TEST(Rotation, UpAndDownMoveTheEyeOnAVerticalLine) {
    Eye eye;
    const double r1 = r1Of(eye);
    const Eye down = rotateEye(eye, RotateKey::Down);
    EXPECT_NEAR(r1Of(down), r1, 1e-9);
    EXPECT_NEAR(down.z, r2Of(eye) * std::sin(angleOf(r1, eye.z) - kPi / 16), 1e-9);

    // Each Up raises the eye; once the elevation is held at a quarter turn,
    // z becomes the previous r2.
    for (int i = 0; i < 20; ++i) {
        const Eye higher = rotateEye(eye, RotateKey::Up);
        EXPECT_GT(higher.z, eye.z);
        EXPECT_NEAR(r1Of(higher), r1, 1e-9);
        eye = higher;
    }
    const Eye steep{eye.x, eye.y, 10 * r1};
    EXPECT_NEAR(rotateEye(steep, RotateKey::Up).z, r2Of(steep), 1e-9);
    const Eye deep{eye.x, eye.y, -10 * r1};
    EXPECT_NEAR(rotateEye(deep, RotateKey::Down).z, -r2Of(deep), 1e-9);
}

struct HeightCase {
    int largest;
    double zMax;
    double bottom;
};

TEST(Surface, HeightOfTheValueAxisAndTheScale) {
    const HeightCase cases[] = {
        {200, 220, -66}, {5, 6, -2}, {15, 16, -5}, {0, 1, 0}, {1, 1, 0},
    };
    for (const HeightCase& c : cases) {
        EcuSettings::Table table{};
        table[4][9] = static_cast<int16_t>(c.largest);
        table[16][16] = 999; // a spare slot, not shown
        EXPECT_EQ(zMax(table), c.zMax) << c.largest;
        const PlotScale scale = plotScale(zMax(table));
        EXPECT_EQ(scale.top, c.zMax);
        EXPECT_EQ(scale.bottom, c.bottom) << c.largest;
        EXPECT_EQ(scale.left, -12);
        EXPECT_EQ(scale.right, 12);
    }
    EXPECT_EQ(axes(50).valueEnd, (Vector4{-8, -8, 50, 1}));
}

TEST(Surface, PointsAndMarkersShareTheTablesPlace) {
    EcuSettings::Table table{};
    table[0][0] = 11;
    table[15][15] = 22;
    table[3][5] = 33;
    EXPECT_EQ(surfacePoint(table, 0, 0), (Vector4{-7, 8, 11, 1}));
    EXPECT_EQ(surfacePoint(table, 15, 15), (Vector4{8, -7, 22, 1}));
    EXPECT_EQ(selectedMarker(table, 1, 1), surfacePoint(table, 0, 0));
    EXPECT_EQ(selectedMarker(table, 4, 6), surfacePoint(table, 3, 5));
    EXPECT_EQ(operatingMarker(0, 0, 5), (Vector4{-7, -7, 5, 1}));
    EXPECT_EQ(operatingMarker(1, 1, 5), (Vector4{8, 8, 5, 1}));
}

TEST(Surface, AxisLabelsAreNeverUpsideDown) {
    const std::pair<Vector4, double> cases[] = {
        {{1, 0}, 0}, {{-1, 0}, 0}, {{1, 1}, 45}, {{-1, -1}, 45}, {{-1, 1}, -45}, {{1, -1}, -45},
    };
    for (const auto& [direction, angle] : cases) {
        EXPECT_NEAR(axisLabelAngle(direction[0], direction[1]), angle, 1e-3)
            << direction[0] << "," << direction[1];
    }
}

} // namespace
