// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"
#include "record/FieldTable.h"
#include "record/SettingCodes.h"

#include <QString>
#include <QStringList>
#include <optional>

class SettingsStore;
class UserInteraction;

// The four switched custom outputs and the custom inputs of the engine setup
// window, apart from their widgets.

inline constexpr int kCustomOutputs = 4;
inline constexpr int kAnalogInputs = 3;
inline constexpr int kDigitalInputs = 2;

FieldId outputTypeField(int output);
// Set point 1 (on) or set point 2 (off) of an output.
FieldId outputSetPointField(int output, bool second);
FieldId analogModeField(int input);
FieldId analogTableField(int input);
FieldId digitalModeField(int input);

QStringList outputSourceEntries();
QStringList analogModeEntries(int input, bool egoOffered);
QStringList digitalModeEntries(int input);

// The text of a stored set point for the output's source; empty when off.
QString setPointText(const EcuSettings& settings, int type, int64_t raw);

// The count of a typed set point: the leading number of the text (0 when there
// is none) limited and converted for the source. Nothing for an empty box.
std::optional<int64_t> setPointCount(const EcuSettings& settings, int type, const QString& typed);

// Runs a set point box's entry: text the user did not change changes nothing;
// a count whose text equals the other set point's is refused. Returns whether
// the set point was stored and sent.
bool commitSetPoint(SettingsStore& store, int output, bool second, const QString& shown,
                    const QString& typed);

// Switches an output to another source: refused with a message for MAP while
// no MAP sensor is fitted; otherwise stores the source and the source's
// default set points and sends the type, set point 2 and set point 1. Returns
// whether the source changed.
bool changeOutputSource(SettingsStore& store, UserInteraction& ui, int output, int type);

// The count an analog input's table is filled with for a mode; nothing for a
// mode that keeps the table.
std::optional<int> analogTableFill(int mode);

// Switches an analog input to another mode: stores and sends the mode,
// refills its table (off keeps it) and sends all of its points, and for
// input 1 leaving EGO switches closed-loop EGO off. Returns whether the mode
// changed.
bool changeAnalogMode(SettingsStore& store, int input, int mode);
