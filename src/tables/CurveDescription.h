// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"
#include "record/SettingCodes.h"
#include "record/SettingsStore.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// How a curve grid takes a typed value and shows a stored count.
enum class CurveConversion : uint8_t {
    FuelPercent,    // percent as stored, entry 0..200
    BatteryMs,      // ms = raw / 100, entry 0..2.55
    IgnitionHalves, // degrees = (raw - 128) / 2, entry -50..50
    ChargeTime,     // tenths of a ms as stored, entry 0..255
    InputPercent,   // percent (or EGO value) as stored, entry 0..255
    InputDegrees,   // whole degrees = raw - 128, entry -50..50
    EgoVolts,       // target volts = raw x 5 / 255, entry 0..5
};

// Which keys open the in-place edit and which the edit box accepts.
enum class CurveKeys : uint8_t {
    Compensation, // opens on 0-9 . - , and Enter; takes 0-9 - , .
    UserInput,    // opens on 0-9 - , and Enter; takes 0-9 , . -
    Charge,       // opens on 0-9 and Enter; drops any key above "9"
    Ego,          // opens on 0-9 . and Enter; takes 0-9 .
};

// One curve row under an axis row: the field it edits, its captions and
// axis, and how it converts.
struct CurveDescription {
    FieldId field = FieldId::AirTempFuelComp;
    QString title;       // the caption above the grid
    QString axisCaption; // row 0, column 0
    QString unitCaption; // row 1, column 0
    QStringList axis;    // one text per shown point
    CurveConversion conversion = CurveConversion::FuelPercent;
    CurveKeys keys = CurveKeys::Compensation;
    bool sends = true; // false: the record keeps the values, no command carries them

    int points() const { return static_cast<int>(axis.size()); }
    // The count a typed value becomes, limited and rounded half to even.
    int64_t rawFromTyped(double value) const;
    QString cellText(int64_t raw) const;
    int64_t stored(const EcuSettings& settings, int point) const;
};

// The four compensation curves: air and water temperature fuel, battery
// voltage fuel and air temperature ignition.
std::vector<CurveDescription> compensationCurves();

// The coil charge times over the middles of eight rpm bands up to maxRpm.
CurveDescription chargeCurve(int64_t maxRpm, int rpmIndexMax);

// User input 0..2 in its analog mode. Only the fuel and ignition modes show
// their grid.
CurveDescription inputCurve(int input, AnalogInputMode mode);
bool inputCurveShown(AnalogInputMode mode);

// The EGO target voltages: the first sixteen points of user input 1's table
// over the load axis (MAP or throttle), lowest load at the left.
CurveDescription egoSetpointCurve(const EcuSettings& settings);

// Whether a key character opens the in-place edit, and whether the edit box
// takes it.
bool curveStartsEdit(CurveKeys keys, QChar key);
bool curveAcceptsInEdit(CurveKeys keys, QChar key);

// A typed entry over the run of points from `point` towards `pointSel`
// (0-based): the cells whose stored count differs, in that order, for
// SettingsStore::setCells. Nothing when the text is not a number.
std::vector<FieldCell> curveEntry(const CurveDescription& curve, const EcuSettings& settings,
                                  int point, int pointSel, const QString& text);

// Straight-line smoothing of the run between its two end counts, rounded
// half to even; the changed cells only. A run of one point changes nothing.
std::vector<FieldCell> curveSmooth(const CurveDescription& curve, const EcuSettings& settings,
                                   int point, int pointSel);
