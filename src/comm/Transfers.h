// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/Discovery.h"
#include "comm/EcuProtocol.h"

#include <QString>
#include <functional>
#include <vector>

// A step of the full send's progress: begun with its caption, stepped,
// ended.
struct TransferProgress {
    enum class Stage { Begin, Step, End };
    Stage stage = Stage::Step;
    QString caption; // with Begin

    bool operator==(const TransferProgress&) const = default;
};

// Shows a step of progress as a progress bar of the user interaction.
void showTransferProgress(UserInteraction& ui, const TransferProgress& progress);

// What the whole-record transfers tell and ask the program around them.
// Every hook may be left empty.
struct TransferHooks {
    // Those of a search, which a transfer may run.
    DiscoveryHooks discovery;
    // The record is about to be read whole from the ECU.
    std::function<void()> recordReplacing;
    // Repairs impossible values after the full read, sending each fix.
    std::function<void()> checkSettings;
    // The full send's progress; shown through the user interaction when
    // left empty.
    std::function<void(const TransferProgress&)> progress;
};

// One step of the full send: a command with its indexes, or a step of the
// progress bar.
struct SendStep {
    bool progress = false;
    int command = 0;
    int index1 = 0;
    int index2 = 0;

    bool operator==(const SendStep&) const = default;
};

// The full send in the order the ECU receives it, for the record as it stands
// (table sizes, whether the wheel type is sent).
std::vector<SendStep> fullSendSequence(const AppState& state, const EcuSettings& settings);

// Reads every setting from the online ECU into record (the store's, inside
// its modify()) with the three block reads, then runs the hooks' settings
// check (which repairs impossible values and sends each fix). Returns
// whether all three blocks arrived whole with the right sums.
bool getAllDataFromEcu(EcuProtocol& protocol, EcuSettings& record, const TransferHooks& hooks);

// How a full send ended.
enum class SendOutcome {
    NotSent, // no ECU was found: it holds what it held before
    Sent,
    CutOff, // the ECU stopped answering part-way: it may hold part of the record
};

// Sends the whole record to the ECU, searching for it first when offline.
// The ECU keeps it only in its working copy until told to store it.
SendOutcome sendAllDataToEcu(EcuProtocol& protocol, const TransferHooks& hooks);

// Tells the ECU to store its working settings and reports the outcome.
// Returns whether the ECU reported them stored.
bool storeSettings(EcuProtocol& protocol);

// The Find ECU command: searches without asking when offline and then reads
// every setting; says so when the ECU is online already. Returns whether the
// ECU was found and every setting read whole into record.
bool findEcuCommand(EcuProtocol& protocol, EcuSettings& record, const TransferHooks& hooks);
