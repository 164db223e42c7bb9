// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Commands.h"
#include "files/DifferenceText.h"
#include "files/EcuFile.h"
#include "history/TuneHistory.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"

#include <QRegularExpression>

// history: lists, shows, compares, notes and names the snapshots of the tune
// history.

namespace {

const QString kName = QStringLiteral("history");

void tellError(CliContext& context, const QString& command, const QString& text) {
    context.ui.message(QStringLiteral("%1: %2").arg(command, text),
                       UserInteraction::Icon::Critical);
}

// A snapshot number from the command line; tells why when it is none.
std::optional<qint64> snapshotId(const QString& text, const QString& command, CliContext& context) {
    bool ok = false;
    const qint64 id = text.toLongLong(&ok);
    if (!ok || id <= 0) {
        tellError(context, command,
                  QStringLiteral("\"%1\" is no snapshot number (see \"vantrelctl history list\")")
                      .arg(text));
        return std::nullopt;
    }
    return id;
}

// One field of a listing line: no tab or line break inside.
QString field(QString text) {
    static const QRegularExpression breaks(QStringLiteral("[\\t\\r\\n]"));
    return text.replace(breaks, QStringLiteral(" "));
}

int runList(const QStringList& arguments, CliContext& context, TuneHistory& history) {
    const QString command = QStringLiteral("history list");
    QCommandLineParser parser;
    const QCommandLineOption ecu(QStringLiteral("ecu"), QString(), QStringLiteral("SERIAL"));
    const QCommandLineOption source(QStringLiteral("source"), QString(), QStringLiteral("SOURCE"));
    parser.addOptions({ecu, source});
    if (const auto exit = parseCommandLine(parser, command, arguments, context, 0, 0)) {
        return *exit;
    }
    SnapshotFilter filter;
    filter.ecuSerial = parser.value(ecu);
    if (parser.isSet(source)) {
        filter.source = snapshotSourceFromKey(parser.value(source));
        if (!filter.source) {
            QStringList keys;
            for (const SnapshotSource known : snapshotSources()) {
                keys << snapshotSourceKey(known);
            }
            tellError(context, command,
                      QStringLiteral("--source takes one of %1, not \"%2\"")
                          .arg(keys.join(QStringLiteral(", ")), parser.value(source)));
            return kExitFailure;
        }
    }
    const auto snapshots = history.list(filter);
    if (!snapshots) {
        tellError(context, command, history.lastError());
        return kExitFailure;
    }
    QString text;
    for (const SnapshotInfo& snapshot : *snapshots) {
        text +=
            QStringList{QString::number(snapshot.id),
                        snapshot.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                        snapshotSourceKey(snapshot.source),
                        snapshot.ecu ? snapshot.ecu->serial : QString(),
                        field(snapshot.name),
                        field(snapshot.path),
                        field(snapshot.note)}
                .join(QLatin1Char('\t')) +
            QLatin1Char('\n');
    }
    return writeCommandOutput(QString(), text.toUtf8(), context) ? kExitOk : kExitFailure;
}

int runShow(const QStringList& arguments, CliContext& context, TuneHistory& history) {
    const QString command = QStringLiteral("history show");
    QCommandLineParser parser;
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QString(), QStringLiteral("FILE"));
    parser.addOption(output);
    if (const auto exit = parseCommandLine(parser, command, arguments, context, 1, 1)) {
        return *exit;
    }
    const std::optional<qint64> id =
        snapshotId(parser.positionalArguments().first(), command, context);
    if (!id) {
        return kExitFailure;
    }
    const std::optional<QByteArray> data = history.fileBytes(*id);
    if (!data) {
        tellError(context, command, history.lastError());
        return kExitFailure;
    }
    return writeCommandOutput(parser.value(output), *data, context) ? kExitOk : kExitFailure;
}

// A side of a comparison: a snapshot number, or else a data file.
std::optional<EcuSettings> loadSide(const QString& argument, const QString& command,
                                    CliContext& context, const TuneHistory& history) {
    static const QRegularExpression number(QStringLiteral("^[0-9]+$"));
    if (number.match(argument).hasMatch()) {
        std::optional<EcuSettings> settings =
            history.settings(argument.toLongLong(), context.store.settings());
        if (!settings) {
            tellError(context, command, history.lastError());
        }
        return settings;
    }
    EcuFileReadResult file = loadEcuFile(argument, context.store.settings());
    if (!file.ok()) {
        tellError(context, command, QStringLiteral("%1: %2").arg(argument, file.error));
        return std::nullopt;
    }
    return std::move(file.settings);
}

int runDiff(const QStringList& arguments, CliContext& context, TuneHistory& history) {
    const QString command = QStringLiteral("history diff");
    QCommandLineParser parser;
    const QCommandLineOption raw(QStringLiteral("raw"));
    parser.addOption(raw);
    if (const auto exit = parseCommandLine(parser, command, arguments, context, 2, 2)) {
        return *exit;
    }
    const QStringList sides = parser.positionalArguments();
    const std::optional<EcuSettings> first = loadSide(sides[0], command, context, history);
    if (!first) {
        return kExitFailure;
    }
    const std::optional<EcuSettings> second = loadSide(sides[1], command, context, history);
    if (!second) {
        return kExitFailure;
    }
    return printDifferences(*first, *second,
                            parser.isSet(raw) ? DifferenceUnits::Counts : DifferenceUnits::Shown,
                            context);
}

