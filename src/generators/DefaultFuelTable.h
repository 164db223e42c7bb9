// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"
#include "record/GeneratorInputs.h"

#include <cstdint>
#include <functional>

// Receives each generated cell after it has been stored in the record; the
// windows pass one that sends the cell to the ECU, start-up passes none.
using TableCellSink = std::function<void(int loadIndex, int rpmIndex, int16_t raw)>;

// Fills FuelTable (load 0..LoadIndexMax, rpm 0..RpmIndexMax) from the engine
// figures: the air mass of one cylinder at the MAP counts 0, 17, ... 255 by
// the ideal gas law at a fixed intake temperature, turned into an injector
// open time per revolution and scaled by the volumetric efficiency at each
// rpm. Load index 0 receives the highest MAP count. Cells are passed to the
// sink load step by load step (from the bottom row up), rpm column by column.
void generateFuelTable(const FuelGeneratorInputs& inputs, EcuSettings& settings,
                       const TableCellSink& sink = {});

// The volumetric efficiency at one rpm, from the four points; out-of-order
// points are applied rule by rule, the last matching rule winning.
float fuelVolumetricEfficiency(const FuelGeneratorInputs& inputs, float rpm);

// Entry limits of the fuel generator's boxes. Each returns the value to store
// for a typed number.
float clampInjectorSize(float lbPerHour);           // 1..500, whole numbers (halves to even)
float clampDisplacement(float cubicInches);         // 1..6000
float clampGeneratorRpm(float rpm, int32_t maxRpm); // 0..MaxRpm
float clampVolumetricEfficiency(float fraction);    // 0..1
