// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot3d/Plot3DViews.h"

#include "record/AppState.h"
#include "record/UserInteraction.h"

#include <QAction>
#include <QMenu>

Plot3DViews::Plot3DViews(AppState& state, SettingsStore& store, LiveFeed& feed, UserInteraction& ui,
                         QWidget* owner, const Plot3DMenus& menus)
    : m_state(state), m_store(store), m_feed(feed), m_ui(ui), m_owner(owner), m_menus(menus) {
    connect(m_menus.fuel, &QAction::triggered, this, [this] { toggle(fuelPlot()); });
    connect(m_menus.ignition, &QAction::triggered, this, [this] { toggle(ignitionPlot()); });
    connect(m_menus.close, &QAction::triggered, this, [this] {
        if (const Plot3DDescription* plot = popupPlot(); plot != nullptr && window(*plot)) {
            toggle(*plot);
        }
    });
    connect(m_menus.zoom, &QAction::triggered, this, [this] {
        if (const Plot3DDescription* plot = popupPlot(); plot != nullptr && window(*plot)) {
            window(*plot)->zoomForm();
        }
    });
    connect(m_menus.print, &QAction::triggered, this, [this] {
        const Plot3DDescription* plot = popupPlot();
        if (plot != nullptr && window(*plot) && !window(*plot)->print3DPlot()) {
            m_ui.message(tr("The %1 could not be printed.").arg(plot->caption),
                         UserInteraction::Icon::Critical);
        }
    });
}

Plot3DViews::~Plot3DViews() {
    for (const QPointer<Plot3DWindow>& w : m_windows) {
        delete w.data();
    }
}

Plot3DWindow* Plot3DViews::window(const Plot3DDescription& plot) const {
    return m_windows[slot(plot)].data();
}

QList<Plot3DWindow*> Plot3DViews::openWindows() const {
    QList<Plot3DWindow*> open;
    for (const QPointer<Plot3DWindow>& w : m_windows) {
        if (w) {
            open << w.data();
        }
    }
    return open;
}

void Plot3DViews::setSelectedCellSource(SelectedCellSource source) {
    m_selected = std::move(source);
    for (Plot3DWindow* w : openWindows()) {
        w->update();
    }
}

const Plot3DDescription* Plot3DViews::popupPlot() const {
    switch (m_popupOwner) {
    case 1:
        return &fuelPlot();
    case 2:
        return &ignitionPlot();
    default:
        return nullptr;
    }
}

void Plot3DViews::toggle(const Plot3DDescription& plot) {
    if (window(plot) != nullptr) {
        unload(plot);
    } else if (m_state.StartupComplete) {
        load(plot);
    }
    m_state.display.*plot.flag = window(plot) != nullptr;
    showTick(plot);
}

void Plot3DViews::showTick(const Plot3DDescription& plot) {
    (plot.isIgnition ? m_menus.ignition : m_menus.fuel)->setChecked(m_state.display.*plot.flag);
}

void Plot3DViews::load(const Plot3DDescription& plot) {
    auto* w = new Plot3DWindow(plot, m_state, m_store, &m_feed, m_owner);
    m_windows[slot(plot)] = w;
    w->setSelectedCell([this, p = &plot] { return m_selected ? m_selected(*p) : std::nullopt; });
    connect(w, &Plot3DWindow::popupRequested, this, [this, p = &plot](const QPoint& at) {
        m_popupOwner = p->popupOwner;
        m_menus.popup->popup(at);
    });
    // However the window closes (the Display menu, the popup menu, the window
    // system), it is gone; outside shutdown its tick goes with it.
    connect(w, &Plot3DWindow::closed, this, [this, p = &plot] {
        m_windows[slot(*p)] = nullptr;
        if (!m_exiting) {
            m_state.display.*p->flag = false;
            showTick(*p);
        }
    });
    w->show();
    w->activateWindow();
}

void Plot3DViews::unload(const Plot3DDescription& plot) {
    if (Plot3DWindow* w = window(plot)) {
        w->close();
    }
    m_windows[slot(plot)] = nullptr;
}

void Plot3DViews::openAtStartup() {
    for (const Plot3DDescription* plot : {&ignitionPlot(), &fuelPlot()}) {
        if (m_state.display.*plot->flag && window(*plot) == nullptr) {
            toggle(*plot);
        }
    }
}

void Plot3DViews::closeForExit() {
    m_exiting = true;
    for (const Plot3DDescription* plot : {&fuelPlot(), &ignitionPlot()}) {
        unload(*plot);
    }
}
