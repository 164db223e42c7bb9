// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"
#include "app/QtInteraction.h"
#include "app/SettingsFile.h"
#include "app/Startup.h"
#include "comm/QtSerialLink.h"
#include "record/AppState.h"
#ifdef VANTREL_HAVE_PTY
#include "sim/PtyServer.h"
#endif

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A write beyond the file size limit then fails with "File too large"
    // and is reported like any failed write.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // The help needs no display, so it is printed before the toolkit starts.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(qPrintable(startupHelpText()), stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));

    QString problem;
    const auto options = parseStartupOptions(QApplication::arguments(), &problem);
    if (!options) {
        std::fprintf(stderr, "vantrel: %s\nTry \"vantrel --help\".\n", qPrintable(problem));
        return 2;
    }

    AppState state;
    prepareStartupState(state);

    QtInteraction ui;
    QtSerialLink link;

    QString device = options->portDevice;
#ifdef VANTREL_HAVE_PTY
    std::unique_ptr<PtySimulator> simulator;
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
#else
    // The simulated ECU serves on a pseudo-terminal, which this system lacks.
    if (options->simulate) {
        std::fprintf(stderr, "vantrel: --simulate is not available on this system\n");
        return 2;
    }
#endif

    MainWindow::Options windowOptions;
    windowOptions.settingsPath =
        options->iniPath.isEmpty() ? defaultSettingsFilePath() : options->iniPath;
    // Read at each choice, so that a port chosen in Setup > Port... counts at once.
    windowOptions.choosePort = [&link, &ui](int port) {
        QString problem;
        link.setDevice(PortMap::load(PortMap::defaultPath(), &problem).deviceFor(port));
        if (!problem.isEmpty()) {
            ui.message(problem, UserInteraction::Icon::Warning, UserInteraction::Buttons::Ok,
                       UserInteraction::kTitle);
        }
    };
    if (!device.isEmpty()) {
        link.setDevice(device);
        windowOptions.portGiven = true;
        windowOptions.givenDevice = device;
    }

    MainWindow window(state, ui, link, windowOptions);
    ui.setOwner(&window);
    window.show();
    window.runStartup();
    if (!options->logFile.isEmpty()) {
        window.openLog(options->logFile);
    }
    const int result = QApplication::exec();
#ifdef VANTREL_HAVE_PTY
    if (simulator) {
        simulator->stop();
    }
#endif
    return result;
}
