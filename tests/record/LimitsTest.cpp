// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/Limits.h"
#include "record/AreaFit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

TEST(CheckMaxMin, ClampsToTheRange) {
    EXPECT_EQ(checkMaxMin(1.0f, 500.0f, 600.0f), 500.0f);
    EXPECT_EQ(checkMaxMin(1.0f, 500.0f, 0.0f), 1.0f);
    EXPECT_EQ(checkMaxMin(1.0f, 500.0f, 12.5f), 12.5f);
    EXPECT_EQ(checkMaxMin(0.0f, 1.0f, 1.0f), 1.0f);
    EXPECT_EQ(checkMaxMin(0.0f, 1.0f, std::numeric_limits<float>::infinity()), 1.0f);
}

TEST(CheckMaxMin, CrossedLimitsCompareTheUnclampedValue) {
    // Both comparisons see the unclamped value.
    EXPECT_EQ(checkMaxMin(10.0f, 5.0f, 7.0f), 10.0f);
    EXPECT_EQ(checkMaxMin(10.0f, 5.0f, 20.0f), 5.0f);
    EXPECT_EQ(checkMaxMin(10.0f, 5.0f, 1.0f), 10.0f);
}

TEST(CheckMaxMin, NanTakesTheMinimum) {
    EXPECT_EQ(checkMaxMin(5.0f, 50.0f, std::nanf("")), 5.0f);
}

TEST(KeepInside, MovesAndShrinksAWindowIntoTheArea) {
    const QRect area(0, 0, 800, 520);
    const struct {
        QRect window;
        QSize minimum;
        QRect kept;
    } cases[] = {
        {{10, 20, 300, 200}, {}, {10, 20, 300, 200}},        // inside: left alone
        {{700, 450, 300, 200}, {}, {500, 320, 300, 200}},    // past the right and bottom
        {{-50, -10, 300, 200}, {}, {0, 0, 300, 200}},        // past the left and top
        {{1600, 900, 400, 300}, {}, {400, 220, 400, 300}},   // from a larger screen
        {{100, 60, 854, 600}, {}, {0, 0, 800, 520}},         // larger than the area
        {{100, 60, 854, 600}, {830, 300}, {0, 0, 830, 520}}, // its minimum wins
    };
    for (const auto& c : cases) {
        EXPECT_EQ(keepInside(c.window, area, c.minimum), c.kept) << c.window.x();
    }
}
