// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "StartupRecord.h"
#include "comm/BulkReads.h"
#include "config/ConsistencyCheck.h"

#include <QRandomGenerator>

// A start-up record with random values in every field the ECU's blocks carry,
// made sound by the settings check so that reading it back repairs nothing.
inline EcuSettings randomValidRecord(quint32 seed) {
    QRandomGenerator random(seed);
    auto randomBlock = [&random](int length) {
        QByteArray block(length, '\0');
        for (char& byte : block) {
            byte = static_cast<char>(random.bounded(256));
        }
        return block;
    };
    EcuSettings record = startupRecord();
    unpackTableBlock(randomBlock(kTableBlockLength), record.FuelTable);
    unpackTableBlock(randomBlock(kTableBlockLength), record.IgnitionTable);
    unpackOtherBlock(randomBlock(kOtherBlockLength), record);
    checkForBadData(record, CheckContext{}, CommandSender{});
    return record;
}
