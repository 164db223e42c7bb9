// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/LoadAxis.h"

#include "record/Rounding.h"
#include "record/SensorConversions.h"
#include "record/SettingCodes.h"

int mapCountOfStep(const EcuSettings& s, int step) {
    return static_cast<int>(
        s.MapMinBits +
        roundHalfEven(static_cast<double>((s.MapMaxBits - s.MapMinBits) * step) / kTopLoadStep));
}

std::optional<double> loadOfStep(const EcuSettings& s, int step) {
    switch (loadControl(s)) {
    case LoadControl::Map:
        return mapCountsToPsi(s.MapSensorType, mapCountOfStep(s, step));
    case LoadControl::Tps:
        return step * 7.0;
    case LoadControl::Volts:
        return (17.0 * step) * 5.0 / 255.0;
    default:
        return std::nullopt;
    }
}
