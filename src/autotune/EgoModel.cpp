// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/EgoModel.h"

#include <algorithm>

double EgoTransfer::afr(double volts) const {
    return afr0 + (volts - volts0) * (afr1 - afr0) / (volts1 - volts0);
}

double EgoTransfer::volts(double afr) const {
    return volts0 + (afr - afr0) * (volts1 - volts0) / (afr1 - afr0);
}

double EgoLag::ms(double rpm) const {
    if (highRpm <= lowRpm) {
        return rpm < highRpm ? lowRpmMs : highRpmMs;
    }
    const double share = std::clamp((rpm - lowRpm) / (highRpm - lowRpm), 0.0, 1.0);
    return lowRpmMs + (highRpmMs - lowRpmMs) * share;
}

double EgoLag::longestMs() const {
    return std::max(lowRpmMs, highRpmMs);
}
