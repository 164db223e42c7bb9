// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/AppState.h"
#include "record/EcuSettings.h"
#include "record/FieldTable.h"

#include <QString>
#include <cstdint>

// A cell background as red, green and blue.
struct RgbColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    bool operator==(const RgbColour&) const = default;
};

// Everything in which the fuel and the ignition editor differ; one editor class
// is configured by one of the two descriptions.
struct TableEditorDescription {
    bool isIgnition = false;
    FieldId field = FieldId::FuelTable; // its write command sends one cell
    int windowCode = 0;                 // the editor's ActiveWindow code
    int64_t rawMin = 0;                 // the raw range every operation keeps
    int64_t rawMax = 0;
    QString caption;

    // Operand boxes: value at window load, value when left empty, pattern.
    double amountDefault = 0.0;
    double amountWhenEmpty = 0.0;
    QString amountPattern;
    double factorDefault = 0.0;
    double factorWhenEmpty = 0.0;
    QString factorPattern;

    EcuSettings::Table EcuSettings::*table = nullptr;

    const EcuSettings::Table& tableOf(const EcuSettings& settings) const { return settings.*table; }
    MarkFlags& marksOf(DisplaySettings& display) const {
        return isIgnition ? display.IgnitionMarkFlags : display.FuelMarkFlags;
    }
    const MarkFlags& marksOf(const DisplaySettings& display) const {
        return isIgnition ? display.IgnitionMarkFlags : display.FuelMarkFlags;
    }

    // The engineering value of a raw count (ms per revolution or degrees).
    double shown(int64_t raw) const;
    // A cell's text: fuel "##.000" (raw 15 gives "1.000"), ignition a blank and
    // "###,##0.0" (raw 45 gives " 22.5").
    QString cellText(int64_t raw) const;
    // The raw count of a typed value: limited to the entry range (fuel 0 to
    // 1000 ms, ignition 5 to 50 degrees), converted, rounded half to even and
    // held to the raw range.
    int64_t rawFromTyped(double value) const;
    // The raw change of one amount step (fuel amount / 0.0625, ignition 2 x
    // amount). An amount beyond 65536 either way moves every cell to the end
    // of the range and is held there first.
    double amountInRaw(double amount) const;

    // Whether the grid cell (row and column 1..16) lies in the highlighted
    // region, which takes the darker colours.
    bool inHighlightedRegion(int gridRow, int gridColumn, const EcuSettings& settings,
                             const AppState& state) const;
    // The background of a cell with the mark flag given (0, 1 or 2; any other
    // gives black).
    RgbColour markColour(uint8_t mark, bool highlighted) const;
};

const TableEditorDescription& fuelEditor();
const TableEditorDescription& ignitionEditor();
