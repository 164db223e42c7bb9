// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/TableUndoHistory.h"

#include "tables/TableEditCommand.h"
#include "tables/TableEditorDescription.h"
#include "tables/TableHistory.h"

#include <QUndoStack>

TableUndoHistory::TableUndoHistory(const TableEditorDescription& description, SettingsStore& store,
                                   QObject* parent)
    : QObject(parent), m_description(description), m_store(store), m_stack(new QUndoStack(this)) {
    connect(&m_store, &SettingsStore::changed, this, [this](const SettingsChange& change) {
        if (change.wholeRecord) {
            m_stack->clear();
        }
    });
}

void TableUndoHistory::apply(const std::vector<FieldCell>& cells, SettingsStore::Send send,
                             const QString& what) {
    if (cells.empty()) {
        return;
    }
    TableStep step = tableStep(m_description, m_store.settings(), cells);
    m_store.setCells(m_description.field, cells, send);
    if (step.changesAnything()) {
        m_stack->push(new TableEditCommand(m_store, m_description.field, std::move(step), what));
    }
}
