// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/SettingsStore.h"
#include "tables/TableEditorDescription.h"

#include <vector>

// One change of a table as an undo step: each cell written, with its stored
// value before and after, in the order the change wrote them.
struct TableStep {
    std::vector<FieldCell> before;
    std::vector<FieldCell> after;

    // Whether any cell ends with another value than it had.
    bool changesAnything() const;
    // The cells to send back (undo) or again (redo): those whose value the
    // step changes.
    std::vector<FieldCell> undoCells() const;
    std::vector<FieldCell> redoCells() const;
};

// The step of writing `cells` into the table as it is stored now.
TableStep tableStep(const TableEditorDescription& description, const EcuSettings& settings,
                    const std::vector<FieldCell>& cells);

// The step of writing `cells` into a curve or table field as the record holds
// it now (index 1 = slot or load, index 2 = rpm).
TableStep fieldStep(FieldId field, const EcuSettings& settings,
                    const std::vector<FieldCell>& cells);
