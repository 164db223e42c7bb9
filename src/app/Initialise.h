// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct AppState;

// Gives the settings record its start values, fills the fuel and ignition
// tables from the state's generator inputs (nothing is sent), lays out the
// live-data channels and clears the communication, logging and plotting
// flags.
void initialiseSettings(AppState& state);
