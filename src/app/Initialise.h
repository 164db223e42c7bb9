// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct AppState;
struct EcuSettings;

// Clears the communication flags and returns the settings record the program
// starts with: the start values, with the fuel and ignition tables filled
// from the state's generator inputs (nothing is sent).
EcuSettings initialiseSettings(AppState& state);
