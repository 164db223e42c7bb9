// SPDX-License-Identifier: GPL-3.0-or-later
// The idle air control and the extra-parameters windows side by side, as a
// tuner in developer mode sees them.

#include "Harness.h"
#include "Scenes.h"
#include "config/IdleExtraWindows.h"

#include <QAction>
#include <QMdiSubWindow>

namespace {

constexpr int kRunMs = 1500;
constexpr QSize kWindowSize(1100, 600);

// Places the sub-window of a child at its natural size; false when the child
// did not open.
bool place(QWidget* child, int x, int y) {
    auto* sub = child != nullptr ? qobject_cast<QMdiSubWindow*>(child->parentWidget()) : nullptr;
    if (sub == nullptr) {
        return false;
    }
    sub->move(x, y);
    sub->resize(sub->sizeHint());
    return true;
}

} // namespace

int idleScene(Harness& h) {
    EcuSettings image = SimulatedEcu::defaultImage();
    image.UC_Extra = {12, 0, 200, 0, 0};
    image.UI_Extra = {1500, 40000, 0, 0, 0};
    h.start(image, kWindowSize);
    h.state().DeveloperMode = true;

    h.window().menus().engineExtra->trigger();
    h.window().menus().tuningIac->trigger();
    if (!place(h.window().findChild<IacWindow*>(), 20, 20) ||
        !place(h.window().findChild<ExtraWindow*>(), 500, 20)) {
        return Harness::fail("a window of the idle scene did not open");
    }
    return h.saveAfter(kRunMs);
}
