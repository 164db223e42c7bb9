// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"

#include <optional>

// The load axis shared by the fuel and ignition tables and every list or
// label that names a load index: sixteen steps from 0 (lowest load) to 15.

inline constexpr int kTopLoadStep = 15;

// The MAP count of a step: MapMinBits to MapMaxBits in fifteen equal parts,
// each rounded half to even.
int mapCountOfStep(const EcuSettings& settings, int step);

// The load of a step by LoadControl: 1 the MAP pressure in psi of the step's
// count, 2 the throttle in percent (7 a step), 3 volts (17 counts a step of
// 0..255 for 0..5 V). Nothing for any other LoadControl.
std::optional<double> loadOfStep(const EcuSettings& settings, int step);
