// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/SetupLists.h"

#include "record/LoadAxis.h"
#include "record/NumberFormat.h"
#include "record/Rounding.h"
#include "record/SettingCodes.h"

namespace {
constexpr std::array<int, 4> kCylinders{1, 4, 6, 8};
} // namespace

QStringList cylinderEntries() {
    return {QStringLiteral("     1   "), QStringLiteral("  2 or 4 "), QStringLiteral("     6   "),
            QStringLiteral("     8   ")};
}

int cylindersIndex(int cylinders) {
    for (int i = 0; i < static_cast<int>(kCylinders.size()); ++i) {
        if (kCylinders[static_cast<std::size_t>(i)] == cylinders) {
            return i;
        }
    }
    return -1;
}

int cylindersOfIndex(int index) {
    return kCylinders[static_cast<std::size_t>(index)];
}

QStringList maxRpmEntries() {
    return {QStringLiteral("   3000"), QStringLiteral("   6000"), QStringLiteral("   9000"),
            QStringLiteral("  12000"), QStringLiteral("  15000")};
}

int maxRpmIndex(int32_t maxRpm) {
    const int64_t n = roundHalfEven(static_cast<double>(maxRpm) / 3000.0 - 1.0);
    if (n < 0) {
        return -1;
    }
    return n < 5 ? static_cast<int>(n) : 0;
}

int oneBasedIndex(int stored, int entries) {
    return stored <= entries ? stored - 1 : 0;
}

bool distributorOnly(int cylinders, const std::array<bool, 4>& codeSectionFlags) {
    return cylinders > (codeSectionFlags[2] ? 6 : 4);
}

QStringList stagedRpmEntries(int32_t maxRpm) {
    QStringList entries{QStringLiteral("Off")};
    for (int i = 0; i < 16; ++i) {
        entries << numberToText(static_cast<double>(i) * maxRpm / kTopLoadStep);
    }
    return entries;
}

QStringList stagedLoadEntries(const EcuSettings& s) {
    static const QStringList units{QStringLiteral(" psi"), QStringLiteral(" %"),
                                   QStringLiteral(" Volt")};
    QStringList entries;
    for (int step = kTopLoadStep; step >= 0; --step) {
        if (const std::optional<double> load = loadOfStep(s, step)) {
            const QString lead =
                loadControl(s) == LoadControl::Map ? QStringLiteral(" ") : QString();
            entries << lead + formatNumber(*load, QStringLiteral("##0.0")) +
                           units[s.LoadControl - 1];
        }
    }
    entries << QStringLiteral("Off");
    return entries;
}

EntryRule setupEntryRule(FieldId id) {
    EntryRule rule;
    switch (id) {
    case FieldId::TpsMaxBits:
        rule.accepts = [](const EcuSettings& s, int64_t count) { return count > s.TpsMinBits; };
        break;
    case FieldId::TpsMinBits:
        rule.accepts = [](const EcuSettings& s, int64_t count) { return count < s.TpsMaxBits; };
        break;
    case FieldId::MapMaxBits:
        rule.accepts = [](const EcuSettings& s, int64_t count) { return count > s.MapMinBits; };
        break;
    case FieldId::MapMinBits:
        rule.accepts = [](const EcuSettings& s, int64_t count) { return count < s.MapMaxBits; };
        break;
    case FieldId::LaunchControlRpm:
        rule.limits = [](const EcuSettings& s) {
            return std::pair<double, double>(1000.0, static_cast<double>(s.MaxRpm));
        };
        break;
    default:
        break;
    }
    return rule;
}
