#include "comm/CommandTable.h"

#include "record/Rounding.h"

#include <algorithm>
#include <array>
#include <limits>

namespace {

template <auto Member> FieldRef setting(AppState& s, int, int) {
    return &(s.settings.*Member);
}

template <auto Member, int Slot> FieldRef settingSlot(AppState& s, int, int) {
    return &(s.settings.*Member)[Slot];
}

template <auto Member> FieldRef curve(AppState& s, int slot, int) {
    return &(s.settings.*Member)[slot];
}

template <int Input> FieldRef analogInputRow(AppState& s, int row, int) {
    return &s.settings.UserInputAnalogTable[Input][row];
}

template <auto Member> FieldRef cell(AppState& s, int load, int rpm) {
    return &(s.settings.*Member)[load][rpm];
}

template <auto Member> FieldRef engine(AppState& s, int, int) {
    return &(s.engine.*Member);
}

template <int Input> FieldRef userChannel(AppState& s, int, int) {
    return &s.engine.UserChannel[Input];
}

template <auto Member> FieldRef identity(AppState& s, int, int) {
    return &(s.identity.*Member);
}

using W = WireForm;
using S = EcuSettings;

constexpr CommandRow kRows[] = {
    {1, 129, W::NibblePair, setting<&S::EgoMaxRpm>, setting<&S::EgoMinRpm>},
    {2, 130, W::NibblePair, setting<&S::EgoMaxLoad>, setting<&S::EgoMinLoad>},
    {3, 131, W::Byte, setting<&S::EgoGainP>},
    {4, 132, W::Byte, setting<&S::EgoGainI>},
    {6, 134, W::Byte, setting<&S::EgoUpdateRevs>},
    {7, 135, W::Byte, setting<&S::EgoMinCoolantTemp>},
    {8, 136, W::Byte, setting<&S::EgoControl>},
    {9, 0, W::None},
    {17, 0, W::OutputTest},
    {18, 146, W::Byte, settingSlot<&S::BankCompensation, 2>},
    {19, 147, W::Byte, settingSlot<&S::BankCompensation, 3>},
    {20, 148, W::Byte, settingSlot<&S::BankCompensation, 4>},
    {21, 149, W::Byte, setting<&S::WheelType>},
    {29, 0, W::Byte, identity<&EcuIdentity::BuildNumber>},
    {34, 0, W::Byte, identity<&EcuIdentity::VersionMajor>},
    {35, 0, W::Byte, identity<&EcuIdentity::VersionMinor>},
    {36, 0, W::Store},
    {37, 0, W::TwoByte, engine<&EngineData::PeriodChannel>},
    {38, 0, W::TwoByte, engine<&EngineData::InjectorChannel>},
    {39, 0, W::Byte, engine<&EngineData::AdvanceChannel>},
    {40, 0, W::Byte, engine<&EngineData::MapChannel>},
    {41, 0, W::Byte, engine<&EngineData::TpsChannel>},
    {43, 0, W::Byte, engine<&EngineData::WaterChannel>},
    {44, 0, W::Byte, engine<&EngineData::AirChannel>},
    {45, 0, W::Byte, engine<&EngineData::BatteryChannel>},
    {46, 0, W::Byte, userChannel<0>},
    {47, 0, W::Byte, userChannel<1>},
    {48, 0, W::Byte, userChannel<2>},
    {49, 0, W::Byte, engine<&EngineData::EngineStatus2>},
    {50, 0, W::Byte, engine<&EngineData::EngineStatus1>},
    {51, 0, W::Byte, engine<&EngineData::EngineStatus3>},
    {52, 0, W::Byte, engine<&EngineData::EngineStatus4>},
    {53, 0, W::None},
    {0, 150, W::Byte, setting<&S::IacType>},
    {0, 151, W::TwoByte, setting<&S::IacColdRpm>},
    {0, 152, W::TwoByte, setting<&S::IacHotRpm>},
    {0, 153, W::Byte, setting<&S::IacColdPosition>},
    {0, 154, W::Byte, setting<&S::IacHotPosition>},
    {0, 155, W::Byte, setting<&S::IacTemp>},
    {0, 156, W::Byte, setting<&S::IacTravel>},
    {54, 182, W::Byte, setting<&S::MapSensorType>},
    {55, 183, W::Byte, setting<&S::AirTempSensorType>},
    {56, 184, W::Byte, setting<&S::WaterTempSensorType>},
    {57, 185, W::Byte, setting<&S::TpsSensorType>},
    {58, 186, W::Byte, setting<&S::TpsMinBits>},
    {59, 187, W::Byte, setting<&S::TpsMaxBits>},
    {60, 188, W::Byte, setting<&S::MapMaxBits>},
    {61, 189, W::Byte, setting<&S::MapMinBits>},
    {62, 190, W::Byte, setting<&S::NumberOfCylinders>},
    {63, 191, W::Thousands, setting<&S::MaxRpm>},
    {64, 192, W::Byte, setting<&S::LoadControl>},
    {65, 193, W::Byte, setting<&S::MinOpenTime>},
    {66, 194, W::TwoByte, setting<&S::RevLimit>},
    {67, 195, W::Byte, setting<&S::IgnitionType>},
    {68, 196, W::Byte, setting<&S::InjectionLoadIndex>},
    {69, 197, W::Byte, setting<&S::InjectionRpmIndex>},
    {70, 198, W::Byte, settingSlot<&S::UserOutputType, 0>},
    {71, 199, W::Byte, settingSlot<&S::UserOutputOn, 0>},
    {72, 200, W::Byte, settingSlot<&S::UserOutputOff, 0>},
    {73, 201, W::Byte, settingSlot<&S::UserOutputType, 1>},
    {74, 202, W::Byte, settingSlot<&S::UserOutputOn, 1>},
    {75, 203, W::Byte, settingSlot<&S::UserOutputOff, 1>},
    {76, 204, W::Byte, settingSlot<&S::UserOutputType, 2>},
    {77, 205, W::Byte, settingSlot<&S::UserOutputOn, 2>},
    {78, 206, W::Byte, settingSlot<&S::UserOutputOff, 2>},
    {79, 207, W::Byte, settingSlot<&S::UserOutputType, 3>},
    {80, 208, W::Byte, settingSlot<&S::UserOutputOn, 3>},
    {81, 209, W::Byte, settingSlot<&S::UserOutputOff, 3>},
    {82, 210, W::Byte, settingSlot<&S::UserInputDigitalMode, 0>},
    {83, 211, W::Byte, settingSlot<&S::UserInputDigitalMode, 1>},
    {84, 212, W::Byte, settingSlot<&S::UserInputDigitalMode, 2>},
    {86, 214, W::Byte, settingSlot<&S::UserInputAnalogMode, 0>},
    {87, 215, W::Byte, settingSlot<&S::UserInputAnalogMode, 1>},
    {88, 216, W::Byte, settingSlot<&S::UserInputAnalogMode, 2>},
    {89, 217, W::Indexed, analogInputRow<0>},
    {90, 218, W::Indexed, analogInputRow<1>},
    {91, 219, W::Indexed, analogInputRow<2>},
    {92, 220, W::Byte, settingSlot<&S::CrankPercent, 0>},
    {93, 221, W::Byte, settingSlot<&S::CrankPercent, 1>},
    {94, 222, W::Byte, settingSlot<&S::CrankPercent, 2>},
    {95, 223, W::Indexed, curve<&S::AirTempIgnitionComp>},
    {96, 224, W::Indexed, curve<&S::AirTempFuelComp>},
    {97, 225, W::Indexed, curve<&S::WaterTempFuelComp>},
    {98, 226, W::Indexed, curve<&S::BatteryVoltFuelComp>},
    {99, 227, W::Byte, setting<&S::ChargeTime>},
    {100, 228, W::Byte, settingSlot<&S::CrankPercent, 3>},
    {101, 229, W::TwoByte, setting<&S::CrankRpm>},
    {102, 230, W::Byte, setting<&S::CrankDuration>},
    {103, 231, W::Byte, setting<&S::CrankPrimePulse>},
    {104, 232, W::Byte, setting<&S::AccelPercent>},
    {105, 233, W::Byte, setting<&S::AccelDuration>},
    {106, 234, W::TwoByte, setting<&S::AccelRpm>},
    {107, 235, W::Byte, setting<&S::AccelMinTpsRate>},
    {108, 236, W::Byte, setting<&S::AccelMinTps>},
    {109, 237, W::TwoByte, setting<&S::LaunchControlRpm>},
    {110, 238, W::TwoByte, setting<&S::DecelMaxRpm>},
    {111, 239, W::Byte, setting<&S::DecelMinTps>},
    {112, 240, W::Cell, cell<&S::FuelTable>},
    {113, 241, W::Cell, cell<&S::IgnitionTable>},
    {114, 242, W::Byte, settingSlot<&S::UC_Extra, 0>},
    {115, 243, W::Byte, settingSlot<&S::UC_Extra, 1>},
    {116, 244, W::Byte, settingSlot<&S::UC_Extra, 2>},
    {117, 245, W::Byte, setting<&S::DecelCutRpm>},
    {119, 247, W::TwoByte, settingSlot<&S::UI_Extra, 0>},
    {120, 248, W::TwoByte, settingSlot<&S::UI_Extra, 1>},
    {121, 249, W::TwoByte, settingSlot<&S::UI_Extra, 2>},
    {124, 252, W::Byte, identity<&EcuIdentity::SerialByte1>},
    {125, 253, W::Byte, identity<&EcuIdentity::SerialByte2>},
    {126, 254, W::Byte, identity<&EcuIdentity::SerialByte3>},
    {127, 0, W::StopEngine},
};

// Code -> row, with the direction; built once from the rows above.
struct CodeIndex {
    std::array<std::optional<CommandEntry>, 256> entries{};

