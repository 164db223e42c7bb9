// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Initialise.h"

#include "generators/DefaultSettings.h"
#include "record/AppState.h"

void initialiseSettings(AppState& state) {
    state.settings = settingsWithDefaultTables(state.fuelGenerator, state.ignitionGenerator);
    state.engine = EngineData::withChannelLayout();

    state.EcuOnline = false;
    state.EcuDataChanged = false;
    state.StoreResult = 0;
}
