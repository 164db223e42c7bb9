// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

// Inputs of the default fuel table generator (start-up values shown).
struct FuelGeneratorInputs {
    float injectorSize = 12.0f; // lb/hr
    float displacement = 10.0f; // cubic inches per cylinder
    std::array<float, 4> rpm{1800.0f, 3600.0f, 5400.0f, 7200.0f};
    std::array<float, 4> ve{0.55f, 0.8f, 0.8f, 0.56f};

    bool operator==(const FuelGeneratorInputs&) const = default;
};

// Inputs of the default ignition table generator, A1..A9 in window order
// (start-up values shown).
struct IgnitionGeneratorInputs {
    float initialAdvance = 10.0f;      // A1, degrees held up to A2
    float maxRpmInitialAdvance = 1800; // A2
    float finalAdvance = 35.0f;        // A3, "Max Advance" in the settings file
    float minRpmFinalAdvance = 5500;   // A4, "Rpm Max Advance" in the settings file
    float initialAdvanceMap = 0.0f;    // A5, degrees held below A6
    float maxMapInitialAdvance = 0.0f; // A6, psi
    float finalAdvanceMap = 0.0f;      // A7
    float minMapFinalAdvance = 6.0f;   // A8, psi
    float advanceLimit = 35.0f;        // A9

    bool operator==(const IgnitionGeneratorInputs&) const = default;
};
