// Renders the diagnostics window as a tuner sees it with an engine running on
// the simulated ECU: every sensor as count, voltage and value, and the output
// test buttons. No display is needed (QT_QPA_PLATFORM=offscreen).

#include "app/MainWindow.h"
#include "app/Startup.h"
#include "cli/StderrInteraction.h"
#include "diag/SensorCheckWindow.h"
#include "record/AppState.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kRunMs = 4000;
constexpr QSize kWindowSize(1000, 600);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: vantrel-screenshot-diagnostics OUTPUT.png\n");
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

    // Two user inputs in use, so that their rows show values too.
    EcuSettings image = SimulatedEcu::defaultImage();
    image.UserInputAnalogMode = {1, 2, 0};
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

    window.menus().sensorCheck->trigger();
    auto* diagnostics = window.findChild<SensorCheckWindow*>();
    if (diagnostics == nullptr) {
        std::fprintf(stderr, "vantrel-screenshot-diagnostics: the window did not open\n");
        return 1;
    }
    if (auto* sub = qobject_cast<QMdiSubWindow*>(diagnostics->parentWidget())) {
        sub->move(20, 20);
        sub->resize(sub->sizeHint());
    }

    int result = 0;
    QTimer::singleShot(kRunMs, &window, [&] {
        if (!window.grab().save(output)) {
            std::fprintf(stderr, "vantrel-screenshot-diagnostics: could not write %s\n",
                         qPrintable(output));
            result = 1;
        }
        QApplication::exit(result);
    });
    QApplication::exec();
    return result;
}
