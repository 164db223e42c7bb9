// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/EcuFile.h"
#include "record/EcuSettings.h"

#include <QString>
#include <cstdint>
#include <vector>

// Whether every value of a record fits the wire form of the command that
// sends it, so that a loaded file is refused as a whole before the first byte
// goes to the ECU rather than sent in part.

// A value that its write command cannot carry.
struct WireRangeFault {
    // As the data file names it: "Max Rpm", "Fuel Table, row 3, column 5".
    QString field;
    int64_t value = 0;
    int64_t min = 0;
    int64_t max = 0;

    // "Fuel Table, row 3, column 5: -5 is outside 0..255".
    QString describe() const;
};

// Every value of the record that the full send would have to refuse, in the
// order of the send; the wheel type is checked whether or not it is sent.
std::vector<WireRangeFault> checkWireRanges(const EcuSettings& settings);

// The message that refuses a file for its faults, one a line; a long list
// ends with how many more there are.
QString wireRangeMessage(const std::vector<WireRangeFault>& faults);

// loadEcuFile, then checkWireRanges: a file holding a value that cannot be
// sent is refused with wireRangeMessage, and nothing of current changes.
EcuFileReadResult loadEcuFileForSending(const QString& path, const EcuSettings& current);
