// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/SnapshotDiff.h"

#include "files/EcuDiff.h"

QString snapshotDifferenceText(const EcuSettings& first, const EcuSettings& second) {
    QString text;
    for (const EcuFieldDifference& difference : compareEcuSettings(first, second)) {
        text += difference.describe() + QLatin1Char('\n');
    }
    return text;
}
