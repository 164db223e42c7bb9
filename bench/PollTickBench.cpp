// SPDX-License-Identifier: GPL-3.0-or-later
// One tick of the poll timer with the data window open, the status bar
// refreshed and logging on, against the in-process simulated ECU, so that
// the figure is the program's own work without any time on the line; and
// the same with every view of the live values open.

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "monitor/LoggingController.h"
#include "record/AppState.h"
#include "record/UserInteraction.h"
#include "session/Session.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <QAction>
#include <QMdiArea>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
// Answers every question with Yes and shows nothing.
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

// Which views are open while the ticks run.
enum class Views { DataAndFuel, Every };

void runPollTicks(benchmark::State& bench, Views views) {
    QTemporaryDir dir;
    AppState state;
    prepareStartupState(state);
    SilentInteraction ui;
    SimulatedEcu ecu;
    ecu.startEngine();
    SimulatedLink link(&ecu);

    MainWindow::Options options;
    options.settingsPath = dir.filePath(QStringLiteral("Vantrel.ini"));
    options.portGiven = true;
    const QString logPath = dir.filePath(QStringLiteral("bench.log"));
    options.chooseFile = [logPath](const QString&, const QString&, MainWindow::FileDialogMode) {
        return logPath;
    };
    MainWindow window(state, ui, link, options);
    window.resize(1280, 1000);
    window.show();
    window.runStartup();
    window.stopPollTimer();
    const MainMenus& menus = window.menus();
    if (views == Views::Every) {
        // The setup window first: it closes the windows of the settings it
        // shows when it opens.
        menus.engineSetup->trigger();
        menus.sensorCheck->trigger();
        menus.plotRealTime->trigger();
        menus.tuningIgnition->trigger();
        menus.setupDisplayIgnCrossHair->trigger();
        menus.setup3DFuel->trigger();
        menus.setup3DIgnition->trigger();
        menus.setupDisplayFuelCrossHair->trigger();
    }
    menus.tuningFuel->trigger(); // the data window and the fuel editor
    window.setupLogData();
    window.pollTick(); // opens the log file and writes the header

    for (auto _ : bench) {
        window.pollTick();
    }
    bench.counters["windows"] = static_cast<double>(window.mdiArea()->subWindowList().size());
    if (!state.EcuOnline || !window.session().logging().active()) {
        bench.SkipWithError("the ECU went offline or logging stopped");
    }
    window.close();
}

void BM_PollTick(benchmark::State& bench) {
    runPollTicks(bench, Views::DataAndFuel);
}
BENCHMARK(BM_PollTick)->Unit(benchmark::kMicrosecond);

void BM_PollTickEveryView(benchmark::State& bench) {
    runPollTicks(bench, Views::Every);
}
BENCHMARK(BM_PollTickEveryView)->Unit(benchmark::kMicrosecond);
} // namespace
