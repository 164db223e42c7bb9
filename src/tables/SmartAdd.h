// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/SettingsStore.h"
#include "tables/OperatingHighlight.h"
#include "tables/TableModel.h"

#include <vector>

// Smart add (sign +1) and subtract (sign -1) on the fuel table: moves the red
// cells nearest to the live operating point by the amount in ms, comparing
// the live rpm and load with the grid's axis labels. The load is the MAP
// pressure in psi with LoadControl 1, the load input in volts with
// LoadControl 3 and the throttle in per cent otherwise. The cells are
// returned row by row, each row from left to right, for
// SettingsStore::setCells with Send::Always.
std::vector<FieldCell> smartAdd(const TableModel& fuel, const OperatingHighlight& highlight,
                                const LiveSample& sample, double amount, int sign);
