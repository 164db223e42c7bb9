// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Commands.h"

#include "app/Initialise.h"
#include "cli/StderrInteraction.h"
#include "files/EcuFile.h"
#include "record/AppState.h"
#include "record/FileAccess.h"
#include "record/SettingsStore.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

const QString kProgram = QStringLiteral("vantrelctl");

QString globalHelp() {
    QString text =
        QStringLiteral("Usage: vantrelctl [--yes] [--progress] COMMAND [ARGUMENTS]\n"
                       "\n"
                       "Works with ECU settings data files (.ecu) and with the ECU on a serial\n"
                       "port. Data goes to standard output, messages to standard error.\n"
                       "\n"
                       "Commands:\n");
    qsizetype width = 0;
    for (const CliCommand& command : cliCommands()) {
        width = std::max(width, command.name.size());
    }
    for (const CliCommand& command : cliCommands()) {
        text +=
            QStringLiteral("  %1  %2\n").arg(command.name.leftJustified(width), command.summary);
    }
    text += QStringLiteral(
        "\n"
        "Options:\n"
        "  -h, --help  Show this help; \"vantrelctl COMMAND --help\" shows a command's help\n"
        "  --yes       Answer Yes (or OK) to every question; without it questions are\n"
        "              answered No (or Cancel)\n"
        "  --progress  Show progress on standard error\n"
        "\n"
        "Exit codes:\n");
    for (const CliExitCode& exit : cliExitCodes()) {
        text += QStringLiteral("  %1  %2\n").arg(exit.code).arg(exit.meaning);
    }
    return text;
}

const CliCommand* findCommand(const QString& name) {
    const auto& commands = cliCommands();
    const auto it = std::find_if(commands.begin(), commands.end(),
                                 [&](const CliCommand& c) { return c.name == name; });
    return it == commands.end() ? nullptr : &*it;
}

// The parser's reason without its closing full stop, to be followed by more.
QString reason(const QCommandLineParser& parser) {
    QString text = parser.errorText();
    while (text.endsWith(QLatin1Char('.'))) {
        text.chop(1);
    }
    return text;
}

bool asksForHelp(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--")) {
            return false;
        }
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            return true;
        }
    }
    return false;
}

} // namespace

const std::vector<CliCommand>& cliCommands() {
    static const std::vector<CliCommand> commands = [] {
        std::vector<CliCommand> all;
        for (auto group : {&fileCommands, &ecuCommands, &logAndPortCommands, &tuningCommands,
                           &historyCommands}) {
            for (CliCommand& command : group()) {
                all.push_back(std::move(command));
            }
        }
        return all;
    }();
    return commands;
}

const std::vector<CliExitCode>& cliExitCodes() {
    static const std::vector<CliExitCode> codes{
        {kExitOk, QStringLiteral("success; for diff and history diff: the two hold the same "
                                 "values")},
        {kExitDifferent, QStringLiteral("diff, history diff: the two differ")},
        {kExitFailure, QStringLiteral("a bad command line, an unreadable or invalid file, or a "
                                      "failed write")},
        {kExitPortError, QStringLiteral("ECU commands: the serial port could not be opened")},
        {kExitNoEcu, QStringLiteral("ECU commands: no ECU of the accepted firmware answered")},
        {kExitLinkFailure,
         QStringLiteral("ECU commands: the ECU stopped answering or went offline part-way")},
        {kExitStoreFailure,
         QStringLiteral("store, write --store: the ECU could not store its settings")},
    };
    return codes;
}

std::optional<int> parseCommandLine(QCommandLineParser& parser, const QString& command,
                                    const QStringList& arguments, CliContext& context,
                                    int minPositional, int maxPositional) {
    const QString tryHelp = QStringLiteral("Try \"%1 %2 --help\".").arg(kProgram, command);
    if (!parser.parse(QStringList{kProgram + QLatin1Char(' ') + command} + arguments)) {
        context.ui.message(QStringLiteral("%1: %2. %3").arg(command, reason(parser), tryHelp),
                           UserInteraction::Icon::Critical);
        return kExitFailure;
    }
    const qsizetype count = parser.positionalArguments().size();
    if (count < minPositional) {
        context.ui.message(QStringLiteral("%1: an argument is missing. %2").arg(command, tryHelp),
                           UserInteraction::Icon::Critical);
        return kExitFailure;
    }
    if (count > maxPositional) {
        context.ui.message(
            QStringLiteral("%1: unexpected argument \"%2\". %3")
                .arg(command, parser.positionalArguments().at(maxPositional), tryHelp),
            UserInteraction::Icon::Critical);
        return kExitFailure;
    }
    return std::nullopt;
}

bool writeCommandOutput(const QString& path, const QByteArray& data, CliContext& context) {
    if (path.isEmpty() || path == QLatin1String("-")) {
        if (context.out.write(data) != data.size()) {
            context.ui.message(QStringLiteral("standard output: %1").arg(context.out.errorString()),
                               UserInteraction::Icon::Critical);
            return false;
        }
        return true;
    }
    const QString error = saveOutputFile(path, data);
    if (!error.isEmpty()) {
        context.ui.message(QStringLiteral("%1: %2").arg(path, error),
                           UserInteraction::Icon::Critical);
        return false;
    }
    return true;
}

int runVantrelctl(const QStringList& arguments, QIODevice& out, QIODevice& err) {
    StderrInteraction ui(err);

    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption yes(QStringLiteral("yes"));
    const QCommandLineOption progress(QStringLiteral("progress"));
    parser.addOptions({help, yes, progress});
    if (!parser.parse(arguments)) {
        ui.message(QStringLiteral("%1. Try \"%2 --help\".").arg(reason(parser), kProgram),
                   UserInteraction::Icon::Critical);
        return kExitFailure;
    }
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(help)) {
        out.write(globalHelp().toUtf8());
        return kExitOk;
    }
    if (positional.isEmpty()) {
        err.write(globalHelp().toUtf8());
        return kExitFailure;
    }

    const CliCommand* command = findCommand(positional.first());
    if (!command) {
        ui.message(QStringLiteral("unknown command \"%1\". Try \"%2 --help\".")
                       .arg(positional.first(), kProgram),
                   UserInteraction::Icon::Critical);
        return kExitFailure;
    }
    const QStringList commandArguments = positional.mid(1);
    if (asksForHelp(commandArguments)) {
        out.write(command->help.toUtf8());
        return kExitOk;
    }

    ui.setAssumeYes(parser.isSet(yes));
    ui.setShowProgress(parser.isSet(progress));
    // The state is large; it lives on the heap.
    const auto state = std::make_unique<AppState>();
    SettingsStore store(initialiseSettings(*state));
    CliContext context{*state, store, ui, out};
    try {
        return command->run(commandArguments, context);
    } catch (const std::bad_alloc&) {
        ui.message(QStringLiteral("%1: out of memory").arg(command->name),
                   UserInteraction::Icon::Critical);
        return kExitFailure;
    }
}

int printDifferences(const EcuSettings& first, const EcuSettings& second, DifferenceUnits units,
                     CliContext& context) {
    const QStringList lines = differenceLines(first, second, units);
    QByteArray listing;
    for (const QString& line : lines) {
        listing += line.toUtf8() + '\n';
    }
    if (!writeCommandOutput(QString(), listing, context)) {
        return kExitFailure;
    }
    return lines.isEmpty() ? kExitOk : kExitDifferent;
}
