// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/AppState.h"
#include "record/EcuSettings.h"
#include "record/EngineData.h"

#include <QDateTime>
#include <QLocale>
#include <array>
#include <cmath>
#include <vector>

// A logging session as a script of live values: full records after polls,
// then plot runs under each load control and user input mode, with and
// without the developer columns, each run starting with its own header.
// The log written from it is kept as a golden file.
namespace logscript {

inline const QLocale kLocale(QLocale::German, QLocale::Germany);

enum class Layout { Full, Plot };

struct Run {
    Layout layout;
    int records;
    qint64 stepMs;
    qint64 startMs; // the steady clock at the run's first record
    QDateTime clock;
    int16_t loadControl;
    std::array<int16_t, 3> userModes;
    std::array<int, 2> plotChannels;
    bool developerColumns;
};

inline const std::vector<Run>& runs() {
    static const std::vector<Run> r{
        {Layout::Full,
         6,
         500,
         1000,
         QDateTime(QDate(2026, 5, 2), QTime(14, 30, 0)),
         1,
         {0, 1, 2},
         {0, 11},
         false},
        {Layout::Plot,
         5,
         50,
         9000,
         QDateTime(QDate(2026, 5, 2), QTime(14, 30, 8)),
         3,
         {0, 1, 2},
         {0, 10},
         false},
        {Layout::Plot,
         4,
         50,
         20000,
         QDateTime(QDate(2026, 5, 2), QTime(14, 30, 19)),
         2,
         {3, 0, 1},
         {8, 11},
         true},
        {Layout::Plot,
         3,
         50,
         30000,
         QDateTime(QDate(2026, 5, 2), QTime(14, 30, 29)),
         1,
         {1, 2, 3},
         {3, 9},
         false},
        {Layout::Full,
         4,
         500,
         3600000,
         QDateTime(QDate(2026, 5, 2), QTime(15, 29, 59)),
         1,
         {0, 1, 2},
         {0, 11},
         false},
    };
    return r;
}

// The converted live values of record k of the session.
inline void liveValues(int k, EngineData& e) {
    const float x = static_cast<float>(k);
    e.RpmChannel.Value = static_cast<float>(850 + 450 * k);
    e.MapChannel.Value = 4.25f + 0.73f * x;
    e.TpsChannel.Value = 3.5f + 6.25f * x;
    e.AirChannel.Value = 61.0f + x;
    e.WaterChannel.Value = 150.4f + 2.5f * x;
    e.BatteryChannel.Value = 12.2f + 0.1f * x;
    e.DutyChannel.Value = 7.125f * x;
    e.FuelChannel.Value = 1.875f + 0.125f * x;
    e.IgnitionChannel.Value = 10.5f + 0.5f * x;
    e.UserChannel[0].Value = 0.02f * x * x;
    e.UserChannel[1].Value = 95.0f + 0.75f * x;
    e.UserChannel[2].Value = -12.0f + 1.5f * x;
    e.EngineStatus1 = static_cast<uint8_t>(k % 2 == 0 ? 6 : 2);
    e.EngineStatus2 = static_cast<uint8_t>(k);
}

inline void applyRun(const Run& run, AppState& state, EcuSettings& settings) {
    settings.LoadControl = run.loadControl;
    settings.UserInputAnalogMode = run.userModes;
    settings.UC_Extra = {1, 22, 0, 140, 255};
    settings.UI_Extra = {0, 100, 65535, 7, 12345};
    state.DeveloperMode = run.developerColumns;
    state.LogExtra = run.developerColumns;
}

} // namespace logscript
