// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/NumericEntry.h"
#include "record/EcuSettings.h"

#include <QStringList>
#include <array>

// The lists of the engine setup window: their entries, which entry a stored
// value selects (-1: none) and what an entry stores.

QStringList cylinderEntries();
int cylindersIndex(int cylinders);
int cylindersOfIndex(int index);

QStringList maxRpmEntries();
// The nearest entry of MaxRpm / 3000 - 1 (halves to even); past the last entry
// the first one.
int maxRpmIndex(int32_t maxRpm);

// Ignition type, load control: stored value = index + 1; values past the
// list select the first entry.
int oneBasedIndex(int stored, int entries);

// Eight cylinders, or six unless the third code-section flag allows wasted
// spark there, need a distributor.
bool distributorOnly(int cylinders, const std::array<bool, 4>& codeSectionFlags);

// Staged injection: "Off" and the rpm of each index 0..15.
QStringList stagedRpmEntries(int32_t maxRpm);
// Staged injection: the load of each load index from 0 (top of the tables'
// load axis) to 15, as the fuel table's axis has it, then "Off".
QStringList stagedLoadEntries(const EcuSettings& settings);

// The setup window's own rules for its numeric boxes: the throttle and MAP
// limits stay above (maximum) or below (minimum) their partner, compared as
// the counts that would be stored; the secondary rev limit goes up to MaxRpm.
EntryRule setupEntryRule(FieldId id);
