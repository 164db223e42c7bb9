// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>

// Firmware version, build and serial number of the found ECU, with the texts
// built from them by formatEcuVersion.
struct EcuIdentity {
    int16_t VersionMajor = 0; // command 34; 255 marks experimental firmware
    int16_t VersionMinor = 0; // command 35
    int16_t BuildNumber = 0;  // command 29
    int16_t SerialByte1 = 0;  // command 124
    int16_t SerialByte2 = 0;  // command 125
    int16_t SerialByte3 = 0;  // command 126

    QString VersionText;
    QString BuildText;
    int16_t SerialField1 = 0;
    int16_t SerialField2 = 0;
    int16_t SerialField3 = 0;
    int16_t SerialField4 = 0;
    QString SerialNumberText;
};
