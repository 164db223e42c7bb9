#include "comm/BulkReads.h"

#include "comm/CommandTable.h"

namespace {

using Icon = UserInteraction::Icon;

// Byte 1 of every block is a header; the data start at byte 2 and are followed
// by the sum (high, low) and a trailer byte.
constexpr int kFirstData = 2;
constexpr int kTableDataLast = 257;
constexpr int kOtherDataLast = 205;
constexpr int kBlockRows = 16; // the block carries load 0..15 by rpm 0..15

// Byte at a 1-based block position.
int at(const QByteArray& block, int position) {
    return static_cast<uint8_t>(block.at(position - 1));
}

int twoBytes(const QByteArray& block, int position) {
    return at(block, position) * 256 + at(block, position + 1);
}

template <typename T> void put(T& field, int64_t value) {
    setField(FieldRef{&field}, value);
}

// Sends the command and collects its block; checks length and sum.
BulkReadResult fetch(SerialLink& link, UserInteraction& ui, int command, int length, int lastData,
                     const QString& name, QByteArray& block) {
    block.clear();
    if (!link.writeByte(static_cast<uint8_t>(command))) {
        ui.message(QStringLiteral("Download Failed! (%1)").arg(name), Icon::Information);
        return BulkReadResult::Failed;
    }
    block = link.readBlock(length, kBulkReadTimeoutMs);
    if (block.size() != length) {
        ui.message(QStringLiteral("Download Failed! (%1)").arg(name), Icon::Information);
        return BulkReadResult::Failed;
    }
    if (!blockSumMatches(block, kFirstData, lastData)) {
        ui.message(QStringLiteral("Download Error! (%1)").arg(name), Icon::Information);
        return BulkReadResult::BadSum;
    }
    return BulkReadResult::Ok;
}

BulkReadResult readTable(SerialLink& link, UserInteraction& ui, int command, const QString& name,
                         EcuSettings::Table& table) {
    QByteArray block;
    const BulkReadResult result =
        fetch(link, ui, command, kTableBlockLength, kTableDataLast, name, block);
    if (result == BulkReadResult::Ok) {
        unpackTableBlock(block, table);
    }
    return result;
}

} // namespace

bool blockSumMatches(const QByteArray& block, int firstData, int lastData) {
    int sum = 0;
    for (int p = firstData; p <= lastData; ++p) {
        sum += at(block, p);
    }
    return sum == twoBytes(block, lastData + 1);
}

void unpackTableBlock(const QByteArray& block, EcuSettings::Table& table) {
    int p = kFirstData;
    for (int load = 0; load < kBlockRows; ++load) {
        for (int rpm = 0; rpm < kBlockRows; ++rpm) {
            table[load][rpm] = static_cast<int16_t>(at(block, p++));
        }
    }
}

