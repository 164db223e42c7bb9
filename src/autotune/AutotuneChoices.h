// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "autotune/Autotune.h"

#include <QString>
#include <optional>
#include <span>

// Where the autotune window takes its records from.
enum class AutotuneSource : uint8_t { Logs, Live };

// What the tuner chose in the autotune window: the session's options, the
// sensor's input and the target, and the automatic apply of the live mode.
struct AutotuneChoices {
    AutotuneOptions options; // without a target: see targetAfr
    // The user input (0..2) the EGO sensor is on.
    int egoInput = 0;
    // One AFR for every cell; otherwise the EGO setpoint of the load.
    bool oneTarget = false;
    double targetAfr = 14.7;
    // Live only: the proposal is applied this often, off by default.
    bool autoApply = false;
    double autoApplySeconds = 60.0;

    // The session's options with the target chosen.
    AutotuneOptions sessionOptions() const;
};

// The choices a window starts with for a tune: the sensor on the input in
// EGO mode (input 1 when none is), the target of its setpoints.
AutotuneChoices defaultAutotuneChoices(const EcuSettings& settings);

// Why no proposal can be made with these settings and choices; empty when
// one can.
QString autotuneProblem(const EcuSettings& settings, const AutotuneChoices& choices);

// The number boxes of the autotune window.
enum class AutotuneField : uint8_t {
    Volts0,
    Afr0,
    Volts1,
    Afr1,
    TargetAfr,
    MinWater,
    MinRpm,
    MaxTpsRate,
    ThrottleSettle,
    FuelCutSettle,
    MinEgoVolts,
    MaxEgoVolts,
    MinWeight,
    FullWeight,
    MaxChange,
    LagLowRpm,
    LagLowMs,
    LagHighRpm,
    LagHighMs,
    AutoApplySeconds,
};

struct AutotuneFieldRow {
    AutotuneField field;
    const char* name;  // the box's object name
    const char* label; // before the box
    const char* unit;  // after the box
    double low;        // the entry limits
    double high;
    int decimals; // places a typed value keeps
    const char* help;
};

std::span<const AutotuneFieldRow> autotuneFieldRows();
const AutotuneFieldRow& autotuneFieldRow(AutotuneField field);

// A box's value and its text.
double autotuneFieldValue(const AutotuneChoices& choices, AutotuneField field);
QString autotuneFieldText(const AutotuneChoices& choices, AutotuneField field);
// Takes a typed value ("," is a decimal point), rounded to the field's
// places. False, leaving the choices as they were, when the text is no
// number, lies outside the field's limits, or would leave the choices
// without sense: the sensor line's two points at the same volts or AFR, the
// EGO volts' lowest not below their highest, the lag's rpm points reversed.
bool enterAutotuneField(AutotuneChoices& choices, AutotuneField field, const QString& text);