    CodeIndex() {
        for (const CommandRow& row : kRows) {
            if (row.readCode != 0) {
                entries[row.readCode] = CommandEntry{&row, false};
            }
            if (row.writeCode != 0) {
                entries[row.writeCode] = CommandEntry{&row, true};
            }
        }
    }
};

const CodeIndex& codeIndex() {
    static const CodeIndex index;
    return index;
}

constexpr int kLastCurveSlot = EcuSettings::kCurveSlots - 1;
constexpr int kLastTableIndex = EcuSettings::kTableSize - 1;

template <typename T> void setSaturated(T* target, int64_t value) {
    constexpr int64_t lo = std::numeric_limits<T>::min();
    constexpr int64_t hi = std::numeric_limits<T>::max();
    *target = static_cast<T>(std::clamp(value, lo, hi));
}

} // namespace

std::span<const CommandRow> commandTable() {
    return kRows;
}

std::optional<CommandEntry> findCommand(int code) {
    if (code < 0 || code > 255) {
        return std::nullopt;
    }
    return codeIndex().entries[static_cast<size_t>(code)];
}

bool indexesValid(const CommandRow& row, int index1, int index2) {
    switch (row.form) {
    case WireForm::Indexed:
        return index1 >= 0 && index1 <= kLastCurveSlot;
    case WireForm::Cell:
        return index1 >= 0 && index1 <= kLastTableIndex && index2 >= 0 && index2 <= kLastTableIndex;
    default:
        return true;
    }
}

