// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/SettingsStore.h"

#include <QObject>

class QUndoStack;
struct TableEditorDescription;

// The undo history of one table. It outlives the table's editor, so that a
// change made while the editor is closed (a generated default table) is an
// undo step of the editor opened afterwards. A whole-record change (a loaded
// file, a read of the ECU) clears it.
class TableUndoHistory : public QObject {
    Q_OBJECT
public:
    TableUndoHistory(const TableEditorDescription& description, SettingsStore& store,
                     QObject* parent = nullptr);

    QUndoStack* stack() const { return m_stack; }

    // Stores and sends the cells as one change of the store and, when it
    // changes any cell, pushes it as one undo step.
    void apply(const std::vector<FieldCell>& cells, SettingsStore::Send send, const QString& what);

private:
    const TableEditorDescription& m_description;
    SettingsStore& m_store;
    QUndoStack* m_stack = nullptr;
};
