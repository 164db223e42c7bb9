// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"
#include "record/GeneratorInputs.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// The boxes of the default table windows: what each shows and how a typed
// number becomes an input. A box's entry runs on Enter, Escape and leaving
// the box; text the user did not change, an empty box and text that is not a
// number leave the input as it is, so the box only shows the stored input
// again.

// The fuel generator's boxes; the rpm and efficiency boxes have a point 0..3.
enum class FuelBox : uint8_t { InjectorSize, Displacement, Rpm, Ve };

// The text of a fuel box: the input in the box's format.
QString fuelBoxText(const FuelGeneratorInputs& inputs, FuelBox box, int point = 0);

// Runs a fuel box's entry: a typed number is limited to the box's range and
// stored into its input. Returns whether the input was written.
bool enterFuelInput(FuelGeneratorInputs& inputs, FuelBox box, int point, int32_t maxRpm,
                    const QString& shown, const QString& typed);

// The five information lines of the fuel window, from the record.
QStringList fuelWindowLabels(const EcuSettings& settings);

// Caption of the ignition window's label n = 1..9.
QString ignitionInputCaption(int n);
// The text of ignition box n = 1..9: the input in the box's format.
QString ignitionBoxText(const IgnitionGeneratorInputs& inputs, int n);

// Runs ignition box n's entry: a typed number is limited to the box's range
// (the MAP points up to PsiTop) and stored. Returns whether it was written.
bool enterIgnitionInput(IgnitionGeneratorInputs& inputs, int n, float psiTop, const QString& shown,
                        const QString& typed);

// The ignition window's top label: the units line and the rpm range, and the
// short form that Escape in a box leaves.
QString ignitionTopLabel(int32_t maxRpm);
QString ignitionShortTopLabel(int32_t maxRpm);
