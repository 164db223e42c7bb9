// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The codes of the main window's child windows, which each records when it
// is activated; Close Active Window and the Modify menu route by them, and a
// window whose change alters another one's axes names it by its code.
enum class WindowCode : int {
    None = 0,
    Fuel = 1,
    Data = 2,
    Charge = 3,
    Comp1 = 5,
    Comp2 = 6,
    DefaultFuel = 7,
    DefaultIgnition = 8,
    Ignition = 9,
    Input = 10,
    TimeHistory = 11,
    SensorCheck = 12,
    Setup = 13,
    Ego = 15,
    Iac = 16,
    Extra = 17,
    LogReview = 18,
    Gauges = 19,
    Autotune = 20,
};
