#pragma once

#include "record/AppState.h"
#include "record/FieldTable.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The protocol's command codes. Settings fields carry their read and write
// codes in the field table; this view adds the live values, the identity
// bytes and the commands that act rather than carry a value.

// What a command that is not a settings field does.
enum class CommandAction : uint8_t {
    Value,      // reads a live value or identity byte (or nothing, see target)
    OutputTest, // sends the output number to test
    Store,      // makes the ECU store its working settings
    StopEngine, // stops the engine
};

// A live value, an identity byte or nothing: where a non-settings read lands.
using ValueTarget = void (*)(AppState& state, int value);
// The value an identity byte holds, which the serial-byte writes send.
using ValueSource = int (*)(const AppState& state);

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
inline constexpr std::array<int, 3> kSerialByteReadCodes{124, 125, 126};

// Every command code the protocol knows, in ascending order.
std::vector<int> commandCodes();
