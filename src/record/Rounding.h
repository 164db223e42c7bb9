#pragma once

#include <cmath>
#include <cstdint>

// Rounds to the nearest integer, halves to the even neighbour (20.5 gives 20,
// 127.5 gives 128, -2.5 gives -2). This is how a value becomes a stored count.
inline int64_t roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5) {
        return static_cast<int64_t>(floor) + 1;
    }
    if (diff < 0.5) {
        return static_cast<int64_t>(floor);
    }
    const auto f = static_cast<int64_t>(floor);
    return (f % 2 == 0) ? f : f + 1;
}

// Integer division with the fraction dropped toward zero (-7 / 2 gives -3).
inline int64_t truncDiv(int64_t a, int64_t b) {
    return a / b;
}
