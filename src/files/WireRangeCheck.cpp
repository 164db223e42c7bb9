// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/WireRangeCheck.h"

#include "comm/CommandTable.h"
#include "comm/Transfers.h"
#include "files/EcuDiff.h"
#include "record/AppState.h"

#include <memory>

namespace {

constexpr int kListedFaults = 20;

struct WireRange {
    int64_t min;
    int64_t max;
};

WireRange rangeOf(WireForm form) {
    switch (form) {
    case WireForm::TwoByte:
        return {0, 65535};
    case WireForm::Thousands:
        // Sent in whole units of 3000 rpm, one byte of them.
        return {0, 256 * 3000 - 1};
    case WireForm::NibbleHigh:
    case WireForm::NibbleLow:
        return {0, 15};
    default:
        return {0, 255};
    }
}

// The data file's name of a field: the one value that differs from the
// original once the field is changed.
QString fileName(const EcuSettings& original, const FieldRow& row, int index1, int index2) {
    EcuSettings probe = original;
    row.set(probe, index1, index2, row.get(original, index1, index2) == 0 ? 1 : 0);
    const std::vector<EcuFieldDifference> differences = compareEcuSettings(original, probe);
    if (differences.empty()) {
        return QStringLiteral("a value the data file does not hold");
    }
    const EcuFieldDifference& d = differences.front();
    return d.isScalar()
               ? d.name
               : QStringLiteral("%1, row %2, column %3").arg(d.name).arg(d.row).arg(d.column);
}

} // namespace

QString WireRangeFault::describe() const {
    return QStringLiteral("%1: %2 is outside %3..%4").arg(field).arg(value).arg(min).arg(max);
}

std::vector<WireRangeFault> checkWireRanges(const EcuSettings& settings) {
    AppState probe;
    probe.CodeSectionFlags.fill(true);

    std::vector<WireRangeFault> faults;
    for (const SendStep& step : fullSendSequence(probe, settings)) {
        const std::optional<CommandEntry> entry =
            step.progress ? std::nullopt : findCommand(step.command);
        if (!entry || !entry->write || entry->setting == nullptr ||
            encodeForWire(*entry->setting, settings, step.index1, step.index2).valid) {
            continue;
        }
        const NibblePair pair = nibblePair(*entry->setting);
        for (const FieldRow* row : {pair.high, pair.low}) {
            if (row == nullptr) {
                continue;
            }
            const WireRange range = rangeOf(row->wire);
            const int64_t value = row->get(settings, step.index1, step.index2);
            if (value < range.min || value > range.max) {
                faults.push_back({fileName(settings, *row, step.index1, step.index2), value,
                                  range.min, range.max});
            }
        }
    }
    return faults;
}

QString wireRangeMessage(const std::vector<WireRangeFault>& faults) {
    QString text = QStringLiteral("Data file not loaded - values out of range for the ECU:");
    const size_t listed = std::min<size_t>(faults.size(), kListedFaults);
    for (size_t i = 0; i < listed; ++i) {
        text += QStringLiteral("\r\n") + faults[i].describe();
    }
    if (faults.size() > listed) {
        text += QStringLiteral("\r\nand %1 more").arg(faults.size() - listed);
    }
    return text;
}

EcuFileReadResult loadEcuFileForSending(const QString& path, const EcuSettings& current) {
    EcuFileReadResult result = loadEcuFile(path, current);
    if (!result.ok()) {
        return result;
    }
    const std::vector<WireRangeFault> faults = checkWireRanges(*result.settings);
    if (!faults.empty()) {
        result.settings.reset();
        result.version.reset();
        result.error = wireRangeMessage(faults);
    }
    return result;
}
