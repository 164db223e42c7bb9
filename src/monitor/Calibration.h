// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"
#include "record/EngineData.h"

#include <array>

struct AppState;
class LiveSample;

// Turns the raw bytes of one poll into engineering values in the same record:
// rpm, MAP psi and per cent, temperatures in degrees F, throttle per cent,
// battery volts, user inputs, injector open time, duty and ignition advance.
//
// Per cent values for a sensor whose two limits are the same count: a reading
// above the limit gives the top value, one below gives 0, and a reading on the
// limit itself gives 0 (there is no travel to measure).
void calibrateData(const EcuSettings& settings, EngineData& engine);

// The rpm and load fractions of a sample's values and the raw fuel and
// ignition table values at the operating cell.
using OperatingPoint = std::array<float, 4>;
OperatingPoint operatingPoint(const EcuSettings& settings, const LiveSample& sample);

// The table cell (load row, rpm column) under the live values.
struct OperatingCell {
    int loadRow = 0;
    int rpmColumn = 0;
};
OperatingCell operatingCell(float rpmFraction, float loadFraction);

// A user input value looked up in its 17-point table (points at counts 0, 16,
// ... 256), rounded half to even.
int interpolateUserInput(const EcuSettings::Curve& table, int count);
