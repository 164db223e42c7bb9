// SPDX-License-Identifier: GPL-3.0-or-later
#include "generators/DefaultSettings.h"

#include "generators/DefaultFuelTable.h"
#include "generators/DefaultIgnitionTable.h"

EcuSettings settingsWithDefaultTables(const FuelGeneratorInputs& fuel,
                                      const IgnitionGeneratorInputs& ignition) {
    EcuSettings settings = EcuSettings::withDefaults();
    generateFuelTable(fuel, settings);
    generateIgnitionTable(ignition, settings);
    return settings;
}
