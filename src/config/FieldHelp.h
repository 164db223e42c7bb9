// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/FieldTable.h"

#include <QString>

// The What's This line of a configuration window's box or list: what the
// field sets and, for a box, the limits a typed number is held to, as the
// field table (or the window's own rule) has them, with the field's unit.
// Empty for a field no window edits.
QString fieldHelp(FieldId id);

// The limits part alone: "Limits: 1000 to 16500 rpm." from the field table;
// empty when the field has no entry limits.
QString fieldLimitsHelp(FieldId id);
