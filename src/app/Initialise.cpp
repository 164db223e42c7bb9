#include "app/Initialise.h"

#include "generators/DefaultFuelTable.h"
#include "generators/DefaultIgnitionTable.h"
#include "record/AppState.h"

void initialiseSettings(AppState& state) {
    state.settings = EcuSettings::withDefaults();
    generateFuelTable(state.fuelGenerator, state.settings);
    generateIgnitionTable(state.ignitionGenerator, state.settings);
    state.engine = EngineData::withChannelLayout();

    state.EcuOnline = false;
    state.EcuDataChanged = false;
    state.StoreResult = 0;
}
