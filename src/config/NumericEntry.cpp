// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/NumericEntry.h"

#include "record/Limits.h"
#include "record/NumberFormat.h"
#include "record/SettingsStore.h"

#include <cmath>

QString entryText(const EcuSettings& settings, FieldId id) {
    const FieldRow& row = fieldRow(id);
    const double shown = shownValue(row, settings, row.get(settings, 0, 0));
    const QString pattern = QString::fromUtf8(row.display.pattern);
    return pattern.isEmpty() ? QString::number(shown) : formatNumber(shown, pattern);
}

std::optional<double> parseEntry(const QString& text) {
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

EntryResult commitEntry(SettingsStore& store, FieldId id, const EntryRule& rule,
                        const QString& shown, const QString& typed) {
    EntryResult result;
    result.before = store.value(id);
    if (typed == shown) {
        return result;
    }
    const std::optional<double> number = parseEntry(typed);
    if (!number) {
        return result;
    }
    const EcuSettings& settings = store.settings();
    double value = *number;
    if (rule.limits) {
        const auto [min, max] = rule.limits(settings);
        value = checkMaxMin(static_cast<float>(min), static_cast<float>(max),
                            static_cast<float>(value));
    }
    const FieldRow& row = fieldRow(id);
    if (row.display.hasLimits()) {
        value = checkMaxMin(static_cast<float>(row.display.min),
                            static_cast<float>(row.display.max), static_cast<float>(value));
    }
    if (const std::optional<double> before = parseEntry(shown);
        before && static_cast<float>(*before) == static_cast<float>(value)) {
        return result;
    }
    const int64_t count = rule.count ? rule.count(value) : rawValue(row, settings, value);
    if (rule.accepts && !rule.accepts(settings, count)) {
        return result;
    }
    result.stored = store.setValue(id, count);
    return result;
}
