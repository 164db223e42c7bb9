// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/EngineModel.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kBaseEfficiency = 0.58;
constexpr double kPeakGain = 0.30;
constexpr double kPeakRpm = 4400.0;
constexpr double kPeakWidthRpm = 3000.0;
constexpr double kPressureGain = 0.08;
constexpr double kAtmospherePsi = 14.7;

} // namespace

double EngineModel::volumetricEfficiency(double rpm, double mapPsi) {
    const double offPeak = (rpm - kPeakRpm) / kPeakWidthRpm;
    return kBaseEfficiency + kPeakGain * std::exp(-offPeak * offPeak) +
           kPressureGain * mapPsi / kAtmospherePsi;
}

double EngineModel::fuelNeededMs(double rpm, double mapPsi) const {
    return fuelMsPerPsi * volumetricEfficiency(rpm, mapPsi) * mapPsi;
}

double EngineModel::afr(double deliveredMs, double rpm, double mapPsi) const {
    if (!(deliveredMs > 0.0)) {
        return std::numeric_limits<double>::infinity();
    }
    return afrAtNeed * fuelNeededMs(rpm, mapPsi) / deliveredMs;
}