int64_t fieldValue(const FieldRef& field) {
    return std::visit(
        [](const auto& p) -> int64_t {
            using P = std::remove_cvref_t<decltype(p)>;
            if constexpr (std::is_same_v<P, std::monostate>) {
                return 0;
            } else if constexpr (std::is_same_v<P, EngineChannel*>) {
                return p->raw16();
            } else {
                return *p;
            }
        },
        field);
}

void setField(const FieldRef& field, int64_t value) {
    std::visit(
        [value](const auto& p) {
            using P = std::remove_cvref_t<decltype(p)>;
            if constexpr (std::is_same_v<P, EngineChannel*>) {
                const int64_t v = std::clamp<int64_t>(value, 0, 65535);
                p->RawHigh = static_cast<uint8_t>(v / 256);
                p->RawLow = static_cast<uint8_t>(v % 256);
            } else if constexpr (!std::is_same_v<P, std::monostate>) {
                setSaturated(p, value);
            }
        },
        field);
}

EncodedValue encodeWrite(const CommandRow& row, AppState& state, int index1, int index2) {
    const FieldRef field = row.field(state, index1, index2);
    switch (row.form) {
    case WireForm::TwoByte: {
        const int64_t v = fieldValue(field);
        return {v, v >= 0 && v <= 65535};
    }
    case WireForm::Thousands: {
        const int64_t v = truncDiv(fieldValue(field), 3000);
        return {v, v >= 0 && v <= 255};
    }
    case WireForm::NibblePair: {
        const int64_t high = fieldValue(field);
        const int64_t low = fieldValue(row.lowNibble(state, index1, index2));
        const bool valid = high >= 0 && high <= 15 && low >= 0 && low <= 15;
        return {high * 16 + low, valid};
    }
    default: {
        const int64_t v = fieldValue(field);
        return {v, v >= 0 && v <= 255};
    }
    }
}

void storeRead(const CommandRow& row, AppState& state, int value, int index1, int index2) {
    if (row.field == nullptr) {
        return;
    }
    const FieldRef field = row.field(state, index1, index2);
    switch (row.form) {
    case WireForm::Thousands:
        setField(field, int64_t{std::min(value, 5)} * 3000);
        break;
    case WireForm::NibblePair: {
        const int high = value / 16;
        setField(field, high);
        setField(row.lowNibble(state, index1, index2), value - high * 16);
        break;
    }
    default:
        setField(field, value);
        break;
    }
}
