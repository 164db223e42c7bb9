// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>
#include <cstdint>

// One live channel: the raw byte(s) from the ECU, the engineering value that
// calibration writes, and where the channel sits on the data window's grid.
struct EngineChannel {
    uint8_t RawLow = 0;
    uint8_t RawHigh = 0;
    float Value = 0.0f;
    int16_t Row = 0;
    int16_t Column = 0;
    QString Name;

    int raw16() const { return RawHigh * 256 + RawLow; }
};

// The live values of one poll plus the ECU's status bytes.
struct EngineData {
    EngineChannel RpmChannel;
    EngineChannel PeriodChannel;              // command 37, units of 24 microseconds
    EngineChannel MapChannel;                 // command 40
    EngineChannel AirChannel;                 // command 44
    EngineChannel WaterChannel;               // command 43
    EngineChannel TpsChannel;                 // command 41
    EngineChannel BatteryChannel;             // command 45
    EngineChannel FuelChannel;                // computed open time
    EngineChannel IgnitionChannel;            // computed advance
    EngineChannel DutyChannel;                // computed duty
    std::array<EngineChannel, 3> UserChannel; // commands 46, 47, 48
    EngineChannel InjectorChannel;            // command 38, units of 2 microseconds
    EngineChannel AdvanceChannel;             // command 39, half degrees

    uint8_t EngineStatus1 = 0; // command 50
    uint8_t EngineStatus2 = 0; // command 49
    uint8_t EngineStatus3 = 0; // command 51
    uint8_t EngineStatus4 = 0; // command 52

    // Kept by calibration besides the channel values.
    float MapPercent = 0.0f;
    int32_t CrankPeriod = 0;
    int32_t OpenTimeCount = 0;
    uint8_t RpmHigh = 0;
    uint8_t RpmLow = 0;

    // Names and grid positions of a fresh start.
    static EngineData withChannelLayout();
};
