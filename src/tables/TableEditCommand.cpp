// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/TableEditCommand.h"

TableEditCommand::TableEditCommand(SettingsStore& store, FieldId field, TableStep step,
                                   const QString& text)
    : QUndoCommand(text), m_store(store), m_field(field), m_step(std::move(step)) {}

void TableEditCommand::undo() {
    m_store.setCells(m_field, m_step.undoCells(), SettingsStore::Send::Always);
    m_done = false;
}

void TableEditCommand::redo() {
    if (m_done) {
        return;
    }
    m_store.setCells(m_field, m_step.redoCells(), SettingsStore::Send::Always);
    m_done = true;
}
