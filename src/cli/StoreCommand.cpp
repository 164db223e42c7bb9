#include "cli/EcuCommands.h"
#include "cli/EcuSession.h"

// store: makes the ECU keep its working settings.

namespace {

int runStore(const QStringList& arguments, CliContext& context) {
    const QString name = QStringLiteral("store");
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
    if (const int connected = session.connect(); connected != kExitOk) {
        return connected;
    }
    return session.store();
}

} // namespace

CliCommand storeCommand() {
    return {
        QStringLiteral("store"),
        QStringLiteral("Make the ECU store its working settings permanently"),
        QStringLiteral("Usage: vantrelctl store (--port DEVICE | --com N)\n"
                       "\n"
                       "Finds the ECU and sends the store command, which makes the ECU keep the\n"
                       "settings it was sent since it was switched on. Waits up to 10 seconds for\n"
                       "the answer and prints \"Data Saved!\" or \"Data Save Error\" on standard\n"
                       "error.\n"
                       "\n"
                       "Options:\n") +
            portOptionHelp() +
            QStringLiteral("  -h, --help     Show this help\n"
                           "\n") +
            ecuExitCodeHelp() + storeExitCodeHelp(),
        &runStore};
}
