// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/LoadPercent.h"

namespace {

// (count - low) x scale / (high - low), or 0 when the limits are the same
// count; the callers' comparisons with the limits then give the sound values
// above and below.
double spanPercent(int count, int low, int high, int scale) {
    if (high == low) {
        return 0.0;
    }
    return static_cast<double>((count - low) * scale) / (high - low);
}

} // namespace

float mapPercent(const EcuSettings& s, int count) {
    double percent = spanPercent(count, s.MapMinBits, s.MapMaxBits, 105);
    if (count > s.MapMaxBits) {
        percent = 105.0;
    }
    if (count < s.MapMinBits) {
        percent = 0.0;
    }
    return static_cast<float>(percent);
}

float throttlePercent(const EcuSettings& s, int count) {
    double percent = spanPercent(count, s.TpsMinBits, s.TpsMaxBits, 100);
    if (count > s.TpsMaxBits && s.TpsMaxBits == s.TpsMinBits) {
        percent = 105.0; // the division would give an endless value, capped below
    }
    if (percent > 105.0) {
        percent = 105.0;
    }
    if (count < s.TpsMinBits) {
        percent = 0.0;
    }
    return static_cast<float>(percent);
}
