// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/EcuCommands.h"
#include "cli/EcuSession.h"
#include "comm/Transfers.h"
#include "config/ConsistencyCheck.h"
#include "files/EcuFile.h"
#include "files/WireRangeCheck.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"

// write: sends a data file to the ECU, as loading it in the window program does.

namespace {

int runWrite(const QStringList& arguments, CliContext& context) {
    const QString name = QStringLiteral("write");
    QCommandLineParser parser;
    const PortOptions ports;
    ports.addTo(parser);
    const QCommandLineOption store(QStringLiteral("store"));
    parser.addOption(store);
    const HistoryOption history;
    history.addTo(parser);
    if (const auto exit = parseCommandLine(parser, name, arguments, context, 1, 1)) {
        return *exit;
    }
    EcuSession session(context);
    if (!session.choosePort(parser, ports, name)) {
        return kExitFailure;
    }
    // The file is read before the search, so that a bad file costs no search.
    const QString path = parser.positionalArguments().first();
    // A value that cannot be sent refuses the whole file: none of it is sent.
    EcuFileReadResult file = loadEcuFileForSending(path, context.store.settings());
    if (!file.ok()) {
        context.ui.message(QStringLiteral("%1: %2").arg(path, file.error),
                           UserInteraction::Icon::Critical);
        return kExitFailure;
    }
    if (const int connected = session.connect(); connected != kExitOk) {
        return connected;
    }

    AppState& state = context.state;
    context.store.replace(*file.settings, ChangeOrigin::File);
    session.checkSettings();
    sendAllDataToEcu(session.protocol(), session.hooks());
    if (!state.EcuOnline) {
        return kExitLinkFailure;
    }
    const int result = parser.isSet(store) ? session.store() : kExitOk;
    if (!parser.isSet(history.noHistory)) {
        std::vector<SnapshotSource> sources{SnapshotSource::SentToEcu};
        if (parser.isSet(store) && result == kExitOk) {
            sources.push_back(SnapshotSource::StoredInEcu);
        }
        keepSnapshots(context, sources, path);
    }
    return result;
}

} // namespace

CliCommand writeCommand() {
    return {QStringLiteral("write"),
            QStringLiteral("Send a data file to the ECU, and store it there with --store"),
            QStringLiteral(
                "Usage: vantrelctl write (--port DEVICE | --com N) FILE [--store] [--no-history]\n"
                "\n"
                "Reads the data file FILE (version 1.07, 1.08 or 2.52; values an older\n"
                "version does not hold keep the start-up defaults), finds the ECU, repairs\n"
                "impossible values as the window program does (each fix is sent to the ECU\n"
                "and reported on standard error) and sends every setting to the ECU in the\n"
                "fixed order of the full send. The ECU keeps them in its working copy only,\n"
                "until it is told to store them. A file holding a value that the ECU cannot\n"
                "take is refused with the list of such values, and nothing is sent.\n"
                "The settings sent are kept in the tune history as a snapshot \"sent\" with\n"
                "the file's path and the ECU's serial number, and once stored as a snapshot\n"
                "\"stored\" as well.\n"
                "\n"
                "Options:\n") +
                portOptionHelp() +
                QStringLiteral(
                    "  --store        Then make the ECU store its settings permanently; prints\n"
                    "                 \"Data Saved!\" or \"Data Save Error\" on standard error\n") +
                historyOptionHelp() +
                QStringLiteral("  -h, --help     Show this help\n"
                               "\n") +
                ecuExitCodeHelp() + storeExitCodeHelp(),
            &runWrite};
}
