// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/Calibration.h"

#include "monitor/LiveSample.h"
#include "record/AppState.h"
#include "record/LoadPercent.h"
#include "record/Rounding.h"
#include "record/SensorConversions.h"
#include "record/SettingCodes.h"

#include <algorithm>

namespace {

constexpr uint8_t kEngineTurningBit = 2; // EngineStatus1
constexpr uint8_t kNoInjectorBit = 64;   // EngineStatus2
constexpr uint8_t kNoIgnitionBit = 128;  // EngineStatus2
constexpr double kPeriodUnitSeconds = 0.000024;
constexpr double kOpenTimeUnitMs = 0.002;
constexpr double kRpmLimit = 30000.0;
constexpr int kRpmStep = 50;
constexpr float kAirWithoutSensor = 75.0f;
constexpr float kWaterWithoutSensor = 175.0f;
constexpr int kTableTopStep = 15;

void calibrateUserInput(AnalogInputMode mode, const EcuSettings::Curve& table,
                        EngineChannel& channel) {
    const int count = channel.RawLow;
    switch (mode) {
    case AnalogInputMode::Off:
    case AnalogInputMode::Ego:
        channel.Value = static_cast<float>(count * 5.0 / 255.0);
        break;
    case AnalogInputMode::FuelPercent:
        channel.Value = static_cast<float>(interpolateUserInput(table, count));
        break;
    case AnalogInputMode::IgnitionDegrees:
        channel.Value = static_cast<float>(interpolateUserInput(table, count) - 128);
        break;
    default:
        break;
    }
}

int roundedRpm(int32_t period) {
    if (period == 0) {
        return 0;
    }
    double rpm = 60.0 / (period * kPeriodUnitSeconds);
    if (rpm > kRpmLimit) {
        rpm = kRpmLimit;
    }
    const int64_t whole = roundHalfEven(rpm);
    return static_cast<int>(truncDiv(whole, kRpmStep) * kRpmStep);
}

// A step of 0..15 across the table; anything outside (or no number at all)
// is held at the nearer edge so that it always names a cell.
float tableStep(float fraction) {
    const float step = fraction * static_cast<float>(kTableTopStep);
    if (step >= static_cast<float>(kTableTopStep)) {
        return static_cast<float>(kTableTopStep);
    }
    if (!(step > 0.0f)) {
        return 0.0f;
    }
    return step;
}

} // namespace

int interpolateUserInput(const EcuSettings::Curve& table, int count) {
    count = std::clamp(count, 0, 255);
    const int k = count / 16;
    const int x0 = 16 * k;
    const int x1 = 16 * (k + 1);
    const double y0 = table[static_cast<std::size_t>(k)];
    const double y1 = table[static_cast<std::size_t>(k + 1)];
    return static_cast<int>(roundHalfEven(y0 + (count - x0) * (y1 - y0) / (x1 - x0)));
}

void calibrateData(const EcuSettings& s, EngineData& e) {
    const int mapCount = e.MapChannel.RawLow;
    e.MapChannel.Value = mapCountsToPsi(s.MapSensorType, mapCount);
    e.MapPercent = mapPercent(s, mapCount);

    e.AirChannel.Value = airTempSensor(s) != SensorFitted::None
                             ? tempCountsToDegrees(e.AirChannel.RawLow)
                             : kAirWithoutSensor;
    e.WaterChannel.Value = waterTempSensor(s) != SensorFitted::None
                               ? tempCountsToDegrees(e.WaterChannel.RawLow)
                               : kWaterWithoutSensor;

    e.BatteryChannel.Value = static_cast<float>(
        static_cast<double>(truncDiv(e.BatteryChannel.RawLow * 158, 255)) / 10.0);

    for (std::size_t n = 0; n < e.UserChannel.size(); ++n) {
        calibrateUserInput(analogInputMode(s, static_cast<int>(n)), s.UserInputAnalogTable[n],
                           e.UserChannel[n]);
    }

    e.TpsChannel.Value = throttlePercent(s, e.TpsChannel.RawLow);

    e.OpenTimeCount = e.InjectorChannel.raw16();
    e.CrankPeriod = e.PeriodChannel.raw16();

    if ((e.EngineStatus1 & kEngineTurningBit) == 0) {
        e.RpmChannel.Value = 0.0f;
        e.RpmChannel.RawHigh = 0;
        e.RpmChannel.RawLow = 0;
        e.RpmHigh = 0;
        e.RpmLow = 0;
        e.IgnitionChannel.Value = 0.0f;
        e.FuelChannel.Value = 0.0f;
        e.DutyChannel.Value = 0.0f;
        return;
    }

    const int rpm = roundedRpm(e.CrankPeriod);
    e.RpmChannel.Value = static_cast<float>(rpm);
    e.RpmHigh = static_cast<uint8_t>(rpm / 256);
    e.RpmLow = static_cast<uint8_t>(rpm % 256);
    e.RpmChannel.RawHigh = e.RpmHigh;
    e.RpmChannel.RawLow = e.RpmLow;

    int ignitionCount = e.AdvanceChannel.RawLow;
    if ((e.EngineStatus2 & kNoInjectorBit) != 0) {
        e.OpenTimeCount = 0;
    }
    if ((e.EngineStatus2 & kNoIgnitionBit) != 0) {
        ignitionCount = 0;
    }

    if (e.CrankPeriod != 0) {
        e.DutyChannel.Value = static_cast<float>(static_cast<double>(e.OpenTimeCount) /
                                                 (e.CrankPeriod * 12.0) * 100.0);
        e.FuelChannel.Value = static_cast<float>(e.OpenTimeCount * kOpenTimeUnitMs);
    } else {
        e.DutyChannel.Value = 0.0f;
        e.FuelChannel.Value = 0.0f;
    }
    e.IgnitionChannel.Value = static_cast<float>(ignitionCount / 2.0);
}

OperatingCell operatingCell(float rpmFraction, float loadFraction) {
    const float rpmStep = tableStep(rpmFraction);
    const float loadStep = tableStep(loadFraction);
    return {static_cast<int>(roundHalfEven(static_cast<float>(kTableTopStep) - loadStep)),
            static_cast<int>(roundHalfEven(rpmStep))};
}

OperatingPoint operatingPoint(const EcuSettings& s, const LiveSample& sample) {
    const float rpm = sample.value(LiveChannel::Rpm);
    // Below 15 rpm per table there is no rpm axis to place the speed on; the
    // editors keep such a point in the first column, and so does the 3D view.
    float rpmFraction = 0.0f;
    if (s.MaxRpm >= kTableTopStep) {
        rpmFraction = static_cast<float>(static_cast<double>(rpm) / s.MaxRpm);
    }

    float loadFraction = 0.0f;
    switch (loadControl(s)) {
    case LoadControl::Map:
        loadFraction = static_cast<float>(sample.raw(LiveChannel::Map) / 255.0);
        break;
    case LoadControl::Tps:
        loadFraction = static_cast<float>(sample.value(LiveChannel::Tps) / 100.0);
        break;
    case LoadControl::Volts:
        loadFraction = static_cast<float>(sample.raw(LiveChannel::Tps) / 255.0);
        break;
    default:
        break;
    }

    const OperatingCell cell = operatingCell(rpmFraction, loadFraction);
    const auto row = static_cast<std::size_t>(cell.loadRow);
    const auto column = static_cast<std::size_t>(cell.rpmColumn);
    return {rpmFraction, loadFraction, static_cast<float>(s.FuelTable[row][column]),
            static_cast<float>(s.IgnitionTable[row][column])};
}