int runNoteOrName(const QStringList& arguments, CliContext& context, TuneHistory& history,
                  bool name) {
    const QString command = name ? QStringLiteral("history name") : QStringLiteral("history note");
    QCommandLineParser parser;
    if (const auto exit = parseCommandLine(parser, command, arguments, context, 2, 2)) {
        return *exit;
    }
    const QStringList values = parser.positionalArguments();
    const std::optional<qint64> id = snapshotId(values[0], command, context);
    if (!id) {
        return kExitFailure;
    }
    const bool changed = name ? history.setName(*id, values[1]) : history.setNote(*id, values[1]);
    if (!changed) {
        tellError(context, command, history.lastError());
        return kExitFailure;
    }
    return kExitOk;
}

int runHistory(const QStringList& arguments, CliContext& context) {
    const QStringList actions{QStringLiteral("list"), QStringLiteral("show"),
                              QStringLiteral("diff"), QStringLiteral("note"),
                              QStringLiteral("name")};
    if (arguments.isEmpty() || !actions.contains(arguments.first())) {
        tellError(context, kName,
                  QStringLiteral("give one of %1. Try \"vantrelctl history --help\".")
                      .arg(actions.join(QStringLiteral(", "))));
        return kExitFailure;
    }
    TuneHistoryOptions options;
    options.path = context.historyPath;
    TuneHistory history(context.ui, options);
    if (!history.isAvailable()) {
        return kExitFailure; // the history has told why
    }
    const QString& action = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (action == QLatin1String("list")) {
        return runList(rest, context, history);
    }
    if (action == QLatin1String("show")) {
        return runShow(rest, context, history);
    }
    if (action == QLatin1String("diff")) {
        return runDiff(rest, context, history);
    }
    return runNoteOrName(rest, context, history, action == QLatin1String("name"));
}

} // namespace

std::vector<CliCommand> historyCommands() {
    return {{kName, QStringLiteral("List, show, compare, note and name the tune's snapshots"),
             QStringLiteral(
                 "Usage: vantrelctl history list [--ecu SERIAL] [--source SOURCE]\n"
                 "       vantrelctl history show ID [-o FILE]\n"
                 "       vantrelctl history diff [--raw] (ID | FILE) (ID | FILE)\n"
                 "       vantrelctl history note ID TEXT\n"
                 "       vantrelctl history name ID NAME\n"
                 "\n"
                 "The tune history keeps every state of a tune as a snapshot: the whole\n"
                 "settings record as a version 2.52 data file, with the time, the ECU's\n"
                 "version, build and serial number when an ECU was involved, the source, the\n"
                 "data file's path, a note and a name. The window program and the read,\n"
                 "write, store and autotune commands take snapshots (--no-history skips\n"
                 "it); a snapshot the same as the ECU's last one, of the same source, is\n"
                 "not kept twice. Named snapshots are kept for ever, the others for 180\n"
                 "days, and always the latest 500 of them. The history is the file\n"
                 "history.sqlite in the window program's data folder\n"
                 "(~/.local/share/Vantrel on Linux).\n"
                 "\n"
                 "Sources: read (read from the ECU), sent (sent to the ECU), stored (stored\n"
                 "in the ECU), opened (file opened), saved (file saved), overwritten (a\n"
                 "file's contents before a save replaced them), autotune (autotune\n"
                 "applied), named (named by the tuner).\n"
                 "\n"
                 "list   One snapshot a line, newest first, the fields separated by tabs:\n"
                 "       number, local time, source, ECU serial number, name, file, note.\n"
                 "       --ecu SERIAL     only the snapshots of the ECU with this serial\n"
                 "                        number, as \"vantrelctl identify\" prints it\n"
                 "       --source SOURCE  only the snapshots of this source\n"
                 "show   Writes snapshot ID as a data file to standard output, or with\n"
                 "       -o FILE to FILE (replaced only once the new file is complete).\n"
                 "diff   Lists every value that differs between two snapshots, or a\n"
                 "       snapshot and a data file, as \"vantrelctl diff\" does. An argument\n"
                 "       of digits only is a snapshot number; write ./12 for a file named 12.\n"
                 "       Values read as the windows show them; --raw lists the counts.\n"
                 "note   Sets the note of snapshot ID (an empty TEXT removes it).\n"
                 "name   Names snapshot ID, which keeps it for ever (an empty NAME makes\n"
                 "       it an automatic snapshot again).\n"
                 "\n"
                 "Options:\n"
                 "  -h, --help  Show this help\n"
                 "\n"
                 "Exit codes: 0 success, and for diff the two hold the same values; 1 diff:\n"
                 "they differ; 2 a bad command line, an unknown snapshot, an unreadable file\n"
                 "or a history that cannot be used (the reason goes to standard error).\n"),
             &runHistory}};
}
