// SPDX-License-Identifier: GPL-3.0-or-later
#include "comm/CommandTable.h"

namespace {

template <auto Member> void engineChannel(EngineData& live, EcuIdentity&, int value) {
    EngineChannel& channel = live.*Member;
    channel.RawHigh = static_cast<uint8_t>(value / 256);
    channel.RawLow = static_cast<uint8_t>(value % 256);
}

template <int Input> void userChannel(EngineData& live, EcuIdentity&, int value) {
    live.UserChannel[Input].RawHigh = 0;
    live.UserChannel[Input].RawLow = static_cast<uint8_t>(value);
}

template <auto Member> void engineByte(EngineData& live, EcuIdentity&, int value) {
    live.*Member = static_cast<uint8_t>(value);
}

template <auto Member> void identityByte(EngineData&, EcuIdentity& identity, int value) {
    identity.*Member = static_cast<uint8_t>(value);
}

template <auto Member> int identitySource(const EcuIdentity& identity) {
    return identity.*Member;
}

struct OtherCommand {
    EcuCommand command;
    WireForm form;
    ValueTarget target;
    CommandAction action = CommandAction::Value;
    ValueSource source = nullptr; // the value the ECU holds
    bool writable = false;        // also written, by code + 128
};

using W = WireForm;
using E = EngineData;
using A = CommandAction;
using C = EcuCommand;

// The read-only commands that are not settings fields.
constexpr OtherCommand kOther[] = {
    {C::PlotOpen, W::Byte, nullptr},
    {C::OutputTest, W::None, nullptr, A::OutputTest},
    {C::BuildNumber, W::Byte, identityByte<&EcuIdentity::BuildNumber>, A::Value,
     identitySource<&EcuIdentity::BuildNumber>},
    {C::VersionMajor, W::Byte, identityByte<&EcuIdentity::VersionMajor>, A::Value,
     identitySource<&EcuIdentity::VersionMajor>},
    {C::VersionMinor, W::Byte, identityByte<&EcuIdentity::VersionMinor>, A::Value,
     identitySource<&EcuIdentity::VersionMinor>},
    {C::Store, W::None, nullptr, A::Store},
    {C::EnginePeriod, W::TwoByte, engineChannel<&E::PeriodChannel>},
    {C::InjectorTime, W::TwoByte, engineChannel<&E::InjectorChannel>},
    {C::IgnitionRaw, W::Byte, engineChannel<&E::AdvanceChannel>},
    {C::MapRaw, W::Byte, engineChannel<&E::MapChannel>},
    {C::TpsRaw, W::Byte, engineChannel<&E::TpsChannel>},
    {C::WaterRaw, W::Byte, engineChannel<&E::WaterChannel>},
    {C::AirRaw, W::Byte, engineChannel<&E::AirChannel>},
    {C::BatteryRaw, W::Byte, engineChannel<&E::BatteryChannel>},
    {C::UserInput1Raw, W::Byte, userChannel<0>},
    {C::UserInput2Raw, W::Byte, userChannel<1>},
    {C::UserInput3Raw, W::Byte, userChannel<2>},
    {C::EngineStatus2, W::Byte, engineByte<&E::EngineStatus2>},
    {C::EngineStatus1, W::Byte, engineByte<&E::EngineStatus1>},
    {C::EngineStatus3, W::Byte, engineByte<&E::EngineStatus3>},
    {C::EngineStatus4, W::Byte, engineByte<&E::EngineStatus4>},
    {C::ClearWarnings, W::Byte, nullptr},
    {C::SerialByte1, W::Byte, identityByte<&EcuIdentity::SerialByte1>, A::Value,
     identitySource<&EcuIdentity::SerialByte1>, true},
    {C::SerialByte2, W::Byte, identityByte<&EcuIdentity::SerialByte2>, A::Value,
     identitySource<&EcuIdentity::SerialByte2>, true},
    {C::SerialByte3, W::Byte, identityByte<&EcuIdentity::SerialByte3>, A::Value,
     identitySource<&EcuIdentity::SerialByte3>, true},
    {C::StopEngine, W::None, nullptr, A::StopEngine},
};

std::optional<CommandEntry> otherCommand(int code) {
    for (const OtherCommand& c : kOther) {
        if (commandCode(c.command) == code) {
            return CommandEntry{code, false, c.form, nullptr, c.target, c.source, c.action};
        }
        if (c.writable && writeCommandCode(c.command) == code) {
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
            return commandCode(c.command);
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
