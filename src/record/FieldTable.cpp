// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/FieldTable.h"

#include "record/Limits.h"
#include "record/Rounding.h"
#include "record/SensorConversions.h"

#include <algorithm>
#include <array>
#include <limits>
#include <type_traits>

namespace {

using S = EcuSettings;
using Shape = FieldShape;
using W = WireForm;

template <typename T> void hold(T& target, int64_t value) {
    constexpr int64_t lo = std::numeric_limits<T>::min();
    constexpr int64_t hi = std::numeric_limits<T>::max();
    target = static_cast<T>(std::clamp(value, lo, hi));
}

template <typename T> constexpr FieldWidth widthOf() {
    if constexpr (std::is_same_v<T, uint8_t>) {
        return FieldWidth::UInt8;
    } else if constexpr (std::is_same_v<T, int16_t>) {
        return FieldWidth::Int16;
    } else {
        static_assert(std::is_same_v<T, int32_t>, "record fields are bytes, 16 or 32 bits");
        return FieldWidth::Int32;
    }
}

// Where a row's value lives: a scalar, a slot of an array, a curve slot or a
// table cell.
template <auto M> struct Scalar {
    static auto& at(S& s, int, int) { return s.*M; }
    static auto at(const S& s, int, int) { return s.*M; }
    static constexpr Shape shape = Shape::Scalar;
};
template <auto M, int N> struct Slot {
    static auto& at(S& s, int, int) { return (s.*M)[N]; }
    static auto at(const S& s, int, int) { return (s.*M)[N]; }
    static constexpr Shape shape = Shape::Scalar;
};
template <auto M> struct CurveOf {
    static auto& at(S& s, int slot, int) { return (s.*M)[slot]; }
    static auto at(const S& s, int slot, int) { return (s.*M)[slot]; }
    static constexpr Shape shape = Shape::Curve;
};
template <int Input> struct AnalogTable {
    static auto& at(S& s, int row, int) { return s.UserInputAnalogTable[Input][row]; }
    static auto at(const S& s, int row, int) { return s.UserInputAnalogTable[Input][row]; }
    static constexpr Shape shape = Shape::Curve;
};
template <auto M> struct TableOf {
    static auto& at(S& s, int load, int rpm) { return (s.*M)[load][rpm]; }
    static auto at(const S& s, int load, int rpm) { return (s.*M)[load][rpm]; }
    static constexpr Shape shape = Shape::Table;
};

template <typename Place> int64_t getter(const S& s, int i1, int i2) {
    return Place::at(s, i1, i2);
}
template <typename Place> void setter(S& s, int i1, int i2, int64_t value) {
    hold(Place::at(s, i1, i2), value);
}

struct Wire {
    uint8_t read = 0;
    uint8_t write = 0;
    W form = W::None;
};
struct File {
    const char* label = nullptr;
    unsigned versions = 0;
};

template <typename Place>
constexpr FieldRow row(FieldId id, const char* name, Wire wire, File file, int block,
                       FieldDisplay display = {}) {
    using T = std::remove_cvref_t<decltype(Place::at(std::declval<S&>(), 0, 0))>;
    return {id,        name,       Place::shape, widthOf<T>(), &getter<Place>, &setter<Place>,
            wire.read, wire.write, wire.form,    file.label,   file.versions,  block,
            display};
}

constexpr File all(const char* label) {
    return {label, kInAllFiles};
}
constexpr File v252(const char* label) {
    return {label, kInFile252};
}
constexpr File none{};

using C = Conversion;
constexpr FieldDisplay rpm(double min, double max) {
    return {C::Plain, 1.0, min, max, "", "rpm"};
}
constexpr FieldDisplay percent(double scale, double min, double max) {
    return {C::Scale, scale, min, max, " #0", "%"};
}
// A whole number after a blank, as the compensation boxes show theirs.
constexpr FieldDisplay blank(FieldDisplay display) {
    display.pattern = " #0";
    return display;
}
constexpr FieldDisplay plain(double min, double max, const char* unit = "") {
    return {C::Plain, 1.0, min, max, "", unit};
}
// A whole number shown with a pattern.
constexpr FieldDisplay whole(double min, double max, const char* pattern, const char* unit = "") {
    return {C::Plain, 1.0, min, max, pattern, unit};
}
constexpr FieldDisplay kTpsVolts{C::Scale, 5.0 / 255.0, 0.0, 5.0, "###,##0.00", "V"};
constexpr FieldDisplay kMapPsi{C::MapPsi, 1.0, 0.0, 0.0, " #0.0", "psi"};
constexpr FieldDisplay kEgoGain{C::Scale, 0.1, 0.0, 25.0, " ####0.0", ""};

using F = FieldId;

// clang-format off
constexpr std::array<FieldRow, kFieldCount> kRows{
    row<Scalar<&S::NumberOfCylinders>>(F::NumberOfCylinders, "NumberOfCylinders", {62, 190, W::Byte}, all("Number Of Cylinders"), 2),
    row<Scalar<&S::MaxRpm>>(F::MaxRpm, "MaxRpm", {63, 191, W::Thousands}, all("Max Rpm"), 7, rpm(3000, 15000)),
    row<Scalar<&S::AirTempSensorType>>(F::AirTempSensorType, "AirTempSensorType", {55, 183, W::Byte}, all("Air TempSensor Type"), 13),
    row<Scalar<&S::WaterTempSensorType>>(F::WaterTempSensorType, "WaterTempSensorType", {56, 184, W::Byte}, all("Water Temp Sensor Type"), 14),
    row<Scalar<&S::TpsSensorType>>(F::TpsSensorType, "TpsSensorType", {57, 185, W::Byte}, all("Tps Sensor Type"), 18),
    row<Scalar<&S::MapSensorType>>(F::MapSensorType, "MapSensorType", {54, 182, W::Byte}, all("Map Sensor Type"), 15),
    row<Scalar<&S::RevLimit>>(F::RevLimit, "RevLimit", {66, 194, W::TwoByte}, all("Rev Limit"), 8, rpm(1000, 16500)),
    row<Scalar<&S::InjectionLoadIndex>>(F::InjectionLoadIndex, "InjectionLoadIndex", {68, 196, W::Byte}, all("Injection Load Index"), 3, plain(0, 16)),
    row<Scalar<&S::InjectionRpmIndex>>(F::InjectionRpmIndex, "InjectionRpmIndex", {69, 197, W::Byte}, all("Injection Rpm Index"), 4, plain(0, 16)),
    row<Scalar<&S::AccelMinTps>>(F::AccelMinTps, "AccelMinTps", {108, 236, W::Byte}, all("Accel Min Tps"), 60, blank(plain(0, 100, "%"))),
    row<Scalar<&S::AccelMinTpsRate>>(F::AccelMinTpsRate, "AccelMinTpsRate", {107, 235, W::Byte}, all("Accel Min Tps Rate"), 59, {C::Scale, 50.0, 50.0, 2000.0, " #0", "%/s"}),
    row<Scalar<&S::AccelPercent>>(F::AccelPercent, "AccelPercent", {104, 232, W::Byte}, all("Accel Percent"), 55, percent(2.0, 100, 500)),
    row<Scalar<&S::AccelDuration>>(F::AccelDuration, "AccelDuration", {105, 233, W::Byte}, all("Accel Duration"), 56, {C::Scale, 0.01, 0.0, 2.5, " 0.00", "s"}),
    row<Scalar<&S::AccelRpm>>(F::AccelRpm, "AccelRpm", {106, 234, W::TwoByte}, all("Accel Rpm"), 57, blank(rpm(0, 21000))),
    row<Scalar<&S::DecelMinTps>>(F::DecelMinTps, "DecelMinTps", {111, 239, W::Byte}, all("Decel Min Tps"), 63, blank(plain(0, 100, "%"))),
    row<Scalar<&S::DecelMaxRpm>>(F::DecelMaxRpm, "DecelMaxRpm", {110, 238, W::TwoByte}, all("Decel Max Rpm"), 61, blank(rpm(0, 21000))),
    row<Scalar<&S::DecelCutRpm>>(F::DecelCutRpm, "DecelCutRpm", {117, 245, W::Byte}, v252("Decel Cut Rpm"), 64, {C::Scale, 10.0, 0.0, 2500.0, " ###0", "rpm"}),
    row<Slot<&S::CrankPercent, 0>>(F::CrankPercent0, "CrankPercent(0)", {92, 220, W::Byte}, v252("Crank Percent   0 Deg"), 47, percent(2.0, 100, 500)),
    row<Slot<&S::CrankPercent, 1>>(F::CrankPercent1, "CrankPercent(1)", {93, 221, W::Byte}, v252("Crank Percent  80 Deg"), 48, percent(2.0, 100, 500)),
    row<Slot<&S::CrankPercent, 2>>(F::CrankPercent2, "CrankPercent(2)", {94, 222, W::Byte}, v252("Crank Percent 160 Deg"), 49, percent(2.0, 100, 500)),
    row<Slot<&S::CrankPercent, 3>>(F::CrankPercent3, "CrankPercent(3)", {100, 228, W::Byte}, v252("Crank Percent 240 Deg"), 50, percent(2.0, 100, 500)),
    row<Scalar<&S::CrankDuration>>(F::CrankDuration, "CrankDuration", {102, 230, W::Byte}, all("Crank Duration"), 51, {C::Scale, 4.0, 0.0, 1000.0, " #0", "revs"}),
    row<Scalar<&S::CrankRpm>>(F::CrankRpm, "CrankRpm", {101, 229, W::TwoByte}, all("Crank Rpm"), 52, blank(rpm(0, 21000))),
    row<Scalar<&S::CrankPrimePulse>>(F::CrankPrimePulse, "CrankPrimePulse", {103, 231, W::Byte}, v252("Crank Prime Pulse"), 54, {C::Scale, 0.2, 0.0, 50.0, " #0.0", "ms"}),
    row<Slot<&S::BankCompensation, 2>>(F::BankCompensation2, "BankCompensation(2)", {18, 146, W::Byte}, all("Bank 2 Compensation"), 203, blank(plain(75, 125, "%"))),
    row<Slot<&S::BankCompensation, 3>>(F::BankCompensation3, "BankCompensation(3)", {19, 147, W::Byte}, all("Bank 3 Compensation"), 204, blank(plain(75, 125, "%"))),
    row<Slot<&S::BankCompensation, 4>>(F::BankCompensation4, "BankCompensation(4)", {20, 148, W::Byte}, all("Bank 4 Compensation"), 205, blank(plain(75, 125, "%"))),
    row<Scalar<&S::LoadControl>>(F::LoadControl, "LoadControl", {64, 192, W::Byte}, all("Load Control"), 6),
    row<Scalar<&S::MinOpenTime>>(F::MinOpenTime, "MinOpenTime", {65, 193, W::Byte}, all("Min Open Time"), 5, {C::Scale, 0.0625, 0.25, 15.9375, "#0.0000", "ms"}),
    row<Scalar<&S::IgnitionType>>(F::IgnitionType, "IgnitionType", {67, 195, W::Byte}, all("Ignition Type"), 12),
    row<Scalar<&S::TpsMaxBits>>(F::TpsMaxBits, "TpsMaxBits", {59, 187, W::Byte}, all("Tps Max Bits"), 19, kTpsVolts),
    row<Scalar<&S::TpsMinBits>>(F::TpsMinBits, "TpsMinBits", {58, 186, W::Byte}, all("Tps Min Bits"), 20, kTpsVolts),
    row<Scalar<&S::MapMaxBits>>(F::MapMaxBits, "MapMaxBits", {60, 188, W::Byte}, v252("MAP Max Bits"), 16, kMapPsi),
    row<Scalar<&S::MapMinBits>>(F::MapMinBits, "MapMinBits", {61, 189, W::Byte}, v252("MAP Min Bits"), 17, kMapPsi),
    row<Scalar<&S::ChargeTime>>(F::ChargeTime, "ChargeTime", {99, 227, W::Byte}, all("Charge Time"), 65, {C::Scale, 0.1, 3.0, 10.0, "##0.0", "ms"}),
    row<Scalar<&S::EgoControl>>(F::EgoControl, "EgoControl", {8, 136, W::Byte}, all("EGO Control"), 27),
    row<Scalar<&S::EgoGainI>>(F::EgoGainI, "EgoGainI", {4, 132, W::Byte}, all("EGO Gain I"), 24, kEgoGain),
    row<Scalar<&S::EgoGainP>>(F::EgoGainP, "EgoGainP", {3, 131, W::Byte}, all("EGO Gain P"), 23, kEgoGain),
    row<Scalar<&S::EgoUpdateRevs>>(F::EgoUpdateRevs, "EgoUpdateRevs", {6, 134, W::Byte}, all("EGO Update Revs"), 25, {C::Plain, 1.0, 0.0, 255.0, " ##0", "revs"}),
    row<Scalar<&S::EgoMinCoolantTemp>>(F::EgoMinCoolantTemp, "EgoMinCoolantTemp", {7, 135, W::Byte}, all("EGO Min Coolant Temp"), 26, {C::TempDegrees, 1.0, -50.0, 300.0, " ##0", "\u00b0F"}),
    row<Scalar<&S::EgoMaxLoad>>(F::EgoMaxLoad, "EgoMaxLoad", {2, 130, W::NibbleHigh}, all("EGO Max Load"), 22, plain(0, 15)),
    row<Scalar<&S::EgoMinLoad>>(F::EgoMinLoad, "EgoMinLoad", {2, 130, W::NibbleLow}, all("EGO Min Load"), 22, plain(0, 15)),
    row<Scalar<&S::EgoMaxRpm>>(F::EgoMaxRpm, "EgoMaxRpm", {1, 129, W::NibbleHigh}, all("EGO Max Rpm"), 21, plain(0, 15)),
    row<Scalar<&S::EgoMinRpm>>(F::EgoMinRpm, "EgoMinRpm", {1, 129, W::NibbleLow}, all("EGO Min Rpm"), 21, plain(0, 15)),
    row<Scalar<&S::WheelType>>(F::WheelType, "WheelType", {21, 149, W::Byte}, {"Wheel Type", kInFile108 | kInFile252}, 28),
    row<Scalar<&S::LaunchControlRpm>>(F::LaunchControlRpm, "LaunchControlRpm", {109, 237, W::TwoByte}, v252("Launch Control Rpm"), 10, rpm(1000, 15000)),
    row<Scalar<&S::IacType>>(F::IacType, "IacType", {0, 150, W::Byte}, v252("IAC Type"), 81),
    row<Scalar<&S::IacColdRpm>>(F::IacColdRpm, "IacColdRpm", {0, 151, W::TwoByte}, v252("IAC Cold RPM"), 75, whole(0, 15000, " ####0", "rpm")),
    row<Scalar<&S::IacColdPosition>>(F::IacColdPosition, "IacColdPosition", {0, 153, W::Byte}, v252("IAC Cold position"), 79, whole(0, 255, " ####0")),
    row<Scalar<&S::IacHotRpm>>(F::IacHotRpm, "IacHotRpm", {0, 152, W::TwoByte}, v252("IAC Hot RPM"), 77, whole(0, 15000, " ####0", "rpm")),
    row<Scalar<&S::IacHotPosition>>(F::IacHotPosition, "IacHotPosition", {0, 154, W::Byte}, v252("IAC Hot position"), 80, whole(0, 255, " ####0")),
    row<Scalar<&S::IacTemp>>(F::IacTemp, "IacTemp", {0, 155, W::Byte}, v252("IAC Temp"), 82, whole(0, 250, " ####0", "\u00b0F")),
    row<Scalar<&S::IacTravel>>(F::IacTravel, "IacTravel", {0, 156, W::Byte}, v252("IAC Travel"), 83, whole(0, 255, " ####0")),
    row<Scalar<&S::InjectorCloseAngle>>(F::InjectorCloseAngle, "InjectorCloseAngle", {}, none, 0),
    row<Slot<&S::UserOutputType, 0>>(F::UserOutputType0, "UserOutputType(0)", {70, 198, W::Byte}, none, 29),
    row<Slot<&S::UserOutputType, 1>>(F::UserOutputType1, "UserOutputType(1)", {73, 201, W::Byte}, none, 32),
    row<Slot<&S::UserOutputType, 2>>(F::UserOutputType2, "UserOutputType(2)", {76, 204, W::Byte}, none, 35),
    row<Slot<&S::UserOutputType, 3>>(F::UserOutputType3, "UserOutputType(3)", {79, 207, W::Byte}, none, 38),
    row<Slot<&S::UserOutputOn, 0>>(F::UserOutputOn0, "UserOutputOn(0)", {71, 199, W::Byte}, none, 30),
    row<Slot<&S::UserOutputOn, 1>>(F::UserOutputOn1, "UserOutputOn(1)", {74, 202, W::Byte}, none, 33),
    row<Slot<&S::UserOutputOn, 2>>(F::UserOutputOn2, "UserOutputOn(2)", {77, 205, W::Byte}, none, 36),
    row<Slot<&S::UserOutputOn, 3>>(F::UserOutputOn3, "UserOutputOn(3)", {80, 208, W::Byte}, none, 39),
    row<Slot<&S::UserOutputOff, 0>>(F::UserOutputOff0, "UserOutputOff(0)", {72, 200, W::Byte}, none, 31),
    row<Slot<&S::UserOutputOff, 1>>(F::UserOutputOff1, "UserOutputOff(1)", {75, 203, W::Byte}, none, 34),
    row<Slot<&S::UserOutputOff, 2>>(F::UserOutputOff2, "UserOutputOff(2)", {78, 206, W::Byte}, none, 37),
    row<Slot<&S::UserOutputOff, 3>>(F::UserOutputOff3, "UserOutputOff(3)", {81, 209, W::Byte}, none, 40),
    row<Slot<&S::UserInputAnalogMode, 0>>(F::UserInputAnalogMode0, "UserInputAnalogMode(0)", {86, 214, W::Byte}, none, 41),
    row<Slot<&S::UserInputAnalogMode, 1>>(F::UserInputAnalogMode1, "UserInputAnalogMode(1)", {87, 215, W::Byte}, none, 42),
    row<Slot<&S::UserInputAnalogMode, 2>>(F::UserInputAnalogMode2, "UserInputAnalogMode(2)", {88, 216, W::Byte}, none, 43),
    row<Slot<&S::UserInputDigitalMode, 0>>(F::UserInputDigitalMode0, "UserInputDigitalMode(0)", {82, 210, W::Byte}, none, 44),
    row<Slot<&S::UserInputDigitalMode, 1>>(F::UserInputDigitalMode1, "UserInputDigitalMode(1)", {83, 211, W::Byte}, none, 45),
    row<Slot<&S::UserInputDigitalMode, 2>>(F::UserInputDigitalMode2, "UserInputDigitalMode(2)", {84, 212, W::Byte}, none, 46),
    row<AnalogTable<0>>(F::UserInputAnalogTable0, "UserInputAnalogTable(0)", {89, 217, W::Indexed}, none, 84),
    row<AnalogTable<1>>(F::UserInputAnalogTable1, "UserInputAnalogTable(1)", {90, 218, W::Indexed}, none, 101),
    row<AnalogTable<2>>(F::UserInputAnalogTable2, "UserInputAnalogTable(2)", {91, 219, W::Indexed}, none, 118),
    row<CurveOf<&S::AirTempFuelComp>>(F::AirTempFuelComp, "AirTempFuelComp", {96, 224, W::Indexed}, none, 152),
    row<CurveOf<&S::WaterTempFuelComp>>(F::WaterTempFuelComp, "WaterTempFuelComp", {97, 225, W::Indexed}, none, 169),
    row<CurveOf<&S::BatteryVoltFuelComp>>(F::BatteryVoltFuelComp, "BatteryVoltFuelComp", {98, 226, W::Indexed}, none, 186),
    row<CurveOf<&S::AirTempIgnitionComp>>(F::AirTempIgnitionComp, "AirTempIgnitionComp", {95, 223, W::Indexed}, none, 135),
    row<TableOf<&S::FuelTable>>(F::FuelTable, "FuelTable", {112, 240, W::Cell}, none, 0),
    row<TableOf<&S::IgnitionTable>>(F::IgnitionTable, "IgnitionTable", {113, 241, W::Cell}, none, 0),
    row<Scalar<&S::RpmIndexMax>>(F::RpmIndexMax, "RpmIndexMax", {}, none, 0),
    row<Scalar<&S::LoadIndexMax>>(F::LoadIndexMax, "LoadIndexMax", {}, none, 0),
    row<Slot<&S::UC_Extra, 0>>(F::UcExtra0, "UC_Extra(0)", {114, 242, W::Byte}, none, 66, whole(0, 255, "#####0")),
    row<Slot<&S::UC_Extra, 1>>(F::UcExtra1, "UC_Extra(1)", {115, 243, W::Byte}, none, 67, whole(0, 255, "#####0")),
    row<Slot<&S::UC_Extra, 2>>(F::UcExtra2, "UC_Extra(2)", {116, 244, W::Byte}, none, 68, whole(0, 255, "#####0")),
    row<Slot<&S::UC_Extra, 3>>(F::UcExtra3, "UC_Extra(3)", {}, none, 0, whole(0, 255, "#####0")),
    row<Slot<&S::UC_Extra, 4>>(F::UcExtra4, "UC_Extra(4)", {}, none, 0, whole(0, 255, "#####0")),
    row<Slot<&S::UI_Extra, 0>>(F::UiExtra0, "UI_Extra(0)", {119, 247, W::TwoByte}, none, 69, whole(0, 65535, "#####0")),
    row<Slot<&S::UI_Extra, 1>>(F::UiExtra1, "UI_Extra(1)", {120, 248, W::TwoByte}, none, 71, whole(0, 65535, "#####0")),
    row<Slot<&S::UI_Extra, 2>>(F::UiExtra2, "UI_Extra(2)", {121, 249, W::TwoByte}, none, 73, whole(0, 65535, "#####0")),
    row<Slot<&S::UI_Extra, 3>>(F::UiExtra3, "UI_Extra(3)", {}, none, 0, whole(0, 65535, "#####0")),
    row<Slot<&S::UI_Extra, 4>>(F::UiExtra4, "UI_Extra(4)", {}, none, 0, whole(0, 65535, "#####0")),
    row<CurveOf<&S::ChargeTimeTable>>(F::ChargeTimeTable, "ChargeTimeTable", {}, none, 0),
};
// clang-format on

constexpr bool rowsInIdOrder() {
    for (size_t i = 0; i < kRows.size(); ++i) {
        if (static_cast<size_t>(kRows[i].id) != i) {
            return false;
        }
    }
    return true;
}
static_assert(rowsInIdOrder(), "field rows must follow FieldId order");

// Code -> row; built once from the rows above.
struct CodeIndex {
    std::array<const FieldRow*, 256> rows{};

