// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuIdentity.h"
#include "record/GeneratorInputs.h"
#include "record/SettingCodes.h"

#include <QString>
#include <array>
#include <cstdint>

// Vertical range of one plot channel on trace 0 and trace 1, and the index of
// the point-count choice last used with it.
struct PlotChannelScale {
    std::array<float, 2> Max{};
    std::array<float, 2> Min{};
    int16_t PointsIndex = 0;

    bool operator==(const PlotChannelScale&) const = default;
};

using MarkFlags = std::array<std::array<uint8_t, 17>, 17>; // [row][column]

// Main window placement in twips as kept in the settings file.
struct WindowPlacement {
    double Top = 200;
    double Left = 200;
    double Width = 0;
    double Height = 0;
    int16_t State = 0; // 0 normal, 1 minimised, 2 maximised

    bool operator==(const WindowPlacement&) const = default;
};

// Choices kept in the settings file between runs.
struct DisplaySettings {
    int16_t ComPortNumber = 1;
    WindowPlacement MainWindow;
    std::array<int16_t, 2> PlotChannelChoice{0, 100};
    std::array<PlotChannelScale, 13> PlotChannelScales{};
    bool PlotLoadLineFuel = true;
    bool PlotLoadLineIgnition = true;
    bool Fuel3DPlotFlag = false;
    int16_t Fuel3DPlotX = -1;
    int16_t Fuel3DPlotY = -1;
    bool Ignition3DPlotFlag = false;
    int16_t Ignition3DPlotX = -1;
    int16_t Ignition3DPlotY = -1;
    bool DisplayGaugesFlag = false;
    int16_t DisplayGaugesX = 1000;
    int16_t DisplayGaugesY = 1000;
    bool DisplayFuelCrossHair = false;
    bool DisplayIgnitionCrossHair = false;
    MarkFlags FuelMarkFlags{};
    MarkFlags IgnitionMarkFlags{};

    bool operator==(const DisplaySettings&) const = default;
};

// What the program knows besides the settings and the live values (the
// settings store holds the record, the ECU's protocol the values it last
// read): the ECU's identity, the generators' inputs, the display choices and
// the flags of the connection. One instance is created by the program and
// handed to whoever needs it.
struct AppState {
    EcuIdentity identity;

    FuelGeneratorInputs fuelGenerator;
    IgnitionGeneratorInputs ignitionGenerator;
    DisplaySettings display;

    ::Edition Edition = ::Edition::Standard;
    QString ContactLine = QStringLiteral("Please contact Marrowby");

    // Shared flags.
    bool EcuOnline = false;
    bool EcuDataChanged = false;
    bool DeveloperMode = false;
    bool StartupComplete = false;
    bool SettingsFileError = false;
    bool LogExtra = false;
    bool AskBeforeSearch = true;
    std::array<bool, 4> CodeSectionFlags{};

    // Protocol state.
    uint8_t StoreResult = 0;
    int16_t OutputTestPort = 0;

    // Current data file.
    QString CurrentFileName;
    QString CurrentFileTitle;
};
