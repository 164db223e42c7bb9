// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/Rounding.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(20.5), 20);
    EXPECT_EQ(roundHalfEven(127.5), 128);
    EXPECT_EQ(roundHalfEven(21.5), 22);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(-3.5), -4);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(44.32), 44);
    EXPECT_EQ(roundHalfEven(-0.6), -1);
}

struct Extreme {
    double value;
    int64_t rounded;              // roundHalfEven
    double nearest;               // nearestEven
    std::optional<int64_t> count; // roundedCount into 0..255
};

// Every double rounds to a defined count: beyond the integer's range and the
// infinities saturate, NaN is kept apart as no number at all.
TEST(RoundHalfEven, ValuesBeyondTheRangeSaturateAndNanIsNoNumber) {
    const Extreme cases[] = {
        {1e19, kMax, 1e19, 255},
        {5.2e20, kMax, 5.2e20, 255},
        {1e308, kMax, 1e308, 255},
        {-1e308, kMin, -1e308, 0},
        {kInf, kMax, kInf, 255},
        {-kInf, kMin, -kInf, 0},
        // The ends of the integer's range: -2^63 is one, 2^63 lies beyond.
        {-9223372036854775808.0, kMin, -9223372036854775808.0, 0},
        {9223372036854775808.0, kMax, 9223372036854775808.0, 255},
        {9007199254740993.0, 9007199254740992, 9007199254740992.0, 255},
        {254.5, 254, 254.0, 254},
        {255.5, 256, 256.0, 255},
        {-0.5, 0, 0.0, 0},
        {4503599627370495.5, 4503599627370496, 4503599627370496.0, 255},
    };
    for (const Extreme& c : cases) {
        EXPECT_EQ(roundHalfEven(c.value), c.rounded) << c.value;
        EXPECT_EQ(nearestEven(c.value), c.nearest) << c.value;
        EXPECT_EQ(roundedCount(c.value, 0, 255), c.count) << c.value;
    }
    EXPECT_EQ(roundHalfEven(kNan), 0);
    EXPECT_TRUE(std::isnan(nearestEven(kNan)));
    EXPECT_EQ(roundedCount(kNan, 0, 255), std::nullopt);
    EXPECT_EQ(roundedCount(-1e19, 10, 100), 10);
}

} // namespace
