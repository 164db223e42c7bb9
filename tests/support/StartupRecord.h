// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/Initialise.h"
#include "record/AppState.h"

// The state as start-up leaves it before any ECU is found: the record's start
// values with the tables generated from the start-up generator inputs, the
// live-data channels laid out and every run-time flag cleared.
inline AppState startupState() {
    AppState state;
    initialiseSettings(state);
    return state;
}

// The settings record start-up leaves.
inline EcuSettings startupRecord() {
    AppState state;
    return initialiseSettings(state);
}
