// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ModifyMenu.h"

#include "app/MenuBuilder.h"
#include "app/WindowRegistry.h"
#include "tables/TableEditorWindow.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

ModifyMenu::ModifyMenu(const MainMenus& menus, WindowRegistry& windows, QMdiArea& area,
                       QObject* parent)
    : QObject(parent), m_menus(menus), m_windows(windows) {
    const auto on = [this](QAction* action, auto command) {
        connect(action, &QAction::triggered, this, [this, command] { route(command); });
    };
    on(menus.modifyAdd, [](TableEditorWindow& w) { w.arithmetic(BlockArithmetic::Add); });
    on(menus.modifySubtract, [](TableEditorWindow& w) { w.arithmetic(BlockArithmetic::Subtract); });
    on(menus.modifyMult, [](TableEditorWindow& w) { w.arithmetic(BlockArithmetic::Multiply); });
    on(menus.modifyDivide, [](TableEditorWindow& w) { w.arithmetic(BlockArithmetic::Divide); });
    on(menus.modifySmooth, [](TableEditorWindow& w) { w.smooth(); });
    // Only the fuel editor offers the smart entries.
    on(menus.modifyAddCurrent, [](TableEditorWindow& w) { w.addCurrent(1); });
    on(menus.modifySubtractCurrent, [](TableEditorWindow& w) { w.addCurrent(-1); });
    connect(&area, &QMdiArea::subWindowActivated, this, &ModifyMenu::update);
    connect(&windows, &WindowRegistry::windowAdded, this, [this](QMdiSubWindow* sub) {
        if (auto* editor = qobject_cast<TableEditorWindow*>(sub->widget())) {
            connect(editor, &TableEditorWindow::smartAddAvailabilityChanged, this, [this, sub] {
                if (m_windows.find(m_windows.activeWindow()) == sub) {
                    update(sub);
                }
            });
        }
    });
}

void ModifyMenu::update(QMdiSubWindow* activated) {
    const auto* editor =
        activated != nullptr ? qobject_cast<TableEditorWindow*>(activated->widget()) : nullptr;
    for (QAction* a : {m_menus.modifyAdd, m_menus.modifySubtract, m_menus.modifyMult,
                       m_menus.modifyDivide, m_menus.modifySmooth}) {
        a->setEnabled(editor != nullptr);
    }
    const bool smart = editor != nullptr && editor->smartAddAvailable();
    m_menus.modifyAddCurrent->setEnabled(smart);
    m_menus.modifySubtractCurrent->setEnabled(smart);
}

void ModifyMenu::route(const std::function<void(TableEditorWindow&)>& command) {
    TableEditorWindow* editor = nullptr;
    if (m_windows.activeWindow() == WindowCode::Fuel) {
        editor = m_windows.find<FuelWindow>();
    } else if (m_windows.activeWindow() == WindowCode::Ignition) {
        editor = m_windows.find<IgnWindow>();
    }
    if (editor != nullptr) {
        command(*editor);
    }
}
