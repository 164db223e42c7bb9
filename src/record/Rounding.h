// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

// The nearest whole number, halves to the even neighbour (20.5 gives 20,
// 127.5 gives 128, -2.5 gives -2), as a double: a number too large to have a
// fraction, an infinity and NaN come back as they are.
inline double nearestEven(double value) {
    // From 2^52 on every double is a whole number.
    constexpr double kWhole = 4503599627370496.0;
    if (!(std::fabs(value) < kWhole)) {
        return value;
    }
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5) {
        return floor + 1.0;
    }
    if (diff < 0.5) {
        return floor;
    }
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

// Rounds to the nearest integer, halves to the even neighbour. This is how a
// value becomes a stored count. Every double has a result: a value beyond the
// integer's range (an infinity too) gives the nearest end of the range, and
// NaN gives 0; a caller that may meet NaN uses roundedCount, which keeps it
// apart.
inline int64_t roundHalfEven(double value) {
    // -2^63 is the smallest int64_t; 2^63 is one beyond the largest.
    constexpr double kEnd = 9223372036854775808.0;
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= kEnd) {
        return std::numeric_limits<int64_t>::max();
    }
    if (value < -kEnd) {
        return std::numeric_limits<int64_t>::min();
    }
    return static_cast<int64_t>(nearestEven(value));
}

// The count that a typed or computed value stores in a field that holds min
// to max: limited to the range first, then rounded half to even. NaN is not a
// number and gives nothing, so the stored value stays as it is.
inline std::optional<int64_t> roundedCount(double value, int64_t min, int64_t max) {
    if (std::isnan(value)) {
        return std::nullopt;
    }
    const auto low = static_cast<double>(min);
    const auto high = static_cast<double>(max);
    return roundHalfEven(value > high ? high : (value < low ? low : value));
}

// Integer division with the fraction dropped toward zero (-7 / 2 gives -3).
inline int64_t truncDiv(int64_t a, int64_t b) {
    return a / b;
}
