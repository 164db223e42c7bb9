// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/EcuCommands.h"
#include "cli/EcuSession.h"

// store: makes the ECU keep its working settings.

namespace {

int runStore(const QStringList& arguments, CliContext& context) {
    const QString name = QStringLiteral("store");
    QCommandLineParser parser;
    const PortOptions ports;
    ports.addTo(parser);
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
    const int stored = session.store();
    if (stored != kExitOk || parser.isSet(history.noHistory)) {
        return stored;
    }
    // What the ECU keeps now, read back without the repairs of a full read,
    // which would change its working copy.
    TransferHooks readBack = session.hooks();
    readBack.checkSettings = nullptr;
    if (!session.readAll(readBack) || !context.state.EcuOnline) {
        context.ui.message(QStringLiteral("store: the stored settings could not be read back, so "
                                          "they were not kept in the tune history"),
                           UserInteraction::Icon::Warning);
        return kExitLinkFailure;
    }
    keepSnapshots(context, {SnapshotSource::StoredInEcu});
    return kExitOk;
}

} // namespace

CliCommand storeCommand() {
    return {
        QStringLiteral("store"),
        QStringLiteral("Make the ECU store its working settings permanently"),
        QStringLiteral("Usage: vantrelctl store (--port DEVICE | --com N) [--no-history]\n"
                       "\n"
                       "Finds the ECU and sends the store command, which makes the ECU keep the\n"
                       "settings it was sent since it was switched on. Waits up to 10 seconds for\n"
                       "the answer and prints \"Data Saved!\" or \"Data Save Error\" on standard\n"
                       "error. Then reads the settings back and keeps them in the tune history\n"
                       "as a snapshot \"stored\" with the ECU's serial number.\n"
                       "\n"
                       "Options:\n") +
            portOptionHelp() + historyOptionHelp() +
            QStringLiteral("  -h, --help     Show this help\n"
                           "\n") +
            ecuExitCodeHelp() + storeExitCodeHelp(),
        &runStore};
}
