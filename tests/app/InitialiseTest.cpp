// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Initialise.h"
#include "record/AppState.h"

#include <gtest/gtest.h>

TEST(InitialiseSettings, GivesDefaultsGeneratedTablesAndClearedFlags) {
    AppState state;
    state.settings.NumberOfCylinders = 8;
    state.engine.RpmChannel.Value = 4000.0f;
    state.EcuOnline = true;
    state.EcuDataChanged = true;

    initialiseSettings(state);

    EXPECT_EQ(state.settings.NumberOfCylinders, 4);
    EXPECT_EQ(state.settings.MaxRpm, 9000);
    // The start-up inputs give the known cells of both tables.
    EXPECT_EQ(state.settings.FuelTable[15][0], 18);
    EXPECT_EQ(state.settings.IgnitionTable[15][3], 20);
    EXPECT_EQ(state.settings.IgnitionTable[0][6], 44);
    EXPECT_EQ(state.settings.IgnitionTable[0][15], 70);
    // Row and column 16 stay out of use.
    EXPECT_EQ(state.settings.FuelTable[16][0], 0);
    EXPECT_EQ(state.settings.IgnitionTable[0][16], 0);

    EXPECT_EQ(state.engine.RpmChannel.Value, 0.0f);
    EXPECT_EQ(state.engine.FuelChannel.Name, QStringLiteral("Fuel  B1"));
    EXPECT_EQ(state.engine.UserChannel[2].Column, 11);

    EXPECT_FALSE(state.EcuOnline);
    EXPECT_FALSE(state.EcuDataChanged);
}

TEST(InitialiseSettings, TablesFollowTheStateGeneratorInputs) {
    AppState state;
    state.ignitionGenerator.initialAdvance = 15.0f;
    state.fuelGenerator.injectorSize = 1.0f;
    initialiseSettings(state);
    EXPECT_EQ(state.settings.IgnitionTable[15][0], 30);
    EXPECT_EQ(state.settings.FuelTable[0][6], 255);
}
