// SPDX-License-Identifier: GPL-3.0-or-later
// The table editors' share of the program's work: one poll tick with both
// editors, their cross-hairs and load plots open, and one smooth of the whole
// fuel table. Against the in-process simulated ECU; the smooth sends to a
// sender that does nothing, so no line time is counted.

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "monitor/LiveSample.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"
#include "tables/TableEditorWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

class SilentInteraction : public UserInteraction {
public:
    Answer message(const QString&, Icon, Buttons buttons, const QString&) override {
        return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
    }
    void setBusy(bool) override {}
    void beginProgress(const QString&) override {}
    void stepProgress() override {}
    void endProgress() override {}
};

struct Program {
    QTemporaryDir dir;
    AppState state;
    SilentInteraction ui;
    SimulatedEcu ecu;
    SimulatedLink link{&ecu};
    std::unique_ptr<MainWindow> window;

    Program() {
        prepareStartupState(state);
        ecu.startEngine();
        MainWindow::Options options;
        options.settingsPath = dir.filePath(QStringLiteral("Vantrel.ini"));
        options.portGiven = true;
        options.chooseFile = [](const QString&, const QString&, MainWindow::FileDialogMode) {
            return QString();
        };
        window = std::make_unique<MainWindow>(state, ui, link, options);
        window->resize(1280, 900);
        window->show();
        window->runStartup();
        window->stopPollTimer();
        // After the settings file: both cross-hairs and both load plots.
        state.display.DisplayFuelCrossHair = true;
        state.display.DisplayIgnitionCrossHair = true;
        state.display.PlotLoadLineFuel = true;
        state.display.PlotLoadLineIgnition = true;
        window->menus().tuningFuel->trigger();
        window->menus().tuningIgnition->trigger();
        window->mdiArea()->tileSubWindows();
    }
    template <typename T> T* editor() const {
        for (QMdiSubWindow* sub : window->mdiArea()->subWindowList()) {
            if (auto* e = qobject_cast<T*>(sub->widget())) {
                return e;
            }
        }
        return nullptr;
    }
};

// The editors' own work of a tick, the operating point moving every time:
// the red cells, the dot, and the repaint of what changed in both windows.
void BM_EditorsPollWork(benchmark::State& bench) {
    Program p;
    p.state.EcuOnline = true;
    auto* fuel = p.editor<FuelWindow>();
    auto* ign = p.editor<IgnWindow>();
    if (fuel->loadPlot() == nullptr || ign->loadPlot() == nullptr) {
        bench.SkipWithError("an editor opened without its load plot");
    }
    int i = 0;
    EngineData e = EngineData::withChannelLayout();
    for (auto _ : bench) {
        e.RpmChannel.Value = static_cast<float>(800 + (i % 40) * 150);
        e.MapPercent = static_cast<float>(20 + (i % 9) * 8);
        e.TpsChannel.Value = e.MapPercent;
        ++i;
        const LiveSample sample = LiveSample::fromEngineData(e, i);
        fuel->upDate(sample);
        ign->upDate(sample);
        QCoreApplication::processEvents(); // the repaint of the changed cells
    }
}
BENCHMARK(BM_EditorsPollWork)->Unit(benchmark::kMicrosecond);

// A whole tick: the live reads over the in-process link, the status bar, the
// data window and both editors.
void BM_PollTickWithEditors(benchmark::State& bench) {
    Program p;
    for (auto _ : bench) {
        p.window->pollTick();
        QCoreApplication::processEvents();
    }
    if (!p.state.EcuOnline) {
        bench.SkipWithError("the ECU went offline");
    }
}
BENCHMARK(BM_PollTickWithEditors)->Unit(benchmark::kMicrosecond);

// One smooth of the whole 16 x 16 fuel table: the interpolation, the store,
// the undo step and the grid update; the sender does nothing.
void BM_SmoothWholeTable(benchmark::State& bench) {
    AppState state;
    SettingsStore store(SimulatedEcu::defaultImage());
    store.setSender([](int, int, int) {});
    SilentInteraction ui;
    FuelWindow window(state, store, ui, nullptr);
    window.resize(900, 600);
    window.show();
    window.select({1, 1, 16, 16});
    int i = 0;
    for (auto _ : bench) {
        // A new corner.
        store.setCells(FieldId::FuelTable, {{0, 0, i++ % 200}}, SettingsStore::Send::Never);
        window.smooth();
    }
}
BENCHMARK(BM_SmoothWholeTable)->Unit(benchmark::kMicrosecond);

} // namespace
