// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/SerialPorts.h"
#include "files/DifferenceText.h"
#include "record/UserInteraction.h"

#include <QCommandLineParser>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <optional>
#include <span>
#include <vector>

struct AppState;
class SettingsStore;

// vantrelctl: a dispatcher of small commands. Each command group lives in its
// own source file and hands its commands to the list in Commands.cpp.

// Exit codes shared by all commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitDifferent = 1;
inline constexpr int kExitFailure = 2;
// Exit codes of the commands that talk to the ECU.
inline constexpr int kExitPortError = 3;    // the serial port could not be opened
inline constexpr int kExitNoEcu = 4;        // no ECU of the accepted firmware answered
inline constexpr int kExitLinkFailure = 5;  // the ECU stopped answering or went offline
inline constexpr int kExitStoreFailure = 6; // the ECU could not store its settings

// What a command works with. Data goes to out; every message, question and
// progress display goes through ui, which writes to standard error.
struct CliContext {
    AppState& state;
    SettingsStore& store; // holds the start-up defaults when the command starts
    UserInteraction& ui;
    QIODevice& out;
    // The machine's serial ports; the system's list when left empty.
    SerialPortLister listPorts = {};
    // The tune history's database; TuneHistory::defaultPath() when empty.
    QString historyPath = {};
};

struct CliCommand {
    QString name;
    QString summary; // one line for the command list
    QString help;    // the whole text of "vantrelctl NAME --help"
    // Runs with the arguments after the command name; returns the exit code.
    int (*run)(const QStringList& arguments, CliContext& context);
};

struct CliExitCode {
    int code;
    QString meaning;
};

// Command groups, one function a source file.
std::vector<CliCommand> fileCommands();
std::vector<CliCommand> ecuCommands();
std::vector<CliCommand> logAndPortCommands();
std::vector<CliCommand> historyCommands();
std::vector<CliCommand> tuningCommands();

// Every registered command, in the order of the command list.
const std::vector<CliCommand>& cliCommands();
const std::vector<CliExitCode>& cliExitCodes();

// Parses a command's arguments with its parser (options already added)
// and checks the number of positional arguments. On a bad command line it
// tells why and returns the exit code to end with.
std::optional<int> parseCommandLine(QCommandLineParser& parser, const QString& command,
                                    const QStringList& arguments, CliContext& context,
                                    int minPositional, int maxPositional);

// Writes data to out when path is empty or "-", else to path (saveOutputFile:
// a regular file is replaced atomically, a FIFO or device written directly).
// Tells the reason and returns false on failure.
bool writeCommandOutput(const QString& path, const QByteArray& data, CliContext& context);

// Prints the differences between two records, one a line, in the windows'
// units or as stored counts; kExitOk when they are equal, kExitDifferent when
// they differ, kExitFailure when the listing could not be written.
int printDifferences(const EcuSettings& first, const EcuSettings& second, DifferenceUnits units,
                     CliContext& context);

// The whole program: arguments as given to main (program name first).
int runVantrelctl(const QStringList& arguments, QIODevice& out, QIODevice& err);
