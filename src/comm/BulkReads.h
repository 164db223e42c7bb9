// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/CommandTable.h"
#include "comm/SerialLink.h"
#include "record/AppState.h"
#include "record/UserInteraction.h"

#include <QByteArray>

// The three block reads that fetch the fuel table, the ignition table and all
// other settings in one reply each. Each block carries a 16-bit sum of its
// data bytes; a block of the wrong length or with a wrong sum changes nothing
// in the record and is reported to the user.
enum class BulkReadResult {
    Ok,
    Failed, // wrong length within the time limit, or the port is closed
    BadSum, // the data bytes do not add up to the block's sum
};

inline constexpr int kTableBlockLength = 260;
inline constexpr int kOtherBlockLength = 208;
inline constexpr int kBulkReadTimeoutMs = 2000;

inline constexpr int kFuelBlockCommand = commandCode(EcuCommand::FuelBlock);
inline constexpr int kIgnitionBlockCommand = commandCode(EcuCommand::IgnitionBlock);
inline constexpr int kOtherBlockCommand = commandCode(EcuCommand::OtherBlock);

// Each reads into the record given.
BulkReadResult getHighSpeedFuelData(AppState& state, EcuSettings& record, SerialLink& link,
                                    UserInteraction& ui);
BulkReadResult getHighSpeedIgnData(AppState& state, EcuSettings& record, SerialLink& link,
                                   UserInteraction& ui);
// Also takes the ECU offline when it fails.
BulkReadResult getHighSpeedOtherData(AppState& state, EcuSettings& record, SerialLink& link,
                                     UserInteraction& ui);

// Unpacks the data bytes of a block into the record (positions are 1-based
// as the ECU numbers them; the caller has checked length and sum).
void unpackTableBlock(const QByteArray& block, EcuSettings::Table& table);
void unpackOtherBlock(const QByteArray& block, EcuSettings& settings);

// Whether the data bytes from firstData to lastData (1-based) add up to the
// sum stored high byte first right after them.
bool blockSumMatches(const QByteArray& block, int firstData, int lastData);
