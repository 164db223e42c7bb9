// SPDX-License-Identifier: GPL-3.0-or-later
// The tune history after an afternoon's tuning: the read at start named and
// noted, a store and a data file saved since, and the read compared with the
// settings now loaded, on the page of the fuel table with its cells coloured
// by their change.

#include "Harness.h"
#include "Scenes.h"
#include "files/DifferenceView.h"
#include "history/HistoryWindow.h"
#include "record/SettingsStore.h"

#include <QAction>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kRunMs = 800;
constexpr QSize kWindowSize(1280, 900);

// Richer in the mid range, leaner at light load and a little more advance:
// a pull on the dyno's worth of changes.
void tune(SettingsStore& store) {
    const EcuSettings& s = store.settings();
    std::vector<FieldCell> fuel;
    for (int load = 2; load < 9; ++load) {
        for (int rpm = 4; rpm < 11; ++rpm) {
            const double factor = 1.0 + 0.03 * (9 - load) - 0.02 * std::abs(rpm - 7);
            fuel.push_back(
                {load, rpm,
                 std::clamp<int64_t>(
                     std::lround(s.FuelTable[std::size_t(load)][std::size_t(rpm)] * factor), 0,
                     255)});
        }
    }
    for (int rpm = 1; rpm < 5; ++rpm) {
        fuel.push_back({13, rpm, s.FuelTable[13][std::size_t(rpm)] * 9 / 10});
    }
    store.setCells(FieldId::FuelTable, fuel, SettingsStore::Send::IfChanged);
    store.setValue(FieldId::RevLimit, 7600);
    store.setCells(FieldId::AirTempFuelComp,
                   {{3, 0, s.AirTempFuelComp[3] + 2}, {4, 0, s.AirTempFuelComp[4] + 3}},
                   SettingsStore::Send::IfChanged);
}

} // namespace

int historyScene(Harness& h) {
    h.start(SimulatedEcu::defaultImage(), kWindowSize);
    MainWindow& window = h.window();
    tune(window.store());
    window.menus().tuningSaveSettingsToEcu->trigger();

    window.menus().fileHistory->trigger();
    auto* history = window.findChild<HistoryWindow*>();
    if (history == nullptr || history->list()->rowCount() < 2) {
        return Harness::fail("the history window did not list the snapshots");
    }
    QTableWidget* list = history->list();
    // The read at start: the oldest row.
    list->setCurrentCell(list->rowCount() - 1, 0);
    history->nameBox()->setText(QStringLiteral("as delivered"));
    emit history->nameBox()->editingFinished();
    history->noteBox()->setText(QStringLiteral("before the dyno day"));
    emit history->noteBox()->editingFinished();
    QTabBar* pages = history->differenceView()->pages()->tabBar();
    for (int i = 0; i < pages->count(); ++i) {
        if (pages->tabText(i).startsWith(QStringLiteral("Fuel Table"))) {
            pages->setCurrentIndex(i);
        }
    }
    return h.saveAfter(kRunMs);
}
