// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/SettingsDifference.h"

#include "files/DifferenceText.h"
#include "record/AppState.h"
#include "record/SettingCodes.h"
#include "tables/TableModel.h"

#include <algorithm>
#include <cmath>

namespace {

// The share of the full colour that the least change still gets.
constexpr double kLeastShade = 0.15;
// How far the deepest colour takes the other two channels down from white.
constexpr double kDeepest = 175.0;

FieldShape shapeOf(FieldId field) {
    return fieldRow(field).shape;
}

QString loadCaptionOf(const EcuSettings& s) {
    switch (loadControl(s)) {
    case LoadControl::Map:
        return QStringLiteral("MAP, psi");
    case LoadControl::Tps:
        return QStringLiteral("TPS, %");
    case LoadControl::Volts:
        return QStringLiteral("Volts");
    default:
        return QStringLiteral("Load");
    }
}

TableDifference tableGrid(FieldId field, const EcuSettings& second) {
    const TableEditorDescription& editor =
        field == FieldId::FuelTable ? fuelEditor() : ignitionEditor();
    const AppState state;
    const TableModel model(editor, state, second);
    TableDifference table;
    table.field = field;
    table.title = field == FieldId::FuelTable ? QStringLiteral("Fuel Table")
                                              : QStringLiteral("Ignition Table");
    table.unit = field == FieldId::FuelTable ? QStringLiteral("ms") : QString(QChar(176));
    table.loadCaption = loadCaptionOf(second);
    for (int i = 0; i < TableDifference::kSize; ++i) {
        const auto at = static_cast<std::size_t>(i);
        table.rpmLabels[at] = model.rpmLabel(i + 1).trimmed();
        table.loadLabels[at] = model.loadLabel(i + 1).trimmed();
        for (int column = 0; column < TableDifference::kSize; ++column) {
            table.cells[at][static_cast<std::size_t>(column)].text =
                model.text(i + 1, column + 1).trimmed();
        }
    }
    return table;
}

} // namespace

double percentChange(double first, double second) {
    if (first == second) {
        return 0.0;
    }
    if (first == 0.0) {
        return second > 0.0 ? 100.0 : -100.0;
    }
    return (second - first) / std::abs(first) * 100.0;
}

RgbColour changeColour(double percent) {
    if (percent == 0.0) {
        return {255, 255, 255};
    }
    const double share = std::clamp(std::abs(percent) / kFullColourPercent, kLeastShade, 1.0);
    const auto faded = static_cast<uint8_t>(std::lround(255.0 - share * kDeepest));
    return percent > 0.0 ? RgbColour{255, faded, faded} : RgbColour{faded, faded, 255};
}

SettingsDifference settingsDifference(const EcuSettings& first, const EcuSettings& second) {
    SettingsDifference result;
    const std::vector<EcuFieldDifference> differences = compareEcuSettings(first, second);
    result.count = static_cast<int>(differences.size());
    if (differences.empty()) {
        return result;
    }
    const DifferenceText text(first, second);
    for (const EcuFieldDifference& d : differences) {
        const DifferenceParts parts = text.parts(d);
        switch (shapeOf(d.field)) {
        case FieldShape::Scalar:
            result.settings.push_back({parts.subject, parts.first, parts.second, d.field});
            break;
        case FieldShape::Curve:
            result.curves.push_back(
                {parts.subject, parts.place, parts.first, parts.second, d.field, d.index1});
            break;
        case FieldShape::Table: {
            auto table =
                std::find_if(result.tables.begin(), result.tables.end(),
                             [&d](const TableDifference& t) { return t.field == d.field; });
            if (table == result.tables.end()) {
                result.tables.push_back(tableGrid(d.field, second));
                table = result.tables.end() - 1;
            }
            if (d.index1 >= TableDifference::kSize || d.index2 >= TableDifference::kSize) {
                break; // beyond the grid: listed by the line alone
            }
            const TableEditorDescription& editor =
                d.field == FieldId::FuelTable ? fuelEditor() : ignitionEditor();
            TableCellDifference& cell =
                table
                    ->cells[static_cast<std::size_t>(d.index1)][static_cast<std::size_t>(d.index2)];
            cell.changed = true;
            cell.percent = percentChange(editor.shown(d.first), editor.shown(d.second));
            cell.colour = changeColour(cell.percent);
            cell.detail = parts.line;
            ++table->changedCells;
            break;
        }
        }
    }
    return result;
}

std::vector<FieldCell> valuesToRestore(FieldId field, const EcuSettings& now,
                                       const EcuSettings& snapshot) {
    std::vector<FieldCell> values;
    for (const EcuFieldDifference& d : compareEcuSettings(now, snapshot)) {
        if (d.field == field) {
            values.push_back({d.index1, d.index2, d.second});
        }
    }
    return values;
}
