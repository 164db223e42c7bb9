// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/EcuCommands.h"
#include "cli/EcuSession.h"
#include "record/AppState.h"

// identify: finds the ECU and prints its identity.

namespace {

int runIdentify(const QStringList& arguments, CliContext& context) {
    const QString name = QStringLiteral("identify");
    QCommandLineParser parser;
    const PortOptions ports;
    ports.addTo(parser);
    if (const auto exit = parseCommandLine(parser, name, arguments, context, 0, 0)) {
        return *exit;
    }
    EcuSession session(context);
    if (!session.choosePort(parser, ports, name)) {
        return kExitFailure;
    }
    const int result = session.identify();
    if (result != kExitOk) {
        return result;
    }
    const EcuIdentity& id = context.state.identity;
    const QString text = QStringLiteral("Version %1\nBuild %2\nSerial %3\n")
                             .arg(id.VersionText, id.BuildText, id.SerialNumberText);
    return writeCommandOutput(QString(), text.toUtf8(), context) ? kExitOk : kExitFailure;
}

} // namespace

CliCommand identifyCommand() {
    return {QStringLiteral("identify"),
            QStringLiteral("Find the ECU and print its firmware version, build and serial number"),
            QStringLiteral("Usage: vantrelctl identify (--port DEVICE | --com N)\n"
                           "\n"
                           "Searches for the ECU on the serial port without asking, reads its\n"
                           "identity and prints it on three lines:\n"
                           "  Version 2.051\n"
                           "  Build 007\n"
                           "  Serial 1-4-07-00042\n"
                           "The search's own messages go to standard error. The identity is\n"
                           "printed only for firmware 2.051 and for experimental firmware (major\n"
                           "version 255, with a warning).\n"
                           "\n"
                           "Options:\n") +
                portOptionHelp() +
                QStringLiteral("  -h, --help     Show this help\n"
                               "\n") +
                ecuExitCodeHelp(),
            &runIdentify};
}
