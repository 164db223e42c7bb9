// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

// The one in-memory image of every tunable parameter of the ECU. Values are
// held in the ECU's raw units; conversions happen only for display. Widths are
// those of the record: int16_t unless the ECU field is wider (int32_t) or a
// byte (uint8_t). Arrays carry spare slots that stay in the program (curve slot
// 17, table row and column 16, extra slots 3 and 4).
struct EcuSettings {
    static constexpr int kCurveSlots = 18; // slots 0..16 travel to the ECU
    static constexpr int kCurveSent = 17;
    static constexpr int kTableSize = 17; // 0..16; 0..15 in use by default
    static constexpr int kExtraSlots = 5; // slots 0..2 travel to the ECU
    static constexpr int kUserOutputs = 4;
    static constexpr int kUserInputs = 3;

    using Curve = std::array<int16_t, kCurveSlots>;
    using Table = std::array<std::array<int16_t, kTableSize>, kTableSize>; // [load][rpm]

    // Engine and sensor configuration
    int16_t NumberOfCylinders = 0;
    int32_t MaxRpm = 0;
    int32_t RevLimit = 0;
    int16_t LaunchControlRpm = 0;
    int16_t IgnitionType = 0;
    int16_t AirTempSensorType = 0;
    int16_t WaterTempSensorType = 0;
    uint8_t MapSensorType = 0;
    int16_t MapMaxBits = 0;
    int16_t MapMinBits = 0;
    int16_t TpsSensorType = 0;
    int16_t TpsMaxBits = 0;
    int16_t TpsMinBits = 0;
    int16_t InjectionLoadIndex = 0;
    int16_t InjectionRpmIndex = 0;
    int16_t MinOpenTime = 0;
    int16_t LoadControl = 0;
    int16_t WheelType = 0;
    int16_t ChargeTime = 0;
    int16_t InjectorCloseAngle = 0;

    // Cranking, acceleration and deceleration
    std::array<int16_t, 4> CrankPercent{}; // the 0, 80, 160, 240 degree points
    int16_t CrankDuration = 0;
    int32_t CrankRpm = 0;
    int16_t CrankPrimePulse = 0;
    int16_t AccelPercent = 0;
    int16_t AccelDuration = 0;
    int32_t AccelRpm = 0;
    int16_t AccelMinTpsRate = 0;
    int16_t AccelMinTps = 0;
    int32_t DecelMaxRpm = 0;
    int16_t DecelMinTps = 0;
    int16_t DecelCutRpm = 0;
    std::array<int16_t, 5> BankCompensation{}; // slots 2, 3, 4 = banks 2, 3, 4

    // Closed-loop EGO
    int16_t EgoMaxRpm = 0;
    int16_t EgoMinRpm = 0;
    int16_t EgoMaxLoad = 0;
    int16_t EgoMinLoad = 0;
    int16_t EgoGainP = 0;
    int16_t EgoGainI = 0;
    int16_t EgoUpdateRevs = 0;
    int16_t EgoMinCoolantTemp = 0;
    int16_t EgoControl = 0;

    // Idle air control
    int16_t IacType = 0;
    int16_t IacColdRpm = 0;
    int16_t IacHotRpm = 0;
    int16_t IacColdPosition = 0;
    int16_t IacHotPosition = 0;
    int16_t IacTemp = 0;
    int16_t IacTravel = 0;

    // User inputs and outputs
    std::array<int16_t, kUserOutputs> UserOutputType{};
    std::array<int16_t, kUserOutputs> UserOutputOn{};
    std::array<int16_t, kUserOutputs> UserOutputOff{};
    std::array<int16_t, kUserInputs> UserInputAnalogMode{};
    std::array<int16_t, kUserInputs> UserInputDigitalMode{};
    std::array<Curve, kUserInputs> UserInputAnalogTable{}; // [input][row 0..17]

    // Compensation curves
    Curve AirTempFuelComp{};
    Curve WaterTempFuelComp{};
    Curve BatteryVoltFuelComp{};
    Curve AirTempIgnitionComp{};

    // Fuel and ignition tables
    Table FuelTable{};
    Table IgnitionTable{};
    int16_t RpmIndexMax = 0;
    int16_t LoadIndexMax = 0;

    // Spare values
    std::array<int16_t, kExtraSlots> UC_Extra{};
    std::array<int32_t, kExtraSlots> UI_Extra{};

    std::array<int16_t, 17> ChargeTimeTable{};

    // Every scalar and array default of a fresh start, with both tables left
    // zero: the default table generators fill them (settingsWithDefaultTables).
    static EcuSettings withDefaults();

    bool operator==(const EcuSettings&) const = default;
};
