// SPDX-License-Identifier: GPL-3.0-or-later
// The diagnostics window with an engine running: every sensor as count,
// voltage and value, and the output test buttons.

#include "Harness.h"
#include "Scenes.h"
#include "diag/SensorCheckWindow.h"

#include <QAction>
#include <QMdiSubWindow>

namespace {

constexpr int kRunMs = 4000;
constexpr QSize kWindowSize(1000, 600);

} // namespace

int diagnosticsScene(Harness& h) {
    // Two user inputs in use, so that their rows show values too.
    EcuSettings image = SimulatedEcu::defaultImage();
    image.UserInputAnalogMode = {1, 2, 0};
    h.start(image, kWindowSize);

    h.window().menus().sensorCheck->trigger();
    auto* diagnostics = h.window().findChild<SensorCheckWindow*>();
    if (diagnostics == nullptr) {
        return Harness::fail("the diagnostics window did not open");
    }
    if (auto* sub = qobject_cast<QMdiSubWindow*>(diagnostics->parentWidget())) {
        sub->move(20, 20);
        sub->resize(sub->sizeHint());
    }
    return h.saveAfter(kRunMs);
}
