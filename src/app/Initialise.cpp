// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Initialise.h"

#include "generators/DefaultSettings.h"
#include "record/AppState.h"

EcuSettings initialiseSettings(AppState& state) {
    state.EcuOnline = false;
    state.EcuDataChanged = false;
    state.StoreResult = 0;
    return settingsWithDefaultTables(state.fuelGenerator, state.ignitionGenerator);
}
