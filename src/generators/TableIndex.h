// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"

#include <algorithm>

// The highest table index in use, kept inside the 17 x 17 array whatever a
// damaged record holds.
inline int usedTableIndexMax(int indexMax) {
    return std::clamp(indexMax, 0, EcuSettings::kTableSize - 1);
}