    CodeIndex() {
        for (const FieldRow& r : kRows) {
            for (uint8_t code : {r.readCode, r.writeCode}) {
                if (code != 0 && rows[code] == nullptr) {
                    rows[code] = &r;
                }
            }
        }
    }
};

int64_t wireMaximum(WireForm form) {
    switch (form) {
    case W::TwoByte:
        return 65535;
    case W::NibbleHigh:
    case W::NibbleLow:
        return 15;
    default:
        return 255;
    }
}

} // namespace

std::span<const FieldRow> fieldTable() {
    return kRows;
}

const FieldRow& fieldRow(FieldId id) {
    return kRows[static_cast<size_t>(id)];
}

const FieldRow* fieldRowForCode(int code) {
    static const CodeIndex index;
    if (code < 0 || code > 255) {
        return nullptr;
    }
    return index.rows[static_cast<size_t>(code)];
}

NibblePair nibblePair(const FieldRow& row) {
    const auto i = static_cast<size_t>(row.id);
    if (row.wire == W::NibbleHigh) {
        return {&row, &kRows[i + 1]};
    }
    if (row.wire == W::NibbleLow) {
        return {&kRows[i - 1], &row};
    }
    return {&row, nullptr};
}

bool fieldIndexesValid(const FieldRow& row, int index1, int index2) {
    switch (row.shape) {
    case Shape::Curve:
        return index1 >= 0 && index1 < EcuSettings::kCurveSlots &&
               (row.id != F::ChargeTimeTable || index1 < 17);
    case Shape::Table:
        return index1 >= 0 && index1 < EcuSettings::kTableSize && index2 >= 0 &&
               index2 < EcuSettings::kTableSize;
    case Shape::Scalar:
        break;
    }
    return true;
}

