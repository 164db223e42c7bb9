// SPDX-License-Identifier: GPL-3.0-or-later
// "autotune": the autotune window after four minutes of the simulated
// engine's drive on the live source, over a fuel table that is wrong by a
// known pattern; the cells around idle are locked, and the current cell is the one
// with the most weight among those that change.

#include "Harness.h"
#include "Scenes.h"
#include "autotune/AutotuneWindow.h"
#include "monitor/Acquisition.h"
#include "record/SensorConversions.h"
#include "record/SettingCodes.h"
#include "sim/EngineModel.h"

#include <QAbstractButton>
#include <QMdiSubWindow>
#include <QTableView>
#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr QSize kWindowSize(1280, 900);
constexpr qint64 kWarmMs = 10 * 60 * 1000;
constexpr qint64 kStartMs = 3000; // primed and cranked
constexpr int kDriveTicks = 4 * 60 * 2;

// A bigger engine than the default tune's, so that its fuel times sit in the
// middle of the table's range.
EngineModel engineModel() {
    EngineModel model;
    model.fuelMsPerPsi = 1.0;
    return model;
}

// The wideband sensor on user input 2, the EGO setpoints at 14.7 AFR, MAP
// load, and the fuel table the engine needs made up to 12 % wrong, changing
// from cell to cell; it idles on a breakpoint.
EcuSettings wrongTune(const EngineModel& model) {
    EcuSettings s = SimulatedEcu::defaultImage();
    s.LoadControl = static_cast<int16_t>(LoadControl::Map);
    s.UserInputAnalogMode[1] = static_cast<int16_t>(AnalogInputMode::Ego);
    s.UserInputAnalogTable[0].fill(120);
    s.IacColdRpm = 1200;
    s.IacHotRpm = 1200;
    const int steps = kAutotuneSize - 1;
    for (int row = 0; row < kAutotuneSize; ++row) {
        for (int column = 0; column < kAutotuneSize; ++column) {
            const int count = s.MapMinBits + (s.MapMaxBits - s.MapMinBits) * (steps - row) / steps;
            const double needed = model.fuelNeededMs(s.MaxRpm * column / static_cast<double>(steps),
                                                     mapCountsToPsi(s.MapSensorType, count));
            const double wrong = needed * (1 + 0.12 * std::sin(1.7 * row + 2.9 * column));
            s.FuelTable[static_cast<size_t>(row)][static_cast<size_t>(column)] =
                static_cast<int16_t>(std::clamp(std::lround(wrong / 0.0625 - 1), 0L, 255L));
        }
    }
    return s;
}

} // namespace

int autotuneScene(Harness& h) {
    auto now = std::make_shared<qint64>(0);
    const EngineModel model = engineModel();
    h.start(wrongTune(model), kWindowSize, [now] { return *now; });
    h.ecu().setEngineModel(model);
    MainWindow& window = h.window();
    window.stopPollTimer();
    *now = kWarmMs;
    h.ecu().startEngine();
    *now += kStartMs;

    window.menus().tuningAutotune->trigger();
    auto* tune = window.findChild<AutotuneWindow*>();
    if (tune == nullptr) {
        return Harness::fail("the autotune window did not open");
    }
    tune->findChild<QAbstractButton*>(QStringLiteral("LiveSource"))->click();
    for (int tick = 0; tick < kDriveTicks; ++tick) {
        *now += Acquisition::kIntervalMs;
        window.acquisition().tick();
    }
    tune->workspace().toggleLocks({13, 2, 14, 3});

    const AutotuneProposal& proposal = tune->workspace().proposal();
    int bestRow = 0;
    int bestColumn = 0;
    double best = -1;
    for (int row = 0; row < kAutotuneSize; ++row) {
        for (int column = 0; column < kAutotuneSize; ++column) {
            const AutotuneCell& cell =
                proposal.cells[static_cast<size_t>(row)][static_cast<size_t>(column)];
            if (cell.changed() && cell.weight > best) {
                best = cell.weight;
                bestRow = row;
                bestColumn = column;
            }
        }
    }
    tune->grid()->setCurrentIndex(tune->grid()->model()->index(bestRow, bestColumn));
    return h.saveAfter(300);
}
