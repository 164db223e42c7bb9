// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tables/TableHistory.h"

#include <QUndoCommand>

class SettingsStore;

// One undo step of a table editor. The change itself has already been
// stored and sent when the step is pushed; undo sends the old values of the
// cells it changed, redo the new ones again, each as one change of the store.
class TableEditCommand : public QUndoCommand {
public:
    TableEditCommand(SettingsStore& store, FieldId field, TableStep step, const QString& text);

    void undo() override;
    void redo() override;

private:
    SettingsStore& m_store;
    FieldId m_field;
    TableStep m_step;
    bool m_done = true; // the first redo (on push) has nothing left to do
};
