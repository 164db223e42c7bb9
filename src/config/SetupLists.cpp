#include "config/SetupLists.h"

#include "record/NumberFormat.h"
#include "record/Rounding.h"
#include "record/SensorConversions.h"

namespace {
constexpr std::array<int, 4> kCylinders{1, 4, 6, 8};
constexpr int kLoadSteps = 15;
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
        entries << numberToText(static_cast<double>(i) * maxRpm / kLoadSteps);
    }
    return entries;
}

int mapCountOfStep(const EcuSettings& s, int step) {
    return static_cast<int>(
        s.MapMinBits +
        roundHalfEven(static_cast<double>((s.MapMaxBits - s.MapMinBits) * step) / kLoadSteps));
}

QStringList stagedLoadEntries(const EcuSettings& s) {
    QStringList entries;
    const QString one = QStringLiteral("##0.0");
    for (int step = kLoadSteps; step >= 0; --step) {
        switch (s.LoadControl) {
        case 1:
            entries << QLatin1Char(' ') +
                           formatNumber(mapCountsToPsi(s.MapSensorType, mapCountOfStep(s, step)),
                                        one) +
                           QStringLiteral(" psi");
            break;
        case 2:
            entries << formatNumber(step * 7, one) + QStringLiteral(" %");
            break;
        case 3:
            entries << formatNumber(step * 17 * 5 / 255.0, one) + QStringLiteral(" Volt");
            break;
        default:
            break;
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
