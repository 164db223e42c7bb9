// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"

#include <array>
#include <cstdint>

class SettingsStore;
class UserInteraction;

// The load rows 0..15 by rpm columns 0..15 of the fuel and ignition tables.
using LoadGrid = std::array<std::array<int16_t, 16>, 16>;
struct RescaledTables {
    LoadGrid fuel{};
    LoadGrid ignition{};
};

// Resamples both tables after a MAP limit moved from oldCount to newCount
// (isMax: the top of the axis, else the bottom; the other limit is the
// record's), so that every pressure keeps the values it had: each new row
// takes the old rows around its count, interpolated in counts, and rows
// beyond the old axis copy its end row.
RescaledTables rescaleMapTables(const EcuSettings& settings, int newCount, int oldCount,
                                bool isMax);

// After a MAP limit changed: asks whether the tables are to follow the new
// axis and, on Yes, resamples them into the store and sends every cell while
// online, under the progress window. Only tables loaded by MAP are offered
// the question. Returns whether the tables were rescaled.
bool rescaleMap(SettingsStore& store, UserInteraction& ui, bool online, int newCount, int oldCount,
                bool isMax);
