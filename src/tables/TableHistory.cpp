// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/TableHistory.h"

namespace {

std::vector<FieldCell> changed(const TableStep& step, const std::vector<FieldCell>& side) {
    std::vector<FieldCell> cells;
    for (std::size_t i = 0; i < side.size(); ++i) {
        if (step.before[i].value != step.after[i].value) {
            cells.push_back(side[i]);
        }
    }
    return cells;
}

} // namespace

bool TableStep::changesAnything() const {
    return !redoCells().empty();
}

std::vector<FieldCell> TableStep::undoCells() const {
    // A cell written twice in one step goes back to its first value: undo
    // writes the cells in reverse order.
    std::vector<FieldCell> cells = changed(*this, before);
    return {cells.rbegin(), cells.rend()};
}

std::vector<FieldCell> TableStep::redoCells() const {
    return changed(*this, after);
}

TableStep tableStep(const TableEditorDescription& description, const EcuSettings& settings,
                    const std::vector<FieldCell>& cells) {
    EcuSettings::Table table = description.tableOf(settings);
    TableStep step;
    for (const FieldCell& cell : cells) {
        auto& stored =
            table[static_cast<std::size_t>(cell.index1)][static_cast<std::size_t>(cell.index2)];
        step.before.push_back({cell.index1, cell.index2, stored});
        step.after.push_back(cell);
        stored = static_cast<int16_t>(cell.value);
    }
    return step;
}

TableStep fieldStep(FieldId field, const EcuSettings& settings,
                    const std::vector<FieldCell>& cells) {
    EcuSettings record = settings;
    const FieldRow& row = fieldRow(field);
    TableStep step;
    for (const FieldCell& cell : cells) {
        step.before.push_back(
            {cell.index1, cell.index2, row.get(record, cell.index1, cell.index2)});
        step.after.push_back(cell);
        row.set(record, cell.index1, cell.index2, cell.value);
    }
    return step;
}
