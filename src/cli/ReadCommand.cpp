// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/EcuCommands.h"
#include "cli/EcuSession.h"
#include "files/EcuFile.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"

// read: reads every setting from the ECU into a data file.

namespace {

int runRead(const QStringList& arguments, CliContext& context) {
    const QString name = QStringLiteral("read");
    QCommandLineParser parser;
    const PortOptions ports;
    ports.addTo(parser);
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QString(), QStringLiteral("FILE"));
    parser.addOption(output);
    const HistoryOption history;
    history.addTo(parser);
    if (const auto exit = parseCommandLine(parser, name, arguments, context, 0, 0)) {
        return *exit;
    }
    EcuSession session(context);
    if (!session.choosePort(parser, ports, name)) {
        return kExitFailure;
    }
    if (const int connected = session.connect(); connected != kExitOk) {
        return connected;
    }
    const bool allRead = session.readAll(session.hooks());
    // A record that is partly the start-up defaults must not pass for the
    // ECU's settings.
    if (!allRead || !context.state.EcuOnline) {
        return kExitLinkFailure;
    }
    const QByteArray data = writeEcuFile(context.store.settings());
    const bool written = writeCommandOutput(parser.value(output), data, context);
    if (!parser.isSet(history.noHistory)) {
        keepSnapshots(context, {SnapshotSource::ReadFromEcu});
    }
    return written ? kExitOk : kExitFailure;
}

} // namespace

CliCommand readCommand() {
    return {
        QStringLiteral("read"), QStringLiteral("Read every setting from the ECU into a data file"),
        QStringLiteral(
            "Usage: vantrelctl read (--port DEVICE | --com N) [-o FILE] [--no-history]\n"
            "\n"
            "Finds the ECU, reads all its settings with the three block reads, repairs\n"
            "impossible values as the window program does (each fix is sent to the ECU and\n"
            "reported on standard error) and writes the settings as a version 2.52 data\n"
            "file. Nothing is written when a block read fails. The settings read are kept\n"
            "in the tune history as a snapshot \"read\" with the ECU's serial number.\n"
            "\n"
            "Options:\n") +
            portOptionHelp() +
            QStringLiteral("  -o, --output FILE\n"
                           "                 Write to FILE instead of standard output (\"-\"); a\n"
                           "                 regular FILE is replaced only once the new file is\n"
                           "                 complete, a FIFO or device is written directly\n") +
            historyOptionHelp() +
            QStringLiteral("  -h, --help     Show this help\n"
                           "\n") +
            ecuExitCodeHelp(),
        &runRead};
}