void unpackOtherBlock(const QByteArray& b, EcuSettings& s) {
    put(s.NumberOfCylinders, at(b, 2));
    put(s.InjectionLoadIndex, at(b, 3));
    put(s.InjectionRpmIndex, at(b, 4));
    put(s.MinOpenTime, at(b, 5));
    put(s.LoadControl, at(b, 6));
    put(s.MaxRpm, int64_t{at(b, 7)} * 3000);
    put(s.RevLimit, twoBytes(b, 8));
    put(s.LaunchControlRpm, twoBytes(b, 10));
    put(s.IgnitionType, at(b, 12));
    put(s.AirTempSensorType, at(b, 13));
    put(s.WaterTempSensorType, at(b, 14));
    put(s.MapSensorType, at(b, 15));
    put(s.MapMaxBits, at(b, 16));
    put(s.MapMinBits, at(b, 17));
    put(s.TpsSensorType, at(b, 18));
    put(s.TpsMaxBits, at(b, 19));
    put(s.TpsMinBits, at(b, 20));
    put(s.EgoMaxRpm, at(b, 21) / 16);
    put(s.EgoMinRpm, at(b, 21) % 16);
    put(s.EgoMaxLoad, at(b, 22) / 16);
    put(s.EgoMinLoad, at(b, 22) % 16);
    put(s.EgoGainP, at(b, 23));
    put(s.EgoGainI, at(b, 24));
    put(s.EgoUpdateRevs, at(b, 25));
    put(s.EgoMinCoolantTemp, at(b, 26));
    put(s.EgoControl, at(b, 27));
    put(s.WheelType, at(b, 28));
    for (int k = 0; k < EcuSettings::kUserOutputs; ++k) {
        put(s.UserOutputType[k], at(b, 29 + 3 * k));
        put(s.UserOutputOn[k], at(b, 30 + 3 * k));
        put(s.UserOutputOff[k], at(b, 31 + 3 * k));
    }
    for (int k = 0; k < EcuSettings::kUserInputs; ++k) {
        put(s.UserInputAnalogMode[k], at(b, 41 + k));
        put(s.UserInputDigitalMode[k], at(b, 44 + k));
    }
    for (int k = 0; k < 4; ++k) {
        put(s.CrankPercent[k], at(b, 47 + k));
    }
    put(s.CrankDuration, at(b, 51));
    put(s.CrankRpm, twoBytes(b, 52));
    put(s.CrankPrimePulse, at(b, 54));
    put(s.AccelPercent, at(b, 55));
    put(s.AccelDuration, at(b, 56));
    put(s.AccelRpm, twoBytes(b, 57));
    put(s.AccelMinTpsRate, at(b, 59));
    put(s.AccelMinTps, at(b, 60));
    put(s.DecelMaxRpm, twoBytes(b, 61));
    put(s.DecelMinTps, at(b, 63));
    put(s.DecelCutRpm, at(b, 64));
    put(s.ChargeTime, at(b, 65));
    for (int k = 0; k < 3; ++k) {
        put(s.UC_Extra[k], at(b, 66 + k));
        put(s.UI_Extra[k], twoBytes(b, 69 + 2 * k));
    }
    put(s.IacColdRpm, twoBytes(b, 75));
    put(s.IacHotRpm, twoBytes(b, 77));
    put(s.IacColdPosition, at(b, 79));
    put(s.IacHotPosition, at(b, 80));
    put(s.IacType, at(b, 81));
    put(s.IacTemp, at(b, 82));
    put(s.IacTravel, at(b, 83));
    for (int input = 0; input < EcuSettings::kUserInputs; ++input) {
        for (int row = 0; row < EcuSettings::kCurveSent; ++row) {
            put(s.UserInputAnalogTable[input][row],
                at(b, 84 + input * EcuSettings::kCurveSent + row));
        }
    }
    for (int slot = 0; slot < EcuSettings::kCurveSent; ++slot) {
        put(s.AirTempIgnitionComp[slot], at(b, 135 + slot));
        put(s.AirTempFuelComp[slot], at(b, 152 + slot));
        put(s.WaterTempFuelComp[slot], at(b, 169 + slot));
        put(s.BatteryVoltFuelComp[slot], at(b, 186 + slot));
    }
    for (int bank = 2; bank <= 4; ++bank) {
        put(s.BankCompensation[bank], at(b, 201 + bank));
    }
}

BulkReadResult getHighSpeedFuelData(AppState& state, SerialLink& link, UserInteraction& ui) {
    return readTable(link, ui, kFuelBlockCommand, QStringLiteral("Fuel"), state.settings.FuelTable);
}

BulkReadResult getHighSpeedIgnData(AppState& state, SerialLink& link, UserInteraction& ui) {
    return readTable(link, ui, kIgnitionBlockCommand, QStringLiteral("Ign"),
                     state.settings.IgnitionTable);
}

BulkReadResult getHighSpeedOtherData(AppState& state, SerialLink& link, UserInteraction& ui) {
    QByteArray block;
    const BulkReadResult result = fetch(link, ui, kOtherBlockCommand, kOtherBlockLength,
                                        kOtherDataLast, QStringLiteral("Other"), block);
    if (result == BulkReadResult::Ok) {
        unpackOtherBlock(block, state.settings);
    } else {
        state.EcuOnline = false;
    }
    return result;
}