WireValue encodeForWire(const FieldRow& row, const EcuSettings& settings, int index1, int index2) {
    switch (row.wire) {
    case W::Thousands: {
        const int64_t v = truncDiv(row.get(settings, index1, index2), 3000);
        return {v, v >= 0 && v <= 255};
    }
    case W::NibbleHigh:
    case W::NibbleLow: {
        const NibblePair pair = nibblePair(row);
        const int64_t high = pair.high->get(settings, 0, 0);
        const int64_t low = pair.low->get(settings, 0, 0);
        return {high * 16 + low, high >= 0 && high <= 15 && low >= 0 && low <= 15};
    }
    default: {
        const int64_t v = row.get(settings, index1, index2);
        return {v, v >= 0 && v <= wireMaximum(row.wire)};
    }
    }
}

void decodeFromWire(const FieldRow& row, EcuSettings& settings, int value, int index1, int index2) {
    switch (row.wire) {
    case W::Thousands:
        row.set(settings, index1, index2, int64_t{std::min(value, 5)} * 3000);
        break;
    case W::NibbleHigh:
    case W::NibbleLow: {
        const NibblePair pair = nibblePair(row);
        const int high = value / 16;
        pair.high->set(settings, 0, 0, high);
        pair.low->set(settings, 0, 0, value - high * 16);
        break;
    }
    default:
        row.set(settings, index1, index2, value);
        break;
    }
}

double shownValue(const FieldRow& row, const EcuSettings& settings, int64_t raw) {
    const FieldDisplay& d = row.display;
    switch (d.conversion) {
    case C::Scale:
        return static_cast<double>(raw) * d.scale;
    case C::MapPsi:
        return mapCountsToPsi(settings.MapSensorType, static_cast<int>(raw & 0xFF));
    case C::TempDegrees:
        return tempCountsToDegrees(static_cast<int>(raw & 0xFF));
    case C::Plain:
        break;
    }
    return static_cast<double>(raw);
}

int64_t rawValue(const FieldRow& row, const EcuSettings& settings, double shown) {
    const FieldDisplay& d = row.display;
    const double limited = d.hasLimits()
                               ? checkMaxMin(static_cast<float>(d.min), static_cast<float>(d.max),
                                             static_cast<float>(shown))
                               : shown;
    switch (d.conversion) {
    case C::Scale:
        return roundHalfEven(limited / d.scale);
    case C::MapPsi:
        return psiToMapCounts(settings.MapSensorType, static_cast<float>(limited));
    case C::TempDegrees:
        return degreesToTempCounts(static_cast<float>(limited));
    case C::Plain:
        break;
    }
    return roundHalfEven(limited);
}
