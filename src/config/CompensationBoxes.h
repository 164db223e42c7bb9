// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/NumericEntry.h"

#include <QString>
#include <QStringList>
#include <vector>

// The boxes of the starting, acceleration, deceleration and cylinder
// compensation window, and the lists of the closed-loop EGO window.

struct CompensationBox {
    FieldId field;
    const char* name; // the box's object name
    QString label;    // before the box
    QString after;    // after the box; empty: none
};

struct CompensationFrame {
    const char* name;
    QString caption;
    std::vector<CompensationBox> boxes;
};

// The four frames in the order shown: starting, acceleration, deceleration
// and cylinder compensation.
std::vector<CompensationFrame> compensationFrames();

// A compensation box takes a whole number (halves to even); a scaled count
// is that number divided with the remainder dropped (251 % gives 125), the
// prime pulse that number times five. The duration of the acceleration
// enrichment keeps its hundredths.
EntryRule compensationEntryRule(FieldId field);

// Whether a box can be edited with the sensors fitted: the acceleration and
// deceleration boxes need the throttle sensor, the warmer cranking points the
// water temperature sensor.
bool compensationBoxEnabled(FieldId field, const EcuSettings& settings);

// The EGO window's lists: on and off, the rpm window in sixteenths of the rpm
// range, and the load window from the highest load down.
QStringList egoControlEntries();
QStringList egoRpmEntries(int32_t maxRpm);
QStringList egoLoadEntries(const EcuSettings& settings);
// The entry a stored value selects: itself when the list has it, else 0.
int egoEntryIndex(int64_t stored, int entries);
