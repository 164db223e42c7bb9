// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "generators/DefaultFuelTable.h"
#include "record/EcuSettings.h"
#include "record/GeneratorInputs.h"

#include <cstdint>

// The MAP sensor type the generators use: the record's, or 1 when no sensor
// is set.
int generatorMapSensorType(uint8_t mapSensorType);

// Pressures of MAP counts 255 and 0 for the generators' sensor type.
float generatorPsiTop(uint8_t mapSensorType);
float generatorPsiBottom(uint8_t mapSensorType);

// Fills IgnitionTable (load 0..LoadIndexMax, rpm 0..RpmIndexMax) in half
// degrees with the sum of an advance curve over rpm and one over MAP, limited
// to 2.5..50 degrees and to the maximum advance. Load index 0 receives the
// highest pressure. Cells are passed to the sink rpm column by column, each
// column from the bottom row up.
void generateIgnitionTable(const IgnitionGeneratorInputs& inputs, EcuSettings& settings,
                           const TableCellSink& sink = {});

// Input n = 1..9 in window order (A1 initial rpm advance .. A9 maximum
// advance); any other n gives nullptr.
float* ignitionInput(IgnitionGeneratorInputs& inputs, int n);
float ignitionInputValue(const IgnitionGeneratorInputs& inputs, int n);

struct EntryRange {
    float min = 0.0f;
    float max = 0.0f;
};

// Entry limits of input n = 1..9; the MAP break points go up to PsiTop.
EntryRange ignitionEntryRange(int n, float psiTop);

// The value to store for a number typed into box n.
float clampIgnitionInput(int n, float value, float psiTop);

// The inputs that replace all nine when the maximum advance is 0, which a
// change of MaxRpm sets so that the rpm points follow the new range.
IgnitionGeneratorInputs ignitionResetValues(int32_t maxRpm);

// Replaces all nine inputs by the reset values when the maximum advance is 0;
// returns whether it did.
bool resetIgnitionInputsIfCleared(IgnitionGeneratorInputs& inputs, int32_t maxRpm);
