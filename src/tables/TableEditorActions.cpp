// SPDX-License-Identifier: GPL-3.0-or-later
// The table editor's context menu: undo and redo, copy and paste, the hits
// of the open log and the channel of their mean, smart add and subtract,
// each with its keys while the grid has the focus.

#include "record/UserInteraction.h"
#include "tables/LogOverlay.h"
#include "tables/TableClipboard.h"
#include "tables/TableEditorWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QUndoStack>

void TableEditorWindow::buildActions() {
    const auto add = [this](QAction* action, const QList<QKeySequence>& keys) {
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_grid->addAction(action);
        return action;
    };
    const auto separator = [this] {
        auto* line = new QAction(this);
        line->setSeparator(true);
        m_grid->addAction(line);
    };

    QAction* undo =
        add(undoStack()->createUndoAction(this, tr("&Undo")), {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    undo->setObjectName(QStringLiteral("UndoAction"));
    QAction* redo =
        add(undoStack()->createRedoAction(this, tr("&Redo")),
            {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    redo->setObjectName(QStringLiteral("RedoAction"));
    separator();

    QAction* copy = add(new QAction(tr("&Copy"), this), {QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    copy->setObjectName(QStringLiteral("CopyAction"));
    connect(copy, &QAction::triggered, this, &TableEditorWindow::copyBlock);
    QAction* paste = add(new QAction(tr("&Paste"), this), {QKeySequence(Qt::SHIFT | Qt::Key_Insert),
                                                           QKeySequence(Qt::CTRL | Qt::Key_V)});
    paste->setObjectName(QStringLiteral("PasteAction"));
    connect(paste, &QAction::triggered, this, &TableEditorWindow::pasteBlock);

    if (m_overlay != nullptr) {
        separator();
        // Reachable while any part of the editor has the focus; no menu
        // command of the main window has these keys.
        m_hitsAction = add(new QAction(tr("Show &Hits"), this),
                           {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H)});
        m_hitsAction->setObjectName(QStringLiteral("HitsAction"));
        m_hitsAction->setCheckable(true);
        addAction(m_hitsAction);
        connect(m_hitsAction, &QAction::toggled, m_hitsButton, &QPushButton::setChecked);
        connect(m_hitsButton, &QPushButton::toggled, m_hitsAction, &QAction::setChecked);
        connect(m_hitsAction, &QAction::toggled, this, &TableEditorWindow::countHits);
        m_meanMenu = new QMenu(tr("Hits &Mean Of"), this);
        m_meanMenu->setObjectName(QStringLiteral("HitsMeanMenu"));
        m_grid->addAction(m_meanMenu->menuAction());
        m_meanChoices = new QActionGroup(this);
        connect(m_meanChoices, &QActionGroup::triggered, this, [this](QAction* choice) {
            m_overlay->setMeanOf(m_description.isIgnition, choice->data().toString());
        });
    }

    if (m_description.isIgnition) {
        return;
    }
    separator();
    m_smartAdd = add(new QAction(tr("Smart Add"), this), {QKeySequence(Qt::SHIFT | Qt::Key_F5)});
    m_smartAdd->setObjectName(QStringLiteral("SmartAddAction"));
    connect(m_smartAdd, &QAction::triggered, this, [this] { addCurrent(1); });
    m_smartSubtract =
        add(new QAction(tr("Smart Subtract"), this), {QKeySequence(Qt::SHIFT | Qt::Key_F6)});
    m_smartSubtract->setObjectName(QStringLiteral("SmartSubtractAction"));
    connect(m_smartSubtract, &QAction::triggered, this, [this] { addCurrent(-1); });
    for (QAction* smart : {m_smartAdd, m_smartSubtract}) {
        smart->setEnabled(false);
        // Reachable while any part of the editor has the focus.
        addAction(smart);
    }
}

void TableEditorWindow::copyBlock() {
    QGuiApplication::clipboard()->setText(
        ::copyBlock(m_description, m_store.settings(), selection()));
}

void TableEditorWindow::pasteBlock() {
    const GridSelection s = selection();
    const PasteResult result =
        ::pasteBlock(m_description, m_store.settings(), s, QGuiApplication::clipboard()->text());
    if (!result.error.isEmpty()) {
        m_ui.message(result.error, UserInteraction::Icon::Information);
        return;
    }
    apply(result.cells, SettingsStore::Send::IfChanged, tr("Paste"));
    select(s);
}
