// SPDX-License-Identifier: GPL-3.0-or-later
#include "generators/DefaultFuelTable.h"

#include "generators/TableIndex.h"
#include "record/Limits.h"
#include "record/Rounding.h"
#include "record/SensorConversions.h"
#include "record/SettingCodes.h"

#include <cmath>

namespace {
constexpr double kGasConstantAir = 640.08;   // inch-pounds-force per pound-mass per degree Rankine
constexpr double kIntakeTemperature = 580.0; // degrees Rankine
constexpr double kAirFuelRatio = 13.0;
constexpr double kInjectorDeadTime = 0.65; // ms added to every cell
constexpr double kHoursToMs = 60.0 * 60.0 * 1000.0;
constexpr double kInjectionsPerRevolution = 2.0;
constexpr int kMapCountStep = 17;
constexpr double kOpenTimeUnit = 0.0625; // ms per raw count
} // namespace

float fuelVolumetricEfficiency(const FuelGeneratorInputs& inputs, float rpm) {
    const auto& r = inputs.rpm;
    const auto& e = inputs.ve;
    float ve = 0.0f;
    if (rpm <= r[0]) {
        ve = e[0];
    }
    if (rpm > r[0] && rpm <= r[1]) {
        ve = e[0] + (e[1] - e[0]) * (rpm - r[0]) / (r[1] - r[0]);
    }
    if (rpm > r[1] && rpm <= r[2]) {
        ve = e[1] + (e[2] - e[1]) * (rpm - r[1]) / (r[2] - r[1]);
    }
    if (rpm > r[2] && rpm < r[3]) {
        ve = e[2] + (e[3] - e[2]) * (rpm - r[2]) / (r[3] - r[2]);
    }
    if (rpm >= r[3]) {
        ve = e[3];
    }
    if (ve < 0.0f) {
        ve = 0.0f;
    }
    return ve;
}

void generateFuelTable(const FuelGeneratorInputs& inputs, EcuSettings& settings,
                       const TableCellSink& sink) {
    const int rpmIndexMax = usedTableIndexMax(settings.RpmIndexMax);
    const int loadIndexMax = usedTableIndexMax(settings.LoadIndexMax);

    std::array<float, EcuSettings::kTableSize> ve{};
    for (int i = 0; i <= rpmIndexMax; ++i) {
        // A single rpm column has only the 0 rpm point.
        const float rpm =
            rpmIndexMax > 0
                ? static_cast<float>(static_cast<double>(settings.MaxRpm) / rpmIndexMax * i)
                : 0.0f;
        ve[static_cast<std::size_t>(i)] = fuelVolumetricEfficiency(inputs, rpm);
    }

    const float minOpenTime = static_cast<float>(settings.MinOpenTime * kOpenTimeUnit);
    const int sensorType =
        mapSensor(settings) == MapSensor::None ? toCode(MapSensor::OneAtm) : settings.MapSensorType;

    for (int j = 0; j <= loadIndexMax; ++j) {
        const double psi = mapCountsToPsi(sensorType, kMapCountStep * j);
        const double airMass =
            psi * inputs.displacement / (kGasConstantAir * kIntakeTemperature); // lb
        const double fuelMass = airMass / kAirFuelRatio;
        const auto baseTime = static_cast<float>(fuelMass / inputs.injectorSize * kHoursToMs /
                                                 kInjectionsPerRevolution);
        const int loadIndex = loadIndexMax - j;
        for (int i = 0; i <= rpmIndexMax; ++i) {
            auto time =
                static_cast<float>(ve[static_cast<std::size_t>(i)] * baseTime + kInjectorDeadTime);
            if (time < minOpenTime) {
                time = minOpenTime;
            }
            double raw = (time - kOpenTimeUnit) / kOpenTimeUnit;
            // An injector size of 0 read from an old settings file gives no
            // number at all; treat it like an endless open time.
            if (std::isnan(raw) || raw > 255.0) {
                raw = 255.0;
            } else if (raw < 0.0) {
                raw = 0.0;
            }
            const auto cell = static_cast<int16_t>(roundHalfEven(raw));
            settings.FuelTable[static_cast<std::size_t>(loadIndex)][static_cast<std::size_t>(i)] =
                cell;
            if (sink) {
                sink(loadIndex, i, cell);
            }
        }
    }
}

float clampInjectorSize(float lbPerHour) {
    return static_cast<float>(roundHalfEven(checkMaxMin(1.0f, 500.0f, lbPerHour)));
}

float clampDisplacement(float cubicInches) {
    return checkMaxMin(1.0f, 6000.0f, cubicInches);
}

float clampGeneratorRpm(float rpm, int32_t maxRpm) {
    return checkMaxMin(0.0f, static_cast<float>(maxRpm), rpm);
}

float clampVolumetricEfficiency(float fraction) {
    return checkMaxMin(0.0f, 1.0f, fraction);
}
