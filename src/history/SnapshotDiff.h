// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"

#include <QString>

// Every value that differs between two records, one a line, as the history
// lists them; empty when the two hold the same values.
QString snapshotDifferenceText(const EcuSettings& first, const EcuSettings& second);
