// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuIdentity.h"
#include "record/FieldTable.h"

#include <QString>
#include <QStringList>
#include <span>

class EcuProtocol;
class SettingsStore;
struct AppState;

// A numeric box of the idle air control or extra-parameters window: its
// place in the window's box array, its caption and its field.
struct ConfigBox {
    int slot;
    const char* caption;
    FieldId field;
};

// The idle air control boxes in the order of their slots (slots 3, 4, 8 and 9
// are empty).
std::span<const ConfigBox> idleAirBoxes();
// The captions of the valve types, by IacType.
QStringList iacTypeCaptions();
// Selects a valve type: stores and sends it when it differs from the stored
// one. Returns whether the boxes are enabled (every type but "No IAC").
bool selectIacType(SettingsStore& store, int type);

// The spare values of the extra-parameters window, slots 0 to 9.
std::span<const ConfigBox> extraBoxes();

// A field of the ECU's serial number: caption and entry limits.
struct SerialFieldRule {
    const char* caption;
    int16_t EcuIdentity::*field;
    int min;
    int max;
};
std::span<const SerialFieldRule> serialFieldRules();
// The What's This line of a serial field's box, with its limits.
QString serialFieldHelp(int index);

// Reads the spare values that travel (slots 0 to 2 of each kind) and the
// three serial bytes, then splits the serial number into its fields again.
// While the ECU is offline the reads are skipped and nothing changes.
void setupExtra(EcuProtocol& protocol);

// Runs the entry of a serial field's box (the text last shown and the text
// typed). A number is limited and rounded half to even; when it changes the
// field, the serial bytes whose value changes are stored and sent, and the
// identity texts are built again. Returns whether the field changed.
bool enterSerialField(EcuProtocol& protocol, int index, const QString& shown, const QString& typed);
