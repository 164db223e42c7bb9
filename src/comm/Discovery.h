// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/EcuProtocol.h"
#include "record/AppState.h"

#include <functional>

// What the search tells the program around it. Every hook may be left empty
// (the command-line tool has no poll).
struct DiscoveryHooks {
    // Lets pending events run once before the search.
    std::function<void()> processEvents;
    // Stops (false) and restarts (true) the poll.
    std::function<void(bool)> setPolling;
    // The ECU's state is to be shown again: the search found an ECU and read
    // its status bytes, or the Find ECU command ended.
    std::function<void()> onlineChanged;
    // The code sections of the found ECU are known: whether its closed-loop
    // EGO section is there.
    std::function<void(bool)> codeSectionsChanged;
};

enum class FindResult {
    Found,           // ECU of the accepted (or experimental) firmware online
    WrongVersion,    // an ECU answered with firmware this program does not drive
    NotFound,        // no answer to four attempts
    InvalidResponse, // the search byte came back: a loop-back cable or modem
    PortError,       // the serial port could not be opened
    LinkLost,        // the ECU stopped answering during the identity reads
    Declined,        // the user chose not to search
};

// The firmware this program drives: version 2.051.
inline constexpr int kAcceptedVersionMajor = 2;
inline constexpr int kAcceptedVersionMinor = 51;
inline constexpr int kExperimentalVersionMajor = 255;

// Looks for the ECU on the serial link, takes it online and reads its identity.
FindResult findEcu(EcuProtocol& protocol, const DiscoveryHooks& hooks);

// Builds the identity texts (version, build, serial fields and serial text)
// from the identity bytes, then runs enableCodeSections. Returns whether the
// closed-loop EGO menu entry is to be shown.
bool formatEcuVersion(AppState& state);

// Sets the code-section flags (all of them in developer mode; they are never
// cleared again). Returns whether the closed-loop EGO menu entry is shown,
// which is the first flag.
bool enableCodeSections(AppState& state);

// "2.051" from 2 and 51: the major number, a point and the minor number with
// leading zeros to three digits.
QString versionText(int major, int minor);

// Writes the serial bytes whose value the serial fields have changed (commands
// 252, 253, 254), storing each new byte first.
void encodeSerialNumber(EcuProtocol& protocol);
