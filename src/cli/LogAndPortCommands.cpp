#include "cli/Commands.h"
#include "comm/SerialPorts.h"
#include "monitor/LogCsv.h"

#include <QFile>

// Commands that need neither the ECU nor a data file: the machine's serial
// ports and the conversion of data logs.

namespace {

int runPorts(const QStringList& arguments, CliContext& context) {
    QCommandLineParser parser;
    if (const auto exit =
            parseCommandLine(parser, QStringLiteral("ports"), arguments, context, 0, 0)) {
        return *exit;
    }
    const QList<SerialPortEntry> ports =
        context.listPorts ? context.listPorts() : availableSerialPorts();
    return writeCommandOutput(QString(), describeSerialPorts(ports).toUtf8(), context)
               ? kExitOk
               : kExitFailure;
}

QString lineNumbers(const QList<int>& lines) {
    constexpr int kShown = 10;
    QStringList numbers;
    for (int i = 0; i < std::min<int>(kShown, static_cast<int>(lines.size())); ++i) {
        numbers.append(QString::number(lines[i]));
    }
    if (lines.size() > kShown) {
        numbers.append(QStringLiteral("..."));
    }
    return numbers.join(QStringLiteral(", "));
}

int runLog2Csv(const QStringList& arguments, CliContext& context) {
    QCommandLineParser parser;
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QString(), QStringLiteral("FILE.csv"));
    parser.addOption(output);
    if (const auto exit =
            parseCommandLine(parser, QStringLiteral("log2csv"), arguments, context, 1, 1)) {
        return *exit;
    }
    const QString path = parser.positionalArguments().first();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        context.ui.message(QStringLiteral("%1: %2").arg(path, file.errorString()),
                           UserInteraction::Icon::Critical);
        return kExitFailure;
    }
    const LogCsv converted = convertLogToCsv(file.readAll());
    if (!converted.skippedLines.isEmpty()) {
        context.ui.message(QStringLiteral("%1: skipped %2 line(s) that are not records (line %3)")
                               .arg(path)
                               .arg(converted.skippedLines.size())
                               .arg(lineNumbers(converted.skippedLines)),
                           UserInteraction::Icon::Warning);
    }
    if (converted.records == 0) {
        context.ui.message(QStringLiteral("%1: no data log records found").arg(path),
                           UserInteraction::Icon::Critical);
        return kExitFailure;
    }
    return writeCommandOutput(parser.value(output), converted.csv, context) ? kExitOk
                                                                            : kExitFailure;
}

} // namespace

std::vector<CliCommand> logAndPortCommands() {
    return {
        {QStringLiteral("ports"), QStringLiteral("List the serial ports of this machine"),
         QStringLiteral(
             "Usage: vantrelctl ports\n"
             "\n"
             "Lists the serial ports the system knows of, one a line: the device to give\n"
             "to --port, its description, maker and serial number. These are the ports\n"
             "that the window program's Setup > Port... dialog offers; the dialog maps a\n"
             "COM port number to one of them, and --com N then means that device here too.\n"
             "\n"
             "Options:\n"
             "  -h, --help  Show this help\n"),
         &runPorts},
        {QStringLiteral("log2csv"),
         QStringLiteral("Convert a data log (.log) to CSV for spreadsheets and log viewers"),
         QStringLiteral(
             "Usage: vantrelctl log2csv FILE.log [-o FILE.csv]\n"
             "\n"
             "Reads a data log written by the window program or by \"vantrelctl monitor\",\n"
             "with full records, time history plot records or both, and writes it as CSV:\n"
             "a header row of channel names with their units, then one row a record,\n"
             "starting with the time in seconds. Each header block in the log starts a\n"
             "run whose times count from 0. When the log holds runs of both layouts, the\n"
             "CSV has the channels of both and a row leaves the others empty. Lines that\n"
             "are not records are skipped and counted on standard error.\n"
             "\n"
             "Options:\n"
             "  -o, --output FILE.csv  Write to FILE.csv instead of standard output;\n"
             "                         FILE.csv is replaced only once it is complete\n"
             "  -h, --help             Show this help\n"
             "\n"
             "Exit codes: 0 converted; 2 FILE.log could not be read or holds no records,\n"
             "or FILE.csv could not be written (the reason goes to standard error).\n"),
         &runLog2Csv},
    };
}
