// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tables/CellHits.h"
#include "tables/LogOverlay.h"
#include "tables/OperatingHighlight.h"
#include "tables/TableModel.h"

#include <QAbstractTableModel>
#include <QColor>
#include <optional>
#include <set>
#include <utility>

class SettingsStore;

// A table grid's header: the rpm labels across, the load labels down, as
// table labels them.
QVariant tableAxisHeader(const TableModel& table, int section, Qt::Orientation orientation,
                         int role);

// The item-view face of a table: 16 x 16 data cells read from the record on
// every request (the grid keeps no values of its own), the rpm labels as the
// column headers and the load labels as the row headers. Model row r and
// column c are grid cell (r + 1, c + 1). While a log's hits are shown, a
// cell where records fell is shaded toward kHitColour by hitShade and
// answers HitCountRole, HitMeanRole (when its records had values) and a tool
// tip; the others stay plain.
class TableGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kCells = TableModel::kGridSize - 1;
    enum Role { HitCountRole = Qt::UserRole + 1, HitMeanRole };
    static constexpr QColor kHitColour{0, 32, 160};

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

    // The hits of a log over the cells, with the channel of their means;
    // none hides them.
    void setHits(std::optional<CellHits> hits, const HitChannel& meanOf = {});
    bool hitsShown() const { return m_hits.has_value(); }
    // A cell's hits in words; none while no hits are shown.
    std::optional<QString> hitSummaryAt(int gridRow, int gridColumn) const;

private:
    QVariant hitData(int gridRow, int gridColumn, int role) const;

    TableModel m_table;
    std::optional<CellHits> m_hits;
    HitChannel m_meanOf;
    std::set<std::pair<int, int>> m_red; // grid (row, column)
};
