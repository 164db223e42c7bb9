// SPDX-License-Identifier: GPL-3.0-or-later
// The starting/accel/decel/cylinder compensation window beside the engine
// data window, the closed-loop EGO window with its setpoints and the
// air/water/battery compensation curves.

#include "Harness.h"
#include "Scenes.h"
#include "config/Comp2Window.h"
#include "config/EgoWindow.h"
#include "tables/CurveWindow.h"

#include <QAction>
#include <QMdiSubWindow>

namespace {

constexpr int kRunMs = 2000;
constexpr QSize kWindowSize(1100, 1240);

QMdiSubWindow* subWindowOf(QWidget* window) {
    return window != nullptr ? qobject_cast<QMdiSubWindow*>(window->parentWidget()) : nullptr;
}

} // namespace

int curvesScene(Harness& h) {
    // User input 1 supplies the EGO setpoints: leaner at light load.
    EcuSettings image = SimulatedEcu::defaultImage();
    image.LoadControl = 1;
    image.MapSensorType = 1;
    image.TpsSensorType = 1;
    image.WaterTempSensorType = 1;
    image.EgoMaxRpm = 12;
    image.EgoMinRpm = 2;
    image.EgoMaxLoad = 3;
    image.EgoMinLoad = 14;
    for (int k = 0; k < 17; ++k) {
        image.UserInputAnalogTable[0][static_cast<std::size_t>(k)] =
            static_cast<int16_t>(k < 10 ? 128 : 128 + 4 * (k - 9));
    }
    h.start(image, kWindowSize);
    MainWindow& window = h.window();

    // Input 1 in EGO mode needs the closed-loop section of a developer's ECU,
    // which the start-up check turns off otherwise: it is set afterwards.
    SettingsStore& store = window.store();
    store.setValue(FieldId::UserInputAnalogMode0, 3, SettingsStore::Send::Never);
    store.setValue(FieldId::EgoControl, 1, SettingsStore::Send::Never);
    h.ecu().setSettings(store.settings());

    // The EGO window closes the others, so it opens first.
    window.menus().tuningEgo->trigger();
    window.menus().tuningComp2->trigger();
    QMdiSubWindow* ego = subWindowOf(window.findChild<EgoWindow*>());
    QMdiSubWindow* comp2 = subWindowOf(window.findChild<Comp2Window*>());
    if (ego == nullptr || comp2 == nullptr) {
        return Harness::fail("the compensation windows did not open");
    }
    const QRect comp2Rect = comp2->geometry();
    comp2->resize(comp2Rect.width(), comp2->sizeHint().height());
    ego->setGeometry(0, comp2->geometry().bottom() + 4, comp2Rect.width(),
                     ego->sizeHint().height());
    window.menus().tuningComp1->trigger();
    QMdiSubWindow* comp1 = subWindowOf(window.findChild<Comp1Window*>());
    if (comp1 != nullptr) {
        comp1->setGeometry(0, ego->geometry().bottom() + 4, comp2Rect.width(),
                           comp1->sizeHint().height());
    }
    return h.saveAfter(kRunMs);
}
