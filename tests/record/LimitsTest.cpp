#include "record/Limits.h"

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
