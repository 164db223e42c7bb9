// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/TableGridModel.h"

#include "record/SettingsStore.h"

#include <QColor>
#include <algorithm>
#include <cmath>

TableGridModel::TableGridModel(const TableEditorDescription& description, const AppState& state,
                               const SettingsStore& store, QObject* parent)
    : QAbstractTableModel(parent), m_table(description, state, store.settings()) {}

int TableGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kCells;
}

int TableGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kCells;
}

QVariant TableGridModel::data(const QModelIndex& index, int role) const {
    const int row = index.row() + 1;
    const int column = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
        return m_table.text(row, column);
    case Qt::BackgroundRole: {
        if (isRed(row, column)) {
            return QColor(255, 0, 0);
        }
        const RgbColour c = m_table.colour(row, column);
        const double shade =
            m_hits ? hitShade(m_hits->count({row, column}), m_hits->maxCount()) : 0.0;
        const auto toward = [shade](int from, int to) {
            return static_cast<int>(std::lround(from + (to - from) * shade));
        };
        return QColor(toward(c.red, kHitColour.red()), toward(c.green, kHitColour.green()),
                      toward(c.blue, kHitColour.blue()));
    }
    case Qt::TextAlignmentRole:
        return (Qt::AlignRight | Qt::AlignVCenter).toInt();
    case HitCountRole:
    case HitMeanRole:
    case Qt::ToolTipRole:
        return hitData(row, column, role);
    default:
        return {};
    }
}

QVariant TableGridModel::hitData(int row, int column, int role) const {
    const GridCell cell{row, column};
    if (!m_hits || m_hits->count(cell) == 0) {
        return {};
    }
    switch (role) {
    case HitCountRole:
        return hitCountText(m_hits->count(cell));
    case HitMeanRole: {
        const std::optional<double> mean = m_hits->mean(cell);
        return mean ? QVariant(hitMeanText(*mean)) : QVariant();
    }
    default:
        return hitSummary(*m_hits, cell, m_meanOf);
    }
}

std::optional<QString> TableGridModel::hitSummaryAt(int gridRow, int gridColumn) const {
    if (!m_hits) {
        return std::nullopt;
    }
    return hitSummary(*m_hits, {gridRow, gridColumn}, m_meanOf);
}

void TableGridModel::setHits(std::optional<CellHits> hits, const HitChannel& meanOf) {
    m_hits = std::move(hits);
    m_meanOf = meanOf;
    emit dataChanged(index(0, 0), index(kCells - 1, kCells - 1),
                     {Qt::BackgroundRole, HitCountRole, HitMeanRole, Qt::ToolTipRole});
}

QVariant tableAxisHeader(const TableModel& table, int section, Qt::Orientation orientation,
                         int role) {
    if (role == Qt::DisplayRole) {
        return orientation == Qt::Horizontal ? table.rpmLabel(section + 1)
                                             : table.loadLabel(section + 1);
    }
    if (role == Qt::TextAlignmentRole) {
        return orientation == Qt::Horizontal ? int(Qt::AlignCenter)
                                             : (Qt::AlignRight | Qt::AlignVCenter).toInt();
    }
    return {};
}

QVariant TableGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    return tableAxisHeader(m_table, section, orientation, role);
}

void TableGridModel::reload() {
    emit dataChanged(index(0, 0), index(kCells - 1, kCells - 1));
    emit headerDataChanged(Qt::Horizontal, 0, kCells - 1);
    emit headerDataChanged(Qt::Vertical, 0, kCells - 1);
}

void TableGridModel::refreshCells(const std::vector<GridCell>& cells) {
    if (cells.empty()) {
        return;
    }
    int top = kCells;
    int left = kCells;
    int bottom = 1;
    int right = 1;
    for (const GridCell& c : cells) {
        top = std::min(top, c.row);
        bottom = std::max(bottom, c.row);
        left = std::min(left, c.column);
        right = std::max(right, c.column);
    }
    emit dataChanged(index(top - 1, left - 1), index(bottom - 1, right - 1),
                     {Qt::DisplayRole, Qt::BackgroundRole});
}

void TableGridModel::repaintHighlight(const HighlightRepaint& repaint) {
    for (const GridCell& c : repaint.restore) {
        m_red.erase({c.row, c.column});
    }
    for (const GridCell& c : repaint.paint) {
        m_red.insert({c.row, c.column});
    }
    // Two small rectangles rather than one that may span the grid; the view
    // still paints them in one update.
    refreshCells(repaint.restore);
    refreshCells(repaint.paint);
}

bool TableGridModel::isRed(int gridRow, int gridColumn) const {
    return m_red.contains({gridRow, gridColumn});
}

void TableGridModel::clearHighlight() {
    m_red.clear();
    emit dataChanged(index(0, 0), index(kCells - 1, kCells - 1), {Qt::BackgroundRole});
}
