// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Commands.h"
#include "comm/SerialPorts.h"
#include "monitor/LogCsv.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

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

QString lineNumbers(const QList<qint64>& first, qint64 count) {
    QStringList numbers;
    for (const qint64 line : first) {
        numbers.append(QString::number(line));
    }
    if (count > first.size()) {
        numbers.append(QStringLiteral("..."));
    }
    return numbers.join(QStringLiteral(", "));
}

// What a name stands for, following symbolic links.
struct FileIdentity {
    bool exists = false;
    bool device = false; // a character or block device: no log, and /dev/zero never ends
    quint64 deviceId = 0;
    quint64 inode = 0;
    QString canonicalPath; // where inodes are unknown

    bool sameAs(const FileIdentity& other) const {
#ifdef Q_OS_UNIX
        return exists && other.exists && deviceId == other.deviceId && inode == other.inode;
#else
        return exists && other.exists && canonicalPath == other.canonicalPath;
#endif
    }
};

FileIdentity identify(const QString& path) {
    FileIdentity id;
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
        id = {true,
              S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode),
              static_cast<quint64>(info.st_dev),
              static_cast<quint64>(info.st_ino),
              {}};
    }
#else
    const QFileInfo info(path);
    id.exists = info.exists();
    id.canonicalPath = info.canonicalFilePath();
#endif
    return id;
}

// The file behind the command's output device, when it is a file.
FileIdentity identify([[maybe_unused]] QIODevice& out) {
    FileIdentity id;
#ifdef Q_OS_UNIX
    struct stat info {};
    const auto* file = qobject_cast<QFile*>(&out);
    if (file != nullptr && file->handle() >= 0 && ::fstat(file->handle(), &info) == 0) {
        id = {
            true, false, static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino), {}};
    }
#endif
    return id;
}

// Writes the CSV to path: a regular file or a new name is replaced only once
// the CSV is whole; a FIFO or a device is written directly.
QString writeCsvFile(const QString& path, LogCsvConverter& converter) {
    if (const QFileInfo info(path); info.exists() && !info.isFile()) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !converter.write(file)) {
            return file.errorString();
        }
        return {};
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    // Flushed here rather than by commit(), which would not notice a failed
    // last flush; a short write is finished by the second flush or fails.
    if (!converter.write(file) || !(file.flush() || file.flush())) {
        const QString error = converter.error().isEmpty() ? file.errorString() : converter.error();
        file.cancelWriting();
        return error;
    }
    return file.commit() ? QString() : file.errorString();
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
    const QString outputPath = parser.value(output);
    const bool toStandardOutput = outputPath.isEmpty() || outputPath == QLatin1String("-");
    const auto fail = [&context](const QString& text) {
        context.ui.message(text, UserInteraction::Icon::Critical);
        return kExitFailure;
    };

    const FileIdentity log = identify(path);
    if (log.device) {
        return fail(QStringLiteral("%1: a device, not a data log").arg(path));
    }
    if (log.sameAs(toStandardOutput ? identify(context.out) : identify(outputPath))) {
        return fail(QStringLiteral("%1: the output is the data log itself; give another file")
                        .arg(toStandardOutput ? QStringLiteral("standard output") : outputPath));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    }
    LogCsvConverter converter;
    if (!converter.read(file)) {
        return fail(QStringLiteral("%1: %2").arg(path, converter.error()));
    }
    if (converter.skippedLines() > 0) {
        context.ui.message(
            QStringLiteral("%1: skipped %2 line(s) that are not records (line %3)")
                .arg(path)
                .arg(converter.skippedLines())
                .arg(lineNumbers(converter.firstSkippedLines(), converter.skippedLines())),
            UserInteraction::Icon::Warning);
    }
    if (converter.records() == 0) {
        return fail(QStringLiteral("%1: no data log records found").arg(path));
    }
    if (toStandardOutput) {
        return converter.write(context.out)
                   ? kExitOk
                   : fail(QStringLiteral("standard output: %1").arg(converter.error()));
    }
    const QString error = writeCsvFile(outputPath, converter);
    return error.isEmpty() ? kExitOk : fail(QStringLiteral("%1: %2").arg(outputPath, error));
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
             "CSV has the channels of both and a row leaves the others empty. A marker\n"
             "line (\"#\" and a note) becomes a marker row: the time of the record before\n"
             "it, empty channels and the note in a last column, \"Marker\". Lines that\n"
             "are not records (damaged, longer than 64 KB, or a last line cut short) are\n"
             "skipped and counted on standard error. The log is read a line at a time,\n"
             "so a log of any size converts in the same small memory.\n"
             "\n"
             "Options:\n"
             "  -o, --output FILE.csv  Write to FILE.csv instead of standard output;\n"
             "                         FILE.csv is replaced only once it is complete,\n"
             "                         and may not be the log itself under any name\n"
             "  -h, --help             Show this help\n"
             "\n"
             "Exit codes: 0 converted; 2 FILE.log could not be read, is a device or holds\n"
             "no records, or FILE.csv is the log or could not be written (the reason goes\n"
             "to standard error).\n"),
         &runLog2Csv},
    };
}
