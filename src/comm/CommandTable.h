#pragma once

#include "record/AppState.h"

#include <cstdint>
#include <optional>
#include <span>
#include <variant>

// Where the value of a command lives: one field of the settings record, the
// live data or the ECU's identity. Live channels take the raw byte(s).
using FieldRef = std::variant<std::monostate, int16_t*, int32_t*, uint8_t*, EngineChannel*>;

// Finds the field of a command; indexed commands use index1 (curve slot or
// table row), cell commands index1 (load) and index2 (rpm).
using FieldAccessor = FieldRef (*)(AppState& state, int index1, int index2);

// How a command's value travels after the command byte and the ECU's first
// reply.
enum class WireForm : uint8_t {
    None,       // nothing stored
    Byte,       // one byte
    TwoByte,    // two bytes, high first
    Thousands,  // MaxRpm in units of 3000 rpm, at most 5 units on a single read
    NibblePair, // two 0..15 fields in one byte, the first in the high nibble
    Indexed,    // one byte of a curve, slot in index1
    Cell,       // one byte of a table, load in index1, rpm in index2
    OutputTest, // sends the output number to test
    Store,      // makes the ECU store its working settings
    StopEngine, // stops the engine
};

// One row of the protocol: the read and write codes of a field (0 where the
// program has none) and how its value travels.
struct CommandRow {
    uint8_t readCode = 0;
    uint8_t writeCode = 0;
    WireForm form = WireForm::None;
    FieldAccessor field = nullptr;
    FieldAccessor lowNibble = nullptr; // second field of a nibble pair
};

struct CommandEntry {
    const CommandRow* row = nullptr;
    bool write = false;
};

// Every row of the protocol.
std::span<const CommandRow> commandTable();

// The row of a command code, or nothing when the ECU protocol has no such
// command (the bulk reads and the discovery byte are sent on their own).
std::optional<CommandEntry> findCommand(int code);

// Whether the indexes address a slot the command can reach: curve slots
// 0..17, table cells 0..16 by 0..16. Commands without indexes ignore them.
bool indexesValid(const CommandRow& row, int index1, int index2);

// The value a write sends and whether its wire form can carry it: 0..255 for
// one byte, 0..65535 for two, each half of a nibble pair 0..15.
struct EncodedValue {
    int64_t value = 0;
    bool valid = false;
};
EncodedValue encodeWrite(const CommandRow& row, AppState& state, int index1, int index2);

// Stores a value read from the wire (one byte, or high x 256 + low for the
// two-byte form) into the command's field, decoding the thousands and nibble
// forms.
void storeRead(const CommandRow& row, AppState& state, int value, int index1, int index2);

// Reads and writes a field whatever its width. Storing a value that the
// field's type cannot hold keeps the nearest value it can.
int64_t fieldValue(const FieldRef& field);
void setField(const FieldRef& field, int64_t value);
