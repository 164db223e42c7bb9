// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"
#include "record/GeneratorInputs.h"

// The record of a fresh start: every default of the record, with the fuel
// and ignition tables generated from the inputs given (by default their
// start-up values). The program's start and the simulated ECU's first image
// both begin from it.
EcuSettings settingsWithDefaultTables(const FuelGeneratorInputs& fuel = {},
                                      const IgnitionGeneratorInputs& ignition = {});
