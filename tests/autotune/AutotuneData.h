// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A tune and the records of a steady drive on it, as the autotune window's
// tests read them from logs or take them live.

#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "record/EcuSettings.h"
#include "record/EngineData.h"

#include <QByteArray>
#include <QString>

namespace autotune_data {

// A tune on the throttle axis (7 % a row) with 600 rpm a column, every cell
// 10 ms (raw 159), the wideband sensor on user input 2 in EGO mode and every
// EGO setpoint at 120 counts (2.35 V: 14.7 AFR through the default line).
inline EcuSettings tune() {
    EcuSettings s = EcuSettings::withDefaults();
    s.LoadControl = 2;
    s.MaxRpm = 9000;
    for (auto& row : s.FuelTable) {
        row.fill(159);
    }
    s.UserInputAnalogMode = {0, 3, 0};
    s.UserInputAnalogTable[0].fill(120);
    return s;
}

// The lean reading: 16.2 AFR, 10 % above the target, asking for 11 ms (raw
// 175); the log keeps the volts to one place.
inline constexpr double kLeanVolts = 3.1;
// Where the drive holds: 2400 rpm at 14 % throttle, the breakpoint of table
// row 13, column 4 (grid row 14, column 5).
inline constexpr int kRow = 13;
inline constexpr int kColumn = 4;

// An engine at 2400 rpm and 14 % throttle, reading volts on input 2.
inline LiveSample sample(qint64 timeMs, double volts = kLeanVolts, double waterF = 180) {
    EngineData e = EngineData::withChannelLayout();
    e.RpmChannel.Value = 2400.0f;
    e.MapChannel.Value = 8.0f;
    e.TpsChannel.Value = 14.0f;
    e.AirChannel.Value = 80.0f;
    e.WaterChannel.Value = static_cast<float>(waterF);
    e.BatteryChannel.Value = 13.6f;
    e.FuelChannel.Value = 3.5f;
    e.UserChannel[1].Value = static_cast<float>(volts);
    e.EngineStatus1 = 6;
    return LiveSample::fromEngineData(e, timeMs);
}

// A log of one run: records 100 ms apart, the first `cold` of them with the
// water at 150 °F.
inline QByteArray drive(int records, int cold = 0, double volts = kLeanVolts) {
    QString log = logRuleLine() + QStringLiteral("\r\n02.05.26      14:30:00\r\n") +
                  fullRecordTitleLine() + QStringLiteral("\r\n");
    for (int i = 0; i < records; ++i) {
        log += fullRecordLine(sample(100 * i, volts, i < cold ? 150 : 180), i * 0.1) +
               QStringLiteral("\r\n");
    }
    return log.toLatin1();
}

} // namespace autotune_data
