// SPDX-License-Identifier: GPL-3.0-or-later
#include "comm/BulkReads.h"

#include "record/FieldTable.h"

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
    for (const FieldRow& row : fieldTable()) {
        const int p = row.blockPosition;
        if (p == 0) {
            continue;
        }
        switch (row.wire) {
        case WireForm::TwoByte:
            row.set(s, 0, 0, twoBytes(b, p));
            break;
        case WireForm::Thousands: // the block's byte is not capped
            row.set(s, 0, 0, int64_t{at(b, p)} * 3000);
            break;
        case WireForm::NibbleHigh:
            row.set(s, 0, 0, at(b, p) / 16);
            break;
        case WireForm::NibbleLow:
            row.set(s, 0, 0, at(b, p) % 16);
            break;
        case WireForm::Indexed:
            for (int slot = 0; slot < kCurveSlotsSent; ++slot) {
                row.set(s, slot, 0, at(b, p + slot));
            }
            break;
        default:
            row.set(s, 0, 0, at(b, p));
            break;
        }
    }
}

BulkReadResult getHighSpeedFuelData(AppState&, EcuSettings& record, SerialLink& link,
                                    UserInteraction& ui) {
    return readTable(link, ui, kFuelBlockCommand, QStringLiteral("Fuel"), record.FuelTable);
}

BulkReadResult getHighSpeedIgnData(AppState&, EcuSettings& record, SerialLink& link,
                                   UserInteraction& ui) {
    return readTable(link, ui, kIgnitionBlockCommand, QStringLiteral("Ign"), record.IgnitionTable);
}

BulkReadResult getHighSpeedOtherData(AppState& state, EcuSettings& record, SerialLink& link,
                                     UserInteraction& ui) {
    QByteArray block;
    const BulkReadResult result = fetch(link, ui, kOtherBlockCommand, kOtherBlockLength,
                                        kOtherDataLast, QStringLiteral("Other"), block);
    if (result == BulkReadResult::Ok) {
        unpackOtherBlock(block, record);
    } else {
        state.EcuOnline = false;
    }
    return result;
}
