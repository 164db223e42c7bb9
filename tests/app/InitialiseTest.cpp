// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Initialise.h"
#include "record/AppState.h"

#include <gtest/gtest.h>

TEST(InitialiseSettings, GivesDefaultsGeneratedTablesAndClearedFlags) {
    AppState state;
    state.EcuOnline = true;
    state.EcuDataChanged = true;
    state.StoreResult = 1;

    const EcuSettings settings = initialiseSettings(state);

    EXPECT_EQ(settings.NumberOfCylinders, 4);
    EXPECT_EQ(settings.MaxRpm, 9000);
    // The start-up inputs give the known cells of both tables.
    EXPECT_EQ(settings.FuelTable[15][0], 18);
    EXPECT_EQ(settings.IgnitionTable[15][3], 20);
    EXPECT_EQ(settings.IgnitionTable[0][6], 44);
    EXPECT_EQ(settings.IgnitionTable[0][15], 70);
    // Row and column 16 stay out of use.
    EXPECT_EQ(settings.FuelTable[16][0], 0);
    EXPECT_EQ(settings.IgnitionTable[0][16], 0);

    EXPECT_FALSE(state.EcuOnline);
    EXPECT_FALSE(state.EcuDataChanged);
    EXPECT_EQ(state.StoreResult, 0);
}

TEST(InitialiseSettings, TablesFollowTheStateGeneratorInputs) {
    AppState state;
    state.ignitionGenerator.initialAdvance = 15.0f;
    state.fuelGenerator.injectorSize = 1.0f;
    const EcuSettings settings = initialiseSettings(state);
    EXPECT_EQ(settings.IgnitionTable[15][0], 30);
    EXPECT_EQ(settings.FuelTable[0][6], 255);
}
