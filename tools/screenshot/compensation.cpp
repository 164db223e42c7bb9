// Renders the starting/accel/decel/cylinder compensation window beside the
// engine data window, the closed-loop EGO window with its setpoints and the
// air/water/battery compensation curves, on the simulated ECU. No display is needed
// (QT_QPA_PLATFORM=offscreen).

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "cli/StderrInteraction.h"
#include "config/Comp2Window.h"
#include "config/EgoWindow.h"
#include "record/AppState.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"
#include "tables/CurveWindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kRunMs = 2000;
constexpr QSize kWindowSize(1100, 1240);

QMdiSubWindow* subWindowOf(QWidget* window) {
    return window != nullptr ? qobject_cast<QMdiSubWindow*>(window->parentWidget()) : nullptr;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: vantrel-screenshot-compensation OUTPUT.png\n");
        return 2;
    }
    const QString output = args[1];

    AppState state;
    prepareStartupState(state);
    QFile err;
    if (!err.open(stderr, QIODevice::WriteOnly)) {
        return 1;
    }
    StderrInteraction ui(err);
    ui.setAssumeYes(true);

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
    SimulatedEcu ecu(image);
    SimulatedLink link(&ecu);
    ecu.startEngine();

    QTemporaryDir scratch;
    MainWindow::Options options;
    options.settingsPath = scratch.filePath(QStringLiteral("Vantrel.ini"));
    options.recentFilesPath = scratch.filePath(QStringLiteral("recent.conf"));
    options.chooseFile = [](const QString&, const QString&, MainWindow::FileDialogMode) {
        return QString();
    };
    options.portGiven = true;

    MainWindow window(state, ui, link, options);
    window.show();
    window.runStartup();
    window.setWindowState(Qt::WindowNoState);
    window.resize(kWindowSize);

    // Input 1 in EGO mode needs the closed-loop section of a developer's ECU,
    // which the start-up check turns off otherwise: it is set afterwards.
    state.settings.UserInputAnalogMode[0] = 3;
    state.settings.EgoControl = 1;
    ecu.setSettings(state.settings);

    // The EGO window closes the others, so it opens first.
    window.menus().tuningEgo->trigger();
    window.menus().tuningComp2->trigger();
    QMdiSubWindow* ego = subWindowOf(window.findChild<EgoWindow*>());
    QMdiSubWindow* comp2 = subWindowOf(window.findChild<Comp2Window*>());
    if (ego == nullptr || comp2 == nullptr) {
        std::fprintf(stderr, "vantrel-screenshot-compensation: the windows did not open\n");
        return 1;
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

    int result = 0;
    QTimer::singleShot(kRunMs, &window, [&] {
        if (!window.grab().save(output)) {
            std::fprintf(stderr, "vantrel-screenshot-compensation: could not write %s\n",
                         qPrintable(output));
            result = 1;
        }
        QApplication::exit(result);
    });
    QApplication::exec();
    return result;
}
