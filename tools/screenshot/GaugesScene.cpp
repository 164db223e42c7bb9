// SPDX-License-Identifier: GPL-3.0-or-later
// The gauges as a tuner sees them in the car: the usual six gauges on an
// engine pulling to 6000 rpm, past its rpm gauge's warning limit.

#include "Harness.h"
#include "Scenes.h"
#include "gauges/GaugesWindow.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <memory>

namespace {

constexpr int kRunMs = 3000;
constexpr QSize kWindowSize(1100, 720);
// How long the engine has run when the gauges open: late in the first pull
// of its drive cycle, so that the picture is taken just past 6000 rpm.
constexpr qint64 kRunningMs = 61000;

} // namespace

int gaugesScene(Harness& h) {
    h.start(SimulatedEcu::defaultImage(), kWindowSize);
    // The key goes on at the clock's first reading; then the clock leaps.
    QElapsedTimer clock;
    clock.start();
    auto leap = std::make_shared<qint64>(0);
    h.ecu().setClock([clock, leap] { return *leap + clock.elapsed(); });
    *leap = kRunningMs;

    MainWindow& window = h.window();
    window.menus().displayGauges->trigger();
    auto* gauges = window.findChild<GaugesWindow*>();
    if (gauges == nullptr) {
        return Harness::fail("the gauges did not open");
    }
    if (auto* sub = qobject_cast<QMdiSubWindow*>(gauges->parentWidget())) {
        sub->setGeometry(window.mdiArea()->viewport()->rect());
    }
    // This engine's rpm warns from 5500, so that the pull shows the warning
    // whatever the flutter of its rpm; typed into the editor, then closed.
    auto* edit = gauges->findChild<QAction*>(QStringLiteral("EditGauges"));
    auto* warning = gauges->findChild<QLineEdit*>(QStringLiteral("WarningAbove"));
    if (edit == nullptr || warning == nullptr) {
        return Harness::fail("the gauges' editor is missing");
    }
    edit->trigger();
    warning->setText(QStringLiteral("5500"));
    emit warning->editingFinished();
    edit->trigger();
    return h.saveAfter(kRunMs);
}
