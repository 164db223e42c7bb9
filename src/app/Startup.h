// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct AppState;

// Command-line options of the window program.
struct StartupOptions {
    // The settings file; the per-user default when empty.
    QString iniPath;
    // A serial device opened instead of the stored COM port number.
    QString portDevice;
    // Runs a simulated ECU in the program and talks to it as its port.
    bool simulate = false;
    // -h or --help: print the help text and end.
    bool showHelp = false;
    // A data log or CSV file opened in the log review after start-up.
    QString logFile;
};

// Parses --ini PATH, --port DEVICE, --simulate, -h/--help and one log file. Returns nothing,
// with the reason in errorText, for an unknown option, a missing value or a second file.
std::optional<StartupOptions> parseStartupOptions(const QStringList& arguments, QString* errorText);

// What "vantrel --help" prints.
QString startupHelpText();

// The first start-up steps, before any window exists: the standard edition
// and its maker texts, start-up not complete and every flag at its start
// value; no data file and no log file.
void prepareStartupState(AppState& state);

// The start-up notice when the settings file could not be used.
QString settingsFileErrorText();
