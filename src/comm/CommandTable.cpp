#include "comm/CommandTable.h"

namespace {

template <auto Member> void engineChannel(AppState& s, int value) {
    EngineChannel& channel = s.engine.*Member;
    channel.RawHigh = static_cast<uint8_t>(value / 256);
    channel.RawLow = static_cast<uint8_t>(value % 256);
}

template <int Input> void userChannel(AppState& s, int value) {
    s.engine.UserChannel[Input].RawHigh = 0;
    s.engine.UserChannel[Input].RawLow = static_cast<uint8_t>(value);
}

template <auto Member> void engineByte(AppState& s, int value) {
    s.engine.*Member = static_cast<uint8_t>(value);
}

template <auto Member> void identityByte(AppState& s, int value) {
    s.identity.*Member = static_cast<uint8_t>(value);
}

template <auto Member> int identitySource(const AppState& s) {
    return s.identity.*Member;
}

struct OtherCommand {
    uint8_t code;
    WireForm form;
    ValueTarget target;
    CommandAction action = CommandAction::Value;
    ValueSource source = nullptr; // the value the ECU holds
    bool writable = false;        // also written, by code + 128
};

using W = WireForm;
using E = EngineData;
using A = CommandAction;

// The read-only commands that are not settings fields.
constexpr OtherCommand kOther[] = {
    {9, W::Byte, nullptr},
    {17, W::None, nullptr, A::OutputTest},
    {29, W::Byte, identityByte<&EcuIdentity::BuildNumber>, A::Value,
     identitySource<&EcuIdentity::BuildNumber>},
    {34, W::Byte, identityByte<&EcuIdentity::VersionMajor>, A::Value,
     identitySource<&EcuIdentity::VersionMajor>},
    {35, W::Byte, identityByte<&EcuIdentity::VersionMinor>, A::Value,
     identitySource<&EcuIdentity::VersionMinor>},
    {36, W::None, nullptr, A::Store},
    {37, W::TwoByte, engineChannel<&E::PeriodChannel>},
    {38, W::TwoByte, engineChannel<&E::InjectorChannel>},
    {39, W::Byte, engineChannel<&E::AdvanceChannel>},
    {40, W::Byte, engineChannel<&E::MapChannel>},
    {41, W::Byte, engineChannel<&E::TpsChannel>},
    {43, W::Byte, engineChannel<&E::WaterChannel>},
    {44, W::Byte, engineChannel<&E::AirChannel>},
    {45, W::Byte, engineChannel<&E::BatteryChannel>},
    {46, W::Byte, userChannel<0>},
    {47, W::Byte, userChannel<1>},
    {48, W::Byte, userChannel<2>},
    {49, W::Byte, engineByte<&E::EngineStatus2>},
    {50, W::Byte, engineByte<&E::EngineStatus1>},
    {51, W::Byte, engineByte<&E::EngineStatus3>},
    {52, W::Byte, engineByte<&E::EngineStatus4>},
    {53, W::Byte, nullptr},
    {124, W::Byte, identityByte<&EcuIdentity::SerialByte1>, A::Value,
     identitySource<&EcuIdentity::SerialByte1>, true},
    {125, W::Byte, identityByte<&EcuIdentity::SerialByte2>, A::Value,
     identitySource<&EcuIdentity::SerialByte2>, true},
    {126, W::Byte, identityByte<&EcuIdentity::SerialByte3>, A::Value,
     identitySource<&EcuIdentity::SerialByte3>, true},
    {127, W::None, nullptr, A::StopEngine},
};

std::optional<CommandEntry> otherCommand(int code) {
    for (const OtherCommand& c : kOther) {
        if (c.code == code) {
            return CommandEntry{code, false, c.form, nullptr, c.target, c.source, c.action};
        }
        if (c.writable && c.code + 128 == code) {
            return CommandEntry{code, true, c.form, nullptr, c.target, c.source, c.action};
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<CommandEntry> findCommand(int code) {
    if (code <= 0 || code >= 255) {
        return std::nullopt;
    }
    if (const FieldRow* row = fieldRowForCode(code)) {
        const bool write = code == row->writeCode;
        return CommandEntry{code, write, row->wire, row, nullptr, nullptr, CommandAction::Value};
    }
    return otherCommand(code);
}

int actionCommandCode(CommandAction action) {
    if (action == CommandAction::Value) {
        return 0;
    }
    for (const OtherCommand& c : kOther) {
        if (c.action == action) {
            return c.code;
        }
    }
    return 0;
}

std::vector<int> commandCodes() {
    std::vector<int> codes;
    for (int code = 1; code < 255; ++code) {
        if (findCommand(code)) {
            codes.push_back(code);
        }
    }
    return codes;
}
