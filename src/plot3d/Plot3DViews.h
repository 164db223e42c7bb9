// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plot3d/Plot3DWindow.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <array>
#include <functional>

struct AppState;
class LiveFeed;
class QAction;
class QMenu;
class SettingsStore;
class UserInteraction;

// The main window's commands of the 3D plots: the Display menu's two ticks
// and the plots' popup menu.
struct Plot3DMenus {
    QAction* fuel = nullptr;
    QAction* ignition = nullptr;
    QMenu* popup = nullptr;
    QAction* close = nullptr;
    QAction* zoom = nullptr;
    QAction* print = nullptr;
};

// The fuel and the ignition 3D plot: opens and closes them from the Display
// menu, keeps the menu's ticks and the settings' flags in step with them
// however they close, and runs the popup menu on the plot it was opened on.
class Plot3DViews : public QObject {
    Q_OBJECT
public:
    // The editor's selected grid cell of a plot's table (x the column, y the
    // row, 1..16), or nothing while that editor is closed.
    using SelectedCellSource = std::function<std::optional<QPoint>(const Plot3DDescription& plot)>;

    Plot3DViews(AppState& state, SettingsStore& store, LiveFeed& feed, UserInteraction& ui,
                QWidget* owner, const Plot3DMenus& menus);
    ~Plot3DViews() override;

    // The Display menu command: closes the plot when it is open, otherwise
    // opens it (once start-up is complete); the flag and the tick follow.
    void toggle(const Plot3DDescription& plot);
    // End of start-up: opens the plots whose flags were kept, ignition first.
    void openAtStartup();
    // Shutdown: closes the open plots; their flags stay set and their
    // positions are recorded for the settings file.
    void closeForExit();

    Plot3DWindow* window(const Plot3DDescription& plot) const;
    // The open plots, fuel first (File > Print Plot prints them).
    QList<Plot3DWindow*> openWindows() const;
    void setSelectedCellSource(SelectedCellSource source);
    // 1 when the popup menu was opened on the fuel plot, 2 on the ignition
    // plot, 0 before.
    int popupOwner() const { return m_popupOwner; }

private:
    void load(const Plot3DDescription& plot);
    void unload(const Plot3DDescription& plot);
    void showTick(const Plot3DDescription& plot);
    const Plot3DDescription* popupPlot() const;
    static std::size_t slot(const Plot3DDescription& plot) { return plot.isIgnition ? 1 : 0; }

    AppState& m_state;
    SettingsStore& m_store;
    LiveFeed& m_feed;
    UserInteraction& m_ui;
    QWidget* m_owner;
    Plot3DMenus m_menus;
    std::array<QPointer<Plot3DWindow>, 2> m_windows;
    SelectedCellSource m_selected;
    int m_popupOwner = 0;
    bool m_exiting = false;
};
