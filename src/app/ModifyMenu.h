// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <functional>

struct MainMenus;
class QMdiArea;
class QMdiSubWindow;
class TableEditorWindow;
class WindowRegistry;

// The Modify menu: its commands act on the table editor activated last, and
// are enabled while a table editor is the active window (the smart entries
// while that editor offers them).
class ModifyMenu : public QObject {
    Q_OBJECT
public:
    ModifyMenu(const MainMenus& menus, WindowRegistry& windows, QMdiArea& area,
               QObject* parent = nullptr);

private:
    void update(QMdiSubWindow* activated);
    void route(const std::function<void(TableEditorWindow&)>& command);

    const MainMenus& m_menus;
    WindowRegistry& m_windows;
};
