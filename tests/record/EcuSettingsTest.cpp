#include "record/EcuSettings.h"

#include <gtest/gtest.h>

TEST(EcuSettingsDefaults, SpareSlotsStayInTheProgram) {
    const EcuSettings s = EcuSettings::withDefaults();
    EXPECT_EQ(s.AirTempFuelComp[17], 0);
    EXPECT_EQ(s.WaterTempFuelComp[16], 100);
    EXPECT_EQ(s.UC_Extra[4], 140);
    EXPECT_EQ(s.UI_Extra[4], 65535);
    EXPECT_EQ(s.UserInputAnalogTable[1][16], 136);
    EXPECT_EQ(s.UserInputAnalogTable[1][17], 0);
    EXPECT_EQ(s.ChargeTimeTable[7], 100);
    EXPECT_EQ(s.ChargeTimeTable[8], 0);
}
