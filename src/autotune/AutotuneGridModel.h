// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "autotune/AutotuneWorkspace.h"
#include "autotune/ProposalView.h"
#include "tables/TableModel.h"

#include <QAbstractTableModel>

struct AppState;

// The proposal as the autotune window's grid shows it: the workspace's
// cells in the Show choice's texts and their colours, the fuel editor's axis
// labels. Model row r and column c are table row r and column c.
class AutotuneGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    AutotuneGridModel(const AppState& state, const EcuSettings& settings,
                      const AutotuneWorkspace& workspace, QObject* parent = nullptr);

    const TableModel& labels() const { return m_labels; }
    ProposalShow show() const { return m_show; }
    void setShow(ProposalShow show);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Every cell and label anew (a new proposal, a change of the axes).
    void reload();

private:
    TableModel m_labels;
    const AutotuneWorkspace& m_workspace;
    ProposalShow m_show = ProposalShow::NewMs;
};
