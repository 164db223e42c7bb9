// SPDX-License-Identifier: GPL-3.0-or-later
// The bulk-block decoder on blocks of any content; the record it makes is
// packed into a block the way the ECU sends it and decodes to the same record.

#include "comm/BulkReads.h"
#include "files/EcuDiff.h"
#include "sim/SimulatedEcu.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    // The first byte picks the block; the rest is its content, cut or padded
    // to the block's length as a whole block has passed its length check.
    const int kind = data[0] % 3;
    const int length = kind == 2 ? kOtherBlockLength : kTableBlockLength;
    QByteArray block(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    block.resize(length, '\0');
    blockSumMatches(block, 1, length - 2);

    EcuSettings first = EcuSettings::withDefaults();
    EcuSettings second = first;
    QByteArray packed;
    switch (kind) {
    case 0:
        unpackTableBlock(block, first.FuelTable);
        packed = SimulatedEcu::fuelBlock(first);
        unpackTableBlock(packed, second.FuelTable);
        break;
    case 1:
        unpackTableBlock(block, first.IgnitionTable);
        packed = SimulatedEcu::ignitionBlock(first);
        unpackTableBlock(packed, second.IgnitionTable);
        break;
    default:
        unpackOtherBlock(block, first);
        packed = SimulatedEcu::otherBlock(first);
        unpackOtherBlock(packed, second);
        break;
    }
    // A block reads: its command, the data, the sum high byte first, "!".
    if (packed.size() != length || !blockSumMatches(packed, 2, length - 3)) {
        std::abort();
    }
    if (!compareEcuSettings(first, second).empty()) {
        std::abort();
    }
    return 0;
}
