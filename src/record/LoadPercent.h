// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"

// The loads that the tables' load axis runs over, from the sensor counts:
// the MAP reading in per cent of the span from MapMinBits to MapMaxBits
// (0..105, 0 below the span and 105 above it), and the throttle in per cent
// of the travel from TpsMinBits to TpsMaxBits (0 below it, at most 105).
//
// For limits that are the same count: a reading above gives the top value,
// one below gives 0, and a reading on the limit itself gives 0 (there is no
// travel to measure).
float mapPercent(const EcuSettings& settings, int count);
float throttlePercent(const EcuSettings& settings, int count);
