// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuIdentity.h"
#include "record/EngineData.h"
#include "record/FieldTable.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The protocol's command codes. Settings fields carry their read and write
// codes in the field table; this view adds the live values, the identity
// bytes and the commands that act rather than carry a value.

// The commands that are not settings fields, by name. A settings field's read
// and write codes are in its row of the field table.
enum class EcuCommand : uint8_t {
    PlotOpen = 9, // sent as the time history plot opens; nothing stored
    FuelBlock = 14,
    IgnitionBlock = 15,
    OtherBlock = 16,
    OutputTest = 17,
    BuildNumber = 29,
    VersionMajor = 34,
    PlotClose = VersionMajor, // the time history plot closes by reading the version
    VersionMinor = 35,
    Store = 36,
    EnginePeriod = 37,
    InjectorTime = 38,
    IgnitionRaw = 39,
    MapRaw = 40,
    TpsRaw = 41,
    WaterRaw = 43,
    AirRaw = 44,
    BatteryRaw = 45,
    UserInput1Raw = 46,
    UserInput2Raw = 47,
    UserInput3Raw = 48,
    EngineStatus2 = 49,
    EngineStatus1 = 50,
    EngineStatus3 = 51,
    EngineStatus4 = 52,
    ClearWarnings = 53, // nothing stored
    Search = 85,        // the discovery byte, sent on its own
    SerialByte1 = 124,
    SerialByte2 = 125,
    SerialByte3 = 126,
    StopEngine = 127,
};

constexpr int commandCode(EcuCommand command) {
    return static_cast<int>(command);
}
// The write command of a value the ECU also takes: the read code + 128.
constexpr int writeCommandCode(EcuCommand command) {
    return commandCode(command) + 128;
}
// The live value of user input 0..2.
constexpr int userInputCommandCode(int input) {
    return commandCode(EcuCommand::UserInput1Raw) + input;
}

// The spare values read besides the live values in developer mode: the first
// three one-byte and the first three two-byte values.
inline constexpr std::array<FieldId, 6> kSpareValueReads{FieldId::UcExtra0, FieldId::UcExtra1,
                                                         FieldId::UcExtra2, FieldId::UiExtra0,
                                                         FieldId::UiExtra1, FieldId::UiExtra2};

// What a command that is not a settings field does.
enum class CommandAction : uint8_t {
    Value,      // reads a live value or identity byte (or nothing, see target)
    OutputTest, // sends the output number to test
    Store,      // makes the ECU store its working settings
    StopEngine, // stops the engine
};

// A live value, an identity byte or nothing: where a non-settings read lands.
using ValueTarget = void (*)(EngineData& live, EcuIdentity& identity, int value);
// The value an identity byte holds, which the serial-byte writes send.
using ValueSource = int (*)(const EcuIdentity& identity);

struct CommandEntry {
    int code = 0;
    bool write = false;
    WireForm form = WireForm::None;
    const FieldRow* setting = nullptr; // a settings field, or
    ValueTarget target = nullptr;      // a live value or identity byte
    ValueSource source = nullptr;      // the identity byte's value
    CommandAction action = CommandAction::Value;
};

// The entry of a command code, or nothing when the ECU protocol has no such
// command (the bulk reads and the discovery byte are sent on their own).
std::optional<CommandEntry> findCommand(int code);

// The code of a command that acts rather than carries a value (the output
// test, the store, the stop-engine command); 0 for CommandAction::Value.
int actionCommandCode(CommandAction action);

// The read commands of the three serial-number bytes.
inline constexpr std::array<int, 3> kSerialByteReadCodes{commandCode(EcuCommand::SerialByte1),
                                                         commandCode(EcuCommand::SerialByte2),
                                                         commandCode(EcuCommand::SerialByte3)};

// Every command code the protocol knows, in ascending order.
std::vector<int> commandCodes();
