#include "app/MainWindow.h"
#include "app/QtInteraction.h"
#include "app/SettingsFile.h"
#include "app/Startup.h"
#include "comm/QtSerialLink.h"
#include "record/AppState.h"
#include "sim/PtyServer.h"

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A write beyond the file size limit then fails with "File too large"
    // and is reported like any failed write.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));

    QString problem;
    const auto options = parseStartupOptions(QApplication::arguments(), &problem);
    if (!options) {
        std::fprintf(stderr,
                     "vantrel: %s\nusage: vantrel [--ini PATH] [--port DEVICE] "
                     "[--simulate]\n",
                     qPrintable(problem));
        return 2;
    }

    AppState state;
    prepareStartupState(state);

    QtInteraction ui;
    QtSerialLink link;
    const PortMap ports = PortMap::load(PortMap::defaultPath());

    std::unique_ptr<PtySimulator> simulator;
    QString device = options->portDevice;
    if (options->simulate) {
        simulator = std::make_unique<PtySimulator>();
        // A running engine, so that a first look shows live values at once.
        simulator->setConfigure([](SimulatedEcu& ecu) { ecu.startEngine(); });
        if (!simulator->start(&problem)) {
            std::fprintf(stderr, "vantrel: the simulated ECU could not start: %s\n",
                         qPrintable(problem));
            return 1;
        }
        device = simulator->devicePath();
    }

    MainWindow::Options windowOptions;
    windowOptions.settingsPath =
        options->iniPath.isEmpty() ? defaultSettingsFilePath() : options->iniPath;
    windowOptions.choosePort = [&link, &ports](int port) { link.setDevice(ports.deviceFor(port)); };
    if (!device.isEmpty()) {
        link.setDevice(device);
        windowOptions.portGiven = true;
    }

    MainWindow window(state, ui, link, windowOptions);
    ui.setOwner(&window);
    window.show();
    window.runStartup();
    const int result = QApplication::exec();
    if (simulator) {
        simulator->stop();
    }
    return result;
}
