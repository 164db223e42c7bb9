// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Startup.h"

#include "record/AppState.h"

std::optional<StartupOptions> parseStartupOptions(const QStringList& arguments,
                                                  QString* errorText) {
    StartupOptions options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        auto value = [&](QString& target) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
                if (errorText != nullptr) {
                    *errorText = QStringLiteral("%1 needs a value").arg(a);
                }
                return false;
            }
            target = arguments[++i];
            return true;
        };
        if (a == QLatin1String("--ini")) {
            if (!value(options.iniPath)) {
                return std::nullopt;
            }
        } else if (a == QLatin1String("--port")) {
            if (!value(options.portDevice)) {
                return std::nullopt;
            }
        } else if (a == QLatin1String("--simulate")) {
            options.simulate = true;
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            options.showHelp = true;
        } else if (!a.startsWith(QLatin1Char('-')) && options.logFile.isEmpty()) {
            options.logFile = a;
        } else {
            if (errorText != nullptr) {
                *errorText = a.startsWith(QLatin1Char('-'))
                                 ? QStringLiteral("unknown option %1").arg(a)
                                 : QStringLiteral("one log file at a time: %1").arg(a);
            }
            return std::nullopt;
        }
    }
    return options;
}

QString startupHelpText() {
    return QStringLiteral(
        "Usage: vantrel [--ini PATH] [--port DEVICE] [--simulate] [FILE.log]\n"
        "\n"
        "Monitors and tunes an engine control unit (ECU) on a serial port. The program\n"
        "finds the ECU, reads all of its settings and polls its live values twice a\n"
        "second; live values can be logged and plotted, and every change to a setting\n"
        "goes to the ECU at once. Help > Contents (F1) opens the user manual.\n"
        "A data log (.log) or CSV file named after the options opens in the log\n"
        "review once the program has started.\n"
        "\n"
        "Options:\n"
        "  --ini PATH     Read the window settings from PATH at start and write them\n"
        "                 there at exit, instead of the per-user Vantrel.ini\n"
        "  --port DEVICE  Open the serial device DEVICE (such as /dev/ttyUSB0) instead\n"
        "                 of the COM port chosen in the Setup menu\n"
        "  --simulate     Start a simulated ECU with a running engine and connect to it\n"
        "  -h, --help     Show this help\n"
        "\n"
        "Files:\n"
        "  ~/.config/Vantrel/Vantrel.ini  window layout, port, plot and display choices\n"
        "  ~/.config/Vantrel/ports.conf   the device of each COM port number, one line\n"
        "                                 a port such as \"COM1 = /dev/ttyUSB0\"; written\n"
        "                                 by Setup > Port... and read by vantrelctl --com\n"
        "  ~/.config/Vantrel/log-review.conf  the log review's panes, channels and\n"
        "                                 scatter plot (beside the --ini file when given)\n");
}

void prepareStartupState(AppState& state) {
    // A fresh state holds the standard edition, its contact line, no code
    // sections and no current file. The session gives the settings record
    // its start values.
    state = AppState{};
}

QString settingsFileErrorText() {
    return QStringLiteral("INI file not found or file error\r\nUsing Default");
}
