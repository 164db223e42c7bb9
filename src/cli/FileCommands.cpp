// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Commands.h"
#include "files/DifferenceText.h"
#include "files/EcuDiff.h"
#include "files/EcuFile.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"

// Commands on data files; none of them needs the ECU.

namespace {

QCommandLineOption outputOption(const QString& valueName) {
    return QCommandLineOption(QStringList{QStringLiteral("o"), QStringLiteral("output")}, QString(),
                              valueName);
}

// Reads a data file over the start-up defaults; tells why when it cannot.
std::optional<EcuSettings> loadForCommand(const QString& path, CliContext& context) {
    EcuFileReadResult result = loadEcuFile(path, context.store.settings());
    if (!result.ok()) {
        context.ui.message(QStringLiteral("%1: %2").arg(path, result.error),
                           UserInteraction::Icon::Critical);
        return std::nullopt;
    }
    return std::move(result.settings);
}

int runDefaults(const QStringList& arguments, CliContext& context) {
    QCommandLineParser parser;
    const QCommandLineOption output = outputOption(QStringLiteral("FILE"));
    parser.addOption(output);
    if (const auto exit =
            parseCommandLine(parser, QStringLiteral("defaults"), arguments, context, 0, 0)) {
        return *exit;
    }
    const QByteArray data = writeEcuFile(context.store.settings());
    return writeCommandOutput(parser.value(output), data, context) ? kExitOk : kExitFailure;
}

int runConvert(const QStringList& arguments, CliContext& context) {
    QCommandLineParser parser;
    const QCommandLineOption output = outputOption(QStringLiteral("OUT"));
    parser.addOption(output);
    if (const auto exit =
            parseCommandLine(parser, QStringLiteral("convert"), arguments, context, 1, 1)) {
        return *exit;
    }
    const std::optional<EcuSettings> settings =
        loadForCommand(parser.positionalArguments().first(), context);
    if (!settings) {
        return kExitFailure;
    }
    const QByteArray data = writeEcuFile(*settings);
    return writeCommandOutput(parser.value(output), data, context) ? kExitOk : kExitFailure;
}

int runDiff(const QStringList& arguments, CliContext& context) {
    QCommandLineParser parser;
    const QCommandLineOption raw(QStringLiteral("raw"));
    parser.addOption(raw);
    if (const auto exit =
            parseCommandLine(parser, QStringLiteral("diff"), arguments, context, 2, 2)) {
        return *exit;
    }
    const QStringList files = parser.positionalArguments();
    const std::optional<EcuSettings> first = loadForCommand(files[0], context);
    if (!first) {
        return kExitFailure;
    }
    const std::optional<EcuSettings> second = loadForCommand(files[1], context);
    if (!second) {
        return kExitFailure;
    }
    return printDifferences(*first, *second,
                            parser.isSet(raw) ? DifferenceUnits::Counts : DifferenceUnits::Shown,
                            context);
}

} // namespace

std::vector<CliCommand> fileCommands() {
    return {
        {QStringLiteral("defaults"),
         QStringLiteral("Write the start-up default settings as a data file"),
         QStringLiteral(
             "Usage: vantrelctl defaults [-o FILE]\n"
             "\n"
             "Writes the settings the program starts with, before any ECU is read, as a\n"
             "version 2.52 data file.\n"
             "\n"
             "Options:\n"
             "  -o, --output FILE  Write to FILE instead of standard output (\"-\"); a\n"
             "                     regular FILE is replaced only once the new file is\n"
             "                     complete, a FIFO or device is written directly\n"
             "  -h, --help         Show this help\n"),
         &runDefaults},
        {QStringLiteral("convert"),
         QStringLiteral("Rewrite a data file of version 1.07, 1.08 or 2.52 as version 2.52"),
         QStringLiteral(
             "Usage: vantrelctl convert IN [-o OUT]\n"
             "\n"
             "Reads the data file IN (version 1.07, 1.08 or 2.52) and writes it as a\n"
             "version 2.52 data file. Values that an older version does not hold keep\n"
             "the start-up defaults.\n"
             "\n"
             "Options:\n"
             "  -o, --output OUT  Write to OUT instead of standard output (\"-\"); a regular\n"
             "                    OUT is replaced only once the new file is complete, a\n"
             "                    FIFO or device is written directly\n"
             "  -h, --help        Show this help\n"
             "\n"
             "Exit codes: 0 converted; 2 IN could not be read or OUT not written (the\n"
             "reason goes to standard error).\n"),
         &runConvert},
        {QStringLiteral("diff"),
         QStringLiteral("List the values that differ between two data files"),
         QStringLiteral(
             "Usage: vantrelctl diff [--raw] A B\n"
             "\n"
             "Reads the data files A and B and lists every value that differs, one a line,\n"
             "as the value in A and the value in B, in the units the windows show: ms,\n"
             "degrees, degrees F, psi, volts, per cent or rpm, or the entry of a list.\n"
             "Single values are named by their label, table and curve values by the labels\n"
             "of their axes in A (\"first -> second\" where B's axes differ):\n"
             "  Max Rpm: 9000 -> 6000 rpm\n"
             "  Fuel Table at 2400 rpm, 10.3 psi: 1.188 -> 1.938 ms\n"
             "With --raw the values are the counts the files hold, and table values are\n"
             "named by their section, row and column (counted from 0):\n"
             "  Max Rpm: 9000 -> 6000\n"
             "  Fuel Table, row 15, column 4: 18 -> 30\n"
             "Values that a file's version does not hold keep the start-up defaults.\n"
             "\n"
             "Options:\n"
             "  --raw       List the counts the files hold\n"
             "  -h, --help  Show this help\n"
             "\n"
             "Exit codes: 0 the files hold the same values; 1 they differ; 2 a file could\n"
             "not be read (the reason goes to standard error).\n"),
         &runDiff},
    };
}
