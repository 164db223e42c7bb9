// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/EcuSettings.h"

#include <gtest/gtest.h>

// The slots beyond the data file and the bulk blocks (the stored ones are pinned by the
// golden file of the start-up record).
TEST(EcuSettingsDefaults, SpareSlotsStayInTheProgram) {
    const EcuSettings s = EcuSettings::withDefaults();
    EXPECT_EQ(s.AirTempFuelComp[17], 0);
    EXPECT_EQ(s.UserInputAnalogTable[1][17], 0);
    EXPECT_EQ(s.ChargeTimeTable[7], 100);
    EXPECT_EQ(s.ChargeTimeTable[8], 0);
}
