#pragma once

#include "tables/OperatingHighlight.h"
#include "tables/TableModel.h"

#include <QAbstractTableModel>
#include <set>
#include <utility>

class SettingsStore;

// The item-view face of a table: 16 x 16 data cells read from the record on
// every request (the grid keeps no values of its own), the rpm labels as the
// column headers and the load labels as the row headers. Model row r and
// column c are grid cell (r + 1, c + 1).
class TableGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kCells = TableModel::kGridSize - 1;

    TableGridModel(const TableEditorDescription& description, const AppState& state,
                   const SettingsStore& store, QObject* parent = nullptr);

    const TableModel& table() const { return m_table; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Everything again from the record: one update of the whole grid.
    void reload();
    // Cells changed in the record or in their marks: one update of the
    // rectangle around them.
    void refreshCells(const std::vector<GridCell>& cells);
    // Paints the operating cells red and gives the others back their colours.
    void repaintHighlight(const HighlightRepaint& repaint);
    // No red cells (the ECU stopped answering).
    void clearHighlight();
    bool isRed(int gridRow, int gridColumn) const;

private:
    TableModel m_table;
    std::set<std::pair<int, int>> m_red; // grid (row, column)
};
