// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/LoadAxis.h"

#include "record/Rounding.h"
#include "record/SensorConversions.h"

int mapCountOfStep(const EcuSettings& s, int step) {
    return static_cast<int>(
        s.MapMinBits +
        roundHalfEven(static_cast<double>((s.MapMaxBits - s.MapMinBits) * step) / kTopLoadStep));
}

std::optional<double> loadOfStep(const EcuSettings& s, int step) {
    switch (s.LoadControl) {
    case 1:
        return mapCountsToPsi(s.MapSensorType, mapCountOfStep(s, step));
    case 2:
        return step * 7.0;
    case 3:
        return (17.0 * step) * 5.0 / 255.0;
    default:
        return std::nullopt;
    }
}
