// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/EcuDiff.h"

#include "files/EcuFile.h"

#include <algorithm>

QString EcuFieldDifference::describe() const {
    const QString values = QStringLiteral("%1 -> %2").arg(first).arg(second);
    if (isScalar()) {
        return QStringLiteral("%1: %2").arg(name, values);
    }
    return QStringLiteral("%1, row %2, column %3: %4").arg(name).arg(row).arg(column).arg(values);
}

namespace {

FieldId nth(FieldId first, int n) {
    return static_cast<FieldId>(static_cast<int>(first) + n);
}

struct FieldPlace {
    FieldId field;
    int index1 = 0;
    int index2 = 0;
};

// Where a value of a data file section lives in the record.
FieldPlace placeOf(const QString& heading, int row, int column) {
    using F = FieldId;
    static const std::pair<const char*, F> kCurves[] = {
        {"Air Temp Compensation - Fuel", F::AirTempFuelComp},
        {"Water Temp Compensation - Fuel", F::WaterTempFuelComp},
        {"Battery Volt Compensation - Fuel", F::BatteryVoltFuelComp},
        {"Air Temp Compensation - Ignition", F::AirTempIgnitionComp},
    };
    for (const auto& [name, field] : kCurves) {
        if (heading == QLatin1String(name)) {
            return {field, column};
        }
    }
    if (heading == QLatin1String("User Input Analog")) {
        return column == 0 ? FieldPlace{nth(F::UserInputAnalogMode0, row)}
                           : FieldPlace{nth(F::UserInputAnalogTable0, row), column - 1};
    }
    if (heading == QLatin1String("User Input Digital")) {
        return {nth(F::UserInputDigitalMode0, column)};
    }
    if (heading == QLatin1String("User Output")) {
        static const F kColumns[] = {F::UserOutputType0, F::UserOutputOff0, F::UserOutputOn0};
        return {nth(kColumns[column], row)};
    }
    if (heading == QLatin1String("Fuel Table")) {
        return {F::FuelTable, row, column};
    }
    if (heading == QLatin1String("Ignition Table")) {
        return {F::IgnitionTable, row, column};
    }
    return {nth(row == 0 ? F::UcExtra0 : F::UiExtra0, column)};
}

} // namespace

std::vector<EcuFieldDifference> compareEcuSettings(const EcuSettings& first,
                                                   const EcuSettings& second) {
    std::vector<EcuFieldDifference> differences;
    for (const EcuFileScalar& line : ecuFileScalars()) {
        if (!line.isField() || (line.versions & kInV252) == 0) {
            continue;
        }
        const int64_t a = line.get(first);
        const int64_t b = line.get(second);
        if (a != b) {
            differences.push_back(
                {QString::fromLatin1(line.name).trimmed(), -1, -1, a, b, line.field->id});
        }
    }

    // Both copies lay out their sections over the same table extent.
    EcuSettings a = first;
    EcuSettings b = second;
    a.LoadIndexMax = b.LoadIndexMax = std::max(first.LoadIndexMax, second.LoadIndexMax);
    a.RpmIndexMax = b.RpmIndexMax = std::max(first.RpmIndexMax, second.RpmIndexMax);
    const std::vector<EcuFileSection> sectionsA = ecuFileSections(a);
    const std::vector<EcuFileSection> sectionsB = ecuFileSections(b);
    for (size_t s = 0; s < sectionsA.size(); ++s) {
        const QString heading = sectionsA[s].heading.trimmed();
        const auto& rowsA = sectionsA[s].rows;
        const auto& rowsB = sectionsB[s].rows;
        for (size_t r = 0; r < rowsA.size(); ++r) {
            for (size_t c = 0; c < rowsA[r].size(); ++c) {
                const int64_t va = cellValue(rowsA[r][c]);
                const int64_t vb = cellValue(rowsB[r][c]);
                if (va != vb) {
                    const int row = static_cast<int>(r);
                    const int column = static_cast<int>(c);
                    const FieldPlace place = placeOf(heading, row, column);
                    differences.push_back(
                        {heading, row, column, va, vb, place.field, place.index1, place.index2});
                }
            }
        }
    }
    return differences;
}
