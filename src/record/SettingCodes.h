// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

// What the coded settings mean. The record keeps each code as the ECU and the
// data file carry it, so a code the program does not know survives a read and
// a save unchanged; code that branches on one reads it through these types.
// An enum with a fixed underlying type holds any value of that type, known or
// not.

// Which load input the tables and the highlight follow.
enum class LoadControl : int16_t { Map = 1, Tps = 2, Volts = 3 };

// The branding of the build.
enum class Edition : int16_t { Standard = 1, Gullwick = 2, Ostrand = 3, Kelmsby = 4 };

// What an analog user input does; Ego only on input 1.
enum class AnalogInputMode : int16_t { Off = 0, FuelPercent = 1, IgnitionDegrees = 2, Ego = 3 };

// What a digital user input does; SecondaryRevLimit only on input 1.
enum class DigitalInputMode : int16_t {
    Off = 0,
    CutFuel = 1,
    CutIgnition = 2,
    CutEngine = 3,
    SecondaryRevLimit = 4,
};

// The engine value a user output follows.
enum class OutputSource : int16_t {
    Off = 0,
    AirTemp = 1,
    WaterTemp = 2,
    Rpm = 3,
    Map = 4,
    Tps = 5
};

enum class IgnitionType : int16_t { WastedSpark = 1, Distributor = 2 };

// The crank pickup wheel: 12 teeth less 3, or less 1.
enum class WheelType : int16_t { TwelveMinusThree = 0, TwelveMinusOne = 1 };

// The MAP sensor fitted, by its range in atmospheres.
enum class MapSensor : uint8_t { None = 0, OneAtm = 1, TwoAtm = 2, ThreeAtm = 3 };

// Whether the air, water or throttle sensor is fitted.
enum class SensorFitted : int16_t { None = 0, Fitted = 1 };

enum class EgoControl : int16_t { Off = 0, On = 1 };

// The idle air valve.
enum class IacType : int16_t { None = 0, Gm = 1, Ford = 2 };

// The stored code of a value.
template <typename E> constexpr std::underlying_type_t<E> toCode(E value) {
    return static_cast<std::underlying_type_t<E>>(value);
}

inline LoadControl loadControl(const EcuSettings& s) {
    return static_cast<LoadControl>(s.LoadControl);
}
inline AnalogInputMode analogInputMode(const EcuSettings& s, int input) {
    return static_cast<AnalogInputMode>(s.UserInputAnalogMode[static_cast<std::size_t>(input)]);
}
inline DigitalInputMode digitalInputMode(const EcuSettings& s, int input) {
    return static_cast<DigitalInputMode>(s.UserInputDigitalMode[static_cast<std::size_t>(input)]);
}
inline OutputSource outputSource(const EcuSettings& s, int output) {
    return static_cast<OutputSource>(s.UserOutputType[static_cast<std::size_t>(output)]);
}
inline IgnitionType ignitionType(const EcuSettings& s) {
    return static_cast<IgnitionType>(s.IgnitionType);
}
inline WheelType wheelType(const EcuSettings& s) {
    return static_cast<WheelType>(s.WheelType);
}
inline MapSensor mapSensor(const EcuSettings& s) {
    return static_cast<MapSensor>(s.MapSensorType);
}
inline SensorFitted airTempSensor(const EcuSettings& s) {
    return static_cast<SensorFitted>(s.AirTempSensorType);
}
inline SensorFitted waterTempSensor(const EcuSettings& s) {
    return static_cast<SensorFitted>(s.WaterTempSensorType);
}
inline SensorFitted tpsSensor(const EcuSettings& s) {
    return static_cast<SensorFitted>(s.TpsSensorType);
}
inline EgoControl egoControl(const EcuSettings& s) {
    return static_cast<EgoControl>(s.EgoControl);
}
inline IacType iacType(const EcuSettings& s) {
    return static_cast<IacType>(s.IacType);
}
