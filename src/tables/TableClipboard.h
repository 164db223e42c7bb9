// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/SettingsStore.h"
#include "tables/TableOperations.h"

#include <QString>
#include <vector>

// A block of a table as text for the clipboard: one line per grid row from
// the top, the cells separated by tabs, each the engineering value with "."
// as decimal point, so that a spreadsheet takes the block as it is.
QString copyBlock(const TableEditorDescription& description, const EcuSettings& settings,
                  const GridSelection& selection);

// What a paste writes: the cells whose stored value differs, row by row from
// the top-left cell of the selection, each value limited and rounded as a
// typed one; or, when the text holds something that is not a number or the
// block does not fit the table there, no cells and the reason.
struct PasteResult {
    std::vector<FieldCell> cells;
    QString error;
};
PasteResult pasteBlock(const TableEditorDescription& description, const EcuSettings& settings,
                       const GridSelection& selection, const QString& text);
