// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the tune history tests share: a clock the test moves, records that
// differ from one another, and an ECU identity.

#include "RecordingInteraction.h"
#include "StartupRecord.h"
#include "history/TuneHistory.h"

#include <QDateTime>
#include <memory>

// A clock the test sets; TuneHistory reads it through its options.
struct TestClock {
    std::shared_ptr<QDateTime> time =
        std::make_shared<QDateTime>(QDate(2025, 3, 1), QTime(14, 22, 5));

    std::function<QDateTime()> function() const {
        return [time = time] { return *time; };
    }
    void advanceMs(qint64 ms) const { *time = time->addMSecs(ms); }
};

// The start-up record with one value of the data file changed by n.
inline EcuSettings variant(int n) {
    EcuSettings record = startupRecord();
    record.RevLimit = 6000 + n;
    return record;
}

inline EcuIdentity ecuWithSerial(int byte1, int byte2, int byte3, const QString& text) {
    EcuIdentity identity;
    identity.VersionMajor = 2;
    identity.VersionMinor = 51;
    identity.BuildNumber = 7;
    identity.SerialByte1 = static_cast<int16_t>(byte1);
    identity.SerialByte2 = static_cast<int16_t>(byte2);
    identity.SerialByte3 = static_cast<int16_t>(byte3);
    identity.SerialNumberText = text;
    return identity;
}

inline TuneHistoryOptions historyAt(const QString& path, const TestClock& clock = {}) {
    TuneHistoryOptions options;
    options.path = path;
    options.now = clock.function();
    return options;
}
