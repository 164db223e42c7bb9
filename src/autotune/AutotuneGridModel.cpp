// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/AutotuneGridModel.h"

#include "tables/TableGridModel.h"

#include <QColor>

namespace {

QColor colourOf(RgbColour c) {
    return {c.red, c.green, c.blue};
}

} // namespace

AutotuneGridModel::AutotuneGridModel(const AppState& state, const EcuSettings& settings,
                                     const AutotuneWorkspace& workspace, QObject* parent)
    : QAbstractTableModel(parent), m_labels(fuelEditor(), state, settings), m_workspace(workspace) {
}

void AutotuneGridModel::setShow(ProposalShow show) {
    m_show = show;
    emit dataChanged(index(0, 0), index(kAutotuneSize - 1, kAutotuneSize - 1), {Qt::DisplayRole});
}

int AutotuneGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kAutotuneSize;
}

int AutotuneGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kAutotuneSize;
}

QVariant AutotuneGridModel::data(const QModelIndex& index, int role) const {
    const AutotuneCell& cell =
        m_workspace.proposal()
            .cells[static_cast<size_t>(index.row())][static_cast<size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        return proposalCellText(cell, m_show);
    case Qt::BackgroundRole:
        return colourOf(proposalCellColour(cell, m_workspace.choices().options));
    case Qt::ToolTipRole:
        return proposalCellDetail(cell, index.row(), index.column(), m_workspace.choices().options);
    case Qt::TextAlignmentRole:
        return (Qt::AlignRight | Qt::AlignVCenter).toInt();
    default:
        return {};
    }
}

QVariant AutotuneGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    return tableAxisHeader(m_labels, section, orientation, role);
}

void AutotuneGridModel::reload() {
    emit dataChanged(index(0, 0), index(kAutotuneSize - 1, kAutotuneSize - 1));
    emit headerDataChanged(Qt::Horizontal, 0, kAutotuneSize - 1);
    emit headerDataChanged(Qt::Vertical, 0, kAutotuneSize - 1);
}
