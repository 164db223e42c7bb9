// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/EcuSettings.h"

EcuSettings EcuSettings::withDefaults() {
    EcuSettings s;
    s.NumberOfCylinders = 4;
    s.MaxRpm = 9000;
    s.RevLimit = 8700;
    s.LaunchControlRpm = 5000;
    s.IgnitionType = 1;
    s.AirTempSensorType = 1;
    s.WaterTempSensorType = 1;
    s.MapSensorType = 1;
    s.MapMaxBits = 255;
    s.MapMinBits = 0;
    s.TpsSensorType = 1;
    s.TpsMaxBits = 255;
    s.TpsMinBits = 0;
    s.InjectionLoadIndex = 16;
    s.InjectionRpmIndex = 0;
    s.MinOpenTime = 19;
    s.LoadControl = 2;
    s.WheelType = 1;
    s.ChargeTime = 30;
    s.InjectorCloseAngle = 5;

    s.CrankPercent = {50, 50, 50, 50};
    s.CrankDuration = 50;
    s.CrankRpm = 500;
    s.CrankPrimePulse = 0;
    s.AccelPercent = 100;
    s.AccelDuration = 50;
    s.AccelRpm = 7000;
    s.AccelMinTpsRate = 10;
    s.AccelMinTps = 20;
    s.DecelMaxRpm = 1000;
    s.DecelMinTps = 0;
    s.DecelCutRpm = 0;
    s.BankCompensation = {0, 0, 100, 100, 100};

    s.EgoMaxRpm = 15;
    s.EgoMinRpm = 0;
    s.EgoMaxLoad = 0;
    s.EgoMinLoad = 15;
    s.EgoGainP = 2;
    s.EgoGainI = 1;
    s.EgoUpdateRevs = 5;
    s.EgoMinCoolantTemp = 90; // the water sensor count of 150 degrees F
    s.EgoControl = 0;

    s.IacType = 1;
    s.IacColdRpm = 1100;
    s.IacHotRpm = 800;
    s.IacColdPosition = 100;
    s.IacHotPosition = 15;
    s.IacTemp = 150;
    s.IacTravel = 254;

    s.UserInputDigitalMode = {0, 0, 3};
    for (int row = 0; row <= 16; ++row) {
        s.UserInputAnalogTable[0][row] = 23;
        s.UserInputAnalogTable[1][row] = static_cast<int16_t>(120 + row);
        s.UserInputAnalogTable[2][row] = 0;
    }

    s.AirTempFuelComp = {120, 120, 118, 115, 112, 109, 106, 103, 100,
                         100, 100, 101, 102, 103, 104, 105, 106, 0};
    s.WaterTempFuelComp = {180, 171, 163, 154, 146, 137, 129, 120, 112,
                           103, 100, 100, 100, 100, 100, 100, 100, 0};
    s.BatteryVoltFuelComp = {65, 60, 55, 50, 45, 38, 30, 22, 15, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    s.AirTempIgnitionComp = {128, 128, 128, 128, 128, 128, 128, 128, 128,
                             128, 124, 120, 116, 112, 108, 108, 108, 0};

    s.RpmIndexMax = 15;
    s.LoadIndexMax = 15;

    s.UC_Extra = {100, 110, 120, 130, 140};
    s.UI_Extra = {65535, 65535, 65535, 65535, 65535};

    for (int i = 0; i < 8; ++i) {
        s.ChargeTimeTable[i] = 100;
    }
    return s;
}
