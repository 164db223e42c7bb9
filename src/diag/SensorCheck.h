// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/CommandSender.h"

#include <QString>
#include <array>

struct AppState;
struct EcuSettings;
class LiveSample;
class UserInteraction;

// The texts of the diagnostics window: per sensor the raw count ("Bits"), its
// voltage and the converted value, and in developer mode the spare values and
// the raw injector and ignition readings.
struct SensorCheckDisplay {
    struct Row {
        QString caption;
        QString bits;
        QString volts;
        QString value;
    };

    static constexpr int kRows = 9;
    static constexpr int kExtras = 5;

    // Map, Tps, Water, Air, Battery Volt, User #1..#3, Rpm.
    std::array<Row, kRows> rows;
    // Developer mode only.
    std::array<QString, kExtras> charExtra;
    std::array<QString, kExtras> intExtra;
    QString injectorTicks;
    QString firingAngle;
    QString injectorHigh;
    QString injectorLow;
};

// The voltage of an 8-bit count on the 5 V inputs, "#0.00" (255 gives 5.00).
QString sensorVoltsText(int bits);

// The window's texts from a sample and the settings; the developer texts in
// developer mode only. A user input that is off leaves its row empty but for
// its caption.
SensorCheckDisplay composeSensorCheck(const EcuSettings& settings, bool developerMode,
                                      const LiveSample& sample);

// The output test buttons: injector banks 1 to 4, then coils 1 to 4.
inline constexpr int kInjectorBanks = 4;
inline constexpr int kCoils = 4;
inline constexpr int kOutputTestButtons = kInjectorBanks + kCoils;

// Fires one output (1 .. kOutputTestButtons): sends the output test command
// with that number and clears the output number afterwards. While the ECU is
// offline it says so instead. Returns whether the command went out.
bool fireOutput(AppState& state, UserInteraction& ui, const CommandSender& send, int output);

// Stop Engine: says so when the ECU is offline, otherwise sends the stop
// command at once. Returns whether the command went out.
bool stopEngine(AppState& state, UserInteraction& ui, const CommandSender& send);
