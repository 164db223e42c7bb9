// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>

// Limits a typed value to [min, max]. The maximum is tested first and the
// minimum second, both against the unclamped value: with crossed limits every
// value below the minimum takes the minimum, even one above the maximum.
// Something that is no number at all (NaN, which a text box may parse from
// "nan") takes the minimum, so no caller ever stores or rounds it.
inline float checkMaxMin(float min, float max, float value) {
    if (std::isnan(value)) {
        return min;
    }
    float result = value;
    if (value > max) {
        result = max;
    }
    if (value < min) {
        result = min;
    }
    return result;
}
