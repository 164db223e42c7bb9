// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/SettingCodes.h"

#include <QString>
#include <array>

struct EcuSettings;
class LiveSample;

// The texts of the engine data grid: twelve channels, each a name cell left
// of its value cell on a two-row grid.
struct DataDisplay {
    // Temperature shading of the water value cell.
    enum class WaterShade { Normal, Hot, Overheated };

    struct Cell {
        int row = 0;
        int column = 0;
        QString text;
    };

    static constexpr int kChannels = 12;
    static constexpr int kRows = 2;
    static constexpr int kColumns = 12;

    std::array<Cell, kChannels> names;
    std::array<Cell, kChannels> values;
    WaterShade waterShade = WaterShade::Normal;
    int waterRow = 0;
    int waterColumn = 0;
};

// Name suffix of a user input by its analog mode (" Off", " Fuel", " Ign",
// " EGO"); empty for any other mode.
QString userInputModeSuffix(AnalogInputMode analogMode);

// Yellow from 210 degrees, red from 230.
DataDisplay::WaterShade waterShade(float degreesF);

// The grid texts for the calibrated values of a sample.
DataDisplay composeDataDisplay(const EcuSettings& settings, const LiveSample& sample);
