// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"

#include <cstdint>
#include <optional>
#include <span>

// Every field of the settings record, described once: where it lives in the
// record and how wide it is, the commands that read and write it alone and
// how its value travels, the label of its line in the data file, its place in
// the other-settings block, and how a window shows and takes it. The command
// table, the data file's scalar lines and the block decoding are views of this
// table; a configuration window names its boxes by FieldId.
//
// The rows that have a line of their own in the data file come first, in the
// order of those lines.
enum class FieldId : uint8_t {
    NumberOfCylinders,
    MaxRpm,
    AirTempSensorType,
    WaterTempSensorType,
    TpsSensorType,
    MapSensorType,
    RevLimit,
    InjectionLoadIndex,
    InjectionRpmIndex,
    AccelMinTps,
    AccelMinTpsRate,
    AccelPercent,
    AccelDuration,
    AccelRpm,
    DecelMinTps,
    DecelMaxRpm,
    DecelCutRpm,
    CrankPercent0,
    CrankPercent1,
    CrankPercent2,
    CrankPercent3,
    CrankDuration,
    CrankRpm,
    CrankPrimePulse,
    BankCompensation2,
    BankCompensation3,
    BankCompensation4,
    LoadControl,
    MinOpenTime,
    IgnitionType,
    TpsMaxBits,
    TpsMinBits,
    MapMaxBits,
    MapMinBits,
    ChargeTime,
    EgoControl,
    EgoGainI,
    EgoGainP,
    EgoUpdateRevs,
    EgoMinCoolantTemp,
    EgoMaxLoad,
    EgoMinLoad,
    EgoMaxRpm,
    EgoMinRpm,
    WheelType,
    LaunchControlRpm,
    IacType,
    IacColdRpm,
    IacColdPosition,
    IacHotRpm,
    IacHotPosition,
    IacTemp,
    IacTravel,
    // Not a line of its own in the data file.
    InjectorCloseAngle,
    UserOutputType0,
    UserOutputType1,
    UserOutputType2,
    UserOutputType3,
    UserOutputOn0,
    UserOutputOn1,
    UserOutputOn2,
    UserOutputOn3,
    UserOutputOff0,
    UserOutputOff1,
    UserOutputOff2,
    UserOutputOff3,
    UserInputAnalogMode0,
    UserInputAnalogMode1,
    UserInputAnalogMode2,
    UserInputDigitalMode0,
    UserInputDigitalMode1,
    UserInputDigitalMode2,
    UserInputAnalogTable0,
    UserInputAnalogTable1,
    UserInputAnalogTable2,
    AirTempFuelComp,
    WaterTempFuelComp,
    BatteryVoltFuelComp,
    AirTempIgnitionComp,
    FuelTable,
    IgnitionTable,
    RpmIndexMax,
    LoadIndexMax,
    UcExtra0,
    UcExtra1,
    UcExtra2,
    UcExtra3,
    UcExtra4,
    UiExtra0,
    UiExtra1,
    UiExtra2,
    UiExtra3,
    UiExtra4,
    ChargeTimeTable,
};

inline constexpr int kFieldCount = static_cast<int>(FieldId::ChargeTimeTable) + 1;

// A scalar, one slot of a curve (index 1 = slot), or one cell of a table
// (index 1 = load, index 2 = rpm).
enum class FieldShape : uint8_t { Scalar, Curve, Table };

// The width of the field in the record; a value stored into it is held to
// what the width can carry.
enum class FieldWidth : uint8_t { UInt8, Int16, Int32 };

// How the value travels after the command byte and the ECU's first reply.
enum class WireForm : uint8_t {
    None,       // no command carries it
    Byte,       // one byte
    TwoByte,    // two bytes, high first
    Thousands,  // in units of 3000, at most 5 units on a single read
    NibbleHigh, // high nibble of a byte shared with the next row
    NibbleLow,  // low nibble of a byte shared with the row before
    Indexed,    // one byte of a curve, slot in index 1
    Cell,       // one byte of a table, load in index 1, rpm in index 2
};

// How a window turns the raw value into what it shows.
enum class Conversion : uint8_t {
    Plain,       // shown as stored
    Scale,       // shown = raw x scale
    MapPsi,      // psi of the fitted MAP sensor
    TempDegrees, // degrees F of the temperature sensors
};

// Which data file versions carry a scalar line (bit mask).
inline constexpr unsigned kInFile107 = 1u;
inline constexpr unsigned kInFile108 = 2u;
inline constexpr unsigned kInFile252 = 4u;
inline constexpr unsigned kInAllFiles = kInFile107 | kInFile108 | kInFile252;

struct FieldDisplay {
    Conversion conversion = Conversion::Plain;
    double scale = 1.0;
    // Entry limits in shown units; equal limits mean the wire range holds.
    double min = 0.0;
    double max = 0.0;
    const char* pattern = "";
    const char* unit = "";

    bool hasLimits() const { return min != max; }
};

struct FieldRow {
    FieldId id;
    const char* name; // as in the record
    FieldShape shape;
    FieldWidth width;
    int64_t (*get)(const EcuSettings&, int index1, int index2);
    void (*set)(EcuSettings&, int index1, int index2, int64_t value);
    uint8_t readCode;  // 0: none
    uint8_t writeCode; // 0: none
    WireForm wire;
    const char* fileLabel; // the scalar line's label without padding; null: none
    unsigned fileVersions;
    int blockPosition; // 1-based in the other-settings block (slot 0 of a curve); 0: none
    FieldDisplay display;
};

// Every row, in FieldId order.
std::span<const FieldRow> fieldTable();
const FieldRow& fieldRow(FieldId id);

// The row that a read or write code belongs to; both rows of a nibble pair
// answer to the same codes, and the high-nibble row is returned.
const FieldRow* fieldRowForCode(int code);

// The two halves of a nibble pair, high first, from either of them.
struct NibblePair {
    const FieldRow* high;
    const FieldRow* low;
};
NibblePair nibblePair(const FieldRow& row);

// Slots of a curve and cells of a table that travel to the ECU.
inline constexpr int kCurveSlotsSent = EcuSettings::kCurveSent;
// Whether the indexes name a slot of the field's array (curves 0..17, tables
// 0..16 by 0..16; scalars ignore them).
bool fieldIndexesValid(const FieldRow& row, int index1, int index2);

// The value a write command sends for the field as the record holds it, and
// whether its wire form can carry it: 0..255 for one byte, 0..65535 for two,
// 0..15 for each half of a nibble pair.
struct WireValue {
    int64_t value = 0;
    bool valid = false;
};
WireValue encodeForWire(const FieldRow& row, const EcuSettings& settings, int index1, int index2);

// Stores a value as a single read command delivers it (thousands capped at 5
// units, nibble pairs split) into the record.
void decodeFromWire(const FieldRow& row, EcuSettings& settings, int value, int index1, int index2);

// The shown value of a raw count, and the raw count of a shown value: limited
// to the entry limits first, converted back and rounded half to even.
double shownValue(const FieldRow& row, const EcuSettings& settings, int64_t raw);
int64_t rawValue(const FieldRow& row, const EcuSettings& settings, double shown);
