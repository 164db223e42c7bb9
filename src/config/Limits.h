#pragma once

// Limits a typed value to [min, max]. The maximum is tested first and the
// minimum second, both against the unclamped value, so the minimum wins when
// the limits are crossed.
inline float checkMaxMin(float min, float max, float value) {
    float result = value;
    if (value > max) {
        result = max;
    }
    if (value < min) {
        result = min;
    }
    return result;
}
