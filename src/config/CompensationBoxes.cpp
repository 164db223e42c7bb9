// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/CompensationBoxes.h"

#include "record/LoadAxis.h"
#include "record/NumberFormat.h"
#include "record/Rounding.h"
#include "record/SettingCodes.h"

namespace {

constexpr int kEgoSteps = 16;

QString crankLabel(const char* temperature) {
    return QString::fromLatin1(temperature) + QChar(0x00B0) + QLatin1Char('F');
}

} // namespace

std::vector<CompensationFrame> compensationFrames() {
    using F = FieldId;
    const QString ofBank1 = QStringLiteral("% of Bank 1");
    return {
        {"StartingFrame",
         QStringLiteral("Starting Compensation"),
         {{F::CrankPercent0, "CrankPercentText0", crankLabel("   0 "), {}},
          {F::CrankPercent1, "CrankPercentText1", crankLabel("  80 "), {}},
          {F::CrankPercent2, "CrankPercentText2", crankLabel(" 160 "), {}},
          {F::CrankPercent3, "CrankPercentText3", crankLabel(" 240 "), {}},
          {F::CrankDuration, "CrankDurationText", QStringLiteral("Duration (revs)"), {}},
          {F::CrankRpm, "CrankRpmText", QStringLiteral("Rpm"), {}},
          {F::CrankPrimePulse, "CrankPrimeText", QStringLiteral("Injector Prime Pulse (ms)"), {}}}},
        {"AccelFrame",
         QStringLiteral("Accel Compensation"),
         {{F::AccelMinTps, "AccelTpsText", QStringLiteral("Min Tps (%)"), {}},
          {F::AccelMinTpsRate, "AccelMinText", QStringLiteral("Min Tps Rate (%/sec)"), {}},
          {F::AccelPercent, "AccelPercentText", QStringLiteral("Max Percent"), {}},
          {F::AccelDuration, "AccelRateText", QStringLiteral("Duration (sec)"), {}},
          {F::AccelRpm, "AccelRpmText", QStringLiteral("Max Rpm"), {}}}},
        {"DecelFrame",
         QStringLiteral("Decel Fuel Cut-Off"),
         {{F::DecelMinTps, "DecelMinText", QStringLiteral("Min Tps"), {}},
          {F::DecelMaxRpm, "DecelRpmText", QStringLiteral("Max Rpm"), {}},
          {F::DecelCutRpm, "DecelCutText", QStringLiteral("Delta Rpm"), {}}}},
        {"CylinderFrame",
         QStringLiteral("Cylinder Compensation"),
         {{F::BankCompensation2, "CylinderText0", QStringLiteral("Bank 2 Fuel is"), ofBank1},
          {F::BankCompensation3, "CylinderText1", QStringLiteral("Bank 3 Fuel is"), ofBank1},
          {F::BankCompensation4, "CylinderText2", QStringLiteral("Bank 4 Fuel is"), ofBank1}}},
    };
}

EntryRule compensationEntryRule(FieldId field) {
    using F = FieldId;
    int64_t divisor = 1;
    int64_t factor = 1;
    switch (field) {
    case F::CrankPercent0:
    case F::CrankPercent1:
    case F::CrankPercent2:
    case F::CrankPercent3:
    case F::AccelPercent:
        divisor = 2;
        break;
    case F::CrankDuration:
        divisor = 4;
        break;
    case F::AccelMinTpsRate:
        divisor = 50;
        break;
    case F::DecelCutRpm:
        divisor = 10;
        break;
    case F::CrankPrimePulse:
        factor = 5;
        break;
    default:
        return {};
    }
    EntryRule rule;
    rule.count = [divisor, factor](double limited) {
        return truncDiv(roundHalfEven(limited) * factor, divisor);
    };
    return rule;
}

bool compensationBoxEnabled(FieldId field, const EcuSettings& settings) {
    using F = FieldId;
    switch (field) {
    case F::AccelMinTps:
    case F::AccelMinTpsRate:
    case F::AccelPercent:
    case F::AccelDuration:
    case F::AccelRpm:
    case F::DecelMinTps:
    case F::DecelMaxRpm:
    case F::DecelCutRpm:
        return tpsSensor(settings) != SensorFitted::None;
    case F::CrankPercent1:
    case F::CrankPercent2:
    case F::CrankPercent3:
        return waterTempSensor(settings) != SensorFitted::None;
    default:
        return true;
    }
}

QStringList egoControlEntries() {
    return {QStringLiteral(" Off"), QStringLiteral(" On")};
}

QStringList egoRpmEntries(int32_t maxRpm) {
    QStringList entries;
    for (int i = 0; i < kEgoSteps; ++i) {
        entries << formatNumber(i * static_cast<double>(maxRpm) / 15.0, QStringLiteral(" ####0"));
    }
    return entries;
}

QStringList egoLoadEntries(const EcuSettings& settings) {
    QStringList entries;
    for (int i = 0; i < kEgoSteps; ++i) {
        const std::optional<double> load = loadOfStep(settings, kTopLoadStep - i);
        switch (loadControl(settings)) {
        case LoadControl::Map:
            entries << formatNumber(*load, QStringLiteral(" ###,##0.0 psi"));
            break;
        case LoadControl::Tps: {
            const QString pad = QString(*load < 10 ? 2 : *load < 100 ? 1 : 0, QLatin1Char(' '));
            entries << pad + formatNumber(*load, QStringLiteral("##0.0")) + QStringLiteral(" %");
            break;
        }
        case LoadControl::Volts:
            entries << formatNumber(*load, QStringLiteral(" ###,##0.0 Volts"));
            break;
        default:
            entries << QString();
            break;
        }
    }
    return entries;
}

int egoEntryIndex(int64_t stored, int entries) {
    return stored >= 0 && stored < entries ? static_cast<int>(stored) : 0;
}
