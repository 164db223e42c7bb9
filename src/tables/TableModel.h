// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tables/TableEditorDescription.h"

#include <QString>
#include <optional>

// What a table editor's grid shows, read from the record each time it is
// asked: 17 x 17 grid cells, row 0 and column 0 being the headers. Grid cell
// (row g, column c), g and c in 1..16, is table element (g - 1, c - 1); grid
// row 1 is the highest load, column 1 zero rpm.
class TableModel {
public:
    static constexpr int kGridSize = 17;

    // The record it reads (the store's for an editor) and the display
    // settings of the state.
    TableModel(const TableEditorDescription& description, const AppState& state,
               const EcuSettings& settings)
        : m_description(description), m_state(state), m_settings(settings) {}

    const TableEditorDescription& description() const { return m_description; }
    const EcuSettings& settings() const { return m_settings; }

    int64_t raw(int gridRow, int gridColumn) const;
    QString text(int gridRow, int gridColumn) const;
    RgbColour colour(int gridRow, int gridColumn) const;

    // Header row: MaxRpm / RpmIndexMax x (column - 1) in single precision, in
    // the plain number form (" 533.3333").
    QString rpmLabel(int gridColumn) const;
    // Header column: the load of the row as a blank and "###,##0.0"; empty for
    // a LoadControl without labels.
    QString loadLabel(int gridRow) const;
    // The labels as the numbers they show.
    double rpmLabelValue(int gridColumn) const;
    double loadLabelValue(int gridRow) const;
    // The load axis caption, or nothing when LoadControl has none (the caption
    // then keeps its text).
    std::optional<QString> loadCaption() const;

private:
    const TableEditorDescription& m_description;
    const AppState& m_state;
    const EcuSettings& m_settings;
};
