// SPDX-License-Identifier: GPL-3.0-or-later
// vantrel-ecusim: a simulated ECU on a pseudo-terminal. Prints the terminal's
// device path as its first line and serves until SIGINT or SIGTERM.

#include "files/EcuFile.h"
#include "sim/PtyServer.h"
#include "sim/SimulatedEcu.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// SIGINT and SIGTERM write a byte into this pipe, so that the event loop can
// end cleanly (a handler may do little more than that).
int stopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int) {
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(stopPipe[1], &byte, 1);
}

bool watchStopSignals() {
    if (::pipe(stopPipe) != 0)
        return false;
    for (const int fd : stopPipe)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(stopPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0;
}

struct Options {
    SimulatedEcu* ecu = nullptr;
    int baud = 19200;
};

bool parseNumber(const QString& text, int low, int high, int* value) {
    // Decimal (leading zeros allowed, as in 2.051) or hexadecimal with 0x.
    const QString t = text.trimmed();
    bool ok = false;
    const bool hex = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const int v = hex ? t.mid(2).toInt(&ok, 16) : t.toInt(&ok, 10);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

// Applies the command line to the ECU; false with a message on bad input.
bool applyOptions(const QCommandLineParser& parser, SimulatedEcu& ecu, int* baud, QString* error) {
    auto bad = [&](const QString& option, const QString& value) {
        *error = QStringLiteral("Invalid value for --%1: %2").arg(option, value);
        return false;
    };
    if (parser.isSet(QStringLiteral("file"))) {
        const QString path = parser.value(QStringLiteral("file"));
        const EcuFileReadResult result = loadEcuFile(path, ecu.settings());
        if (!result.ok()) {
            *error = QStringLiteral("Cannot read %1: %2").arg(path, result.error);
            return false;
        }
        ecu.setSettings(*result.settings);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        const QString text = parser.value(QStringLiteral("version"));
        const QStringList parts = text.split(QLatin1Char('.'));
        int major = 0;
        int minor = 0;
        if (parts.size() != 2 || !parseNumber(parts[0], 0, 255, &major) ||
            !parseNumber(parts[1], 0, 255, &minor))
            return bad(QStringLiteral("version"), text);
        ecu.setVersion(major, minor);
    }
    if (parser.isSet(QStringLiteral("build"))) {
        int build = 0;
        if (!parseNumber(parser.value(QStringLiteral("build")), 0, 255, &build))
            return bad(QStringLiteral("build"), parser.value(QStringLiteral("build")));
        ecu.setBuildNumber(build);
    }
    if (parser.isSet(QStringLiteral("serial"))) {
        const QString text = parser.value(QStringLiteral("serial"));
        const QStringList parts = text.split(QLatin1Char(','));
        int b[3] = {};
        if (parts.size() != 3)
            return bad(QStringLiteral("serial"), text);
        for (int i = 0; i < 3; ++i)
            if (!parseNumber(parts[i], 0, 255, &b[i]))
                return bad(QStringLiteral("serial"), text);
        ecu.setSerialBytes(static_cast<uint8_t>(b[0]), static_cast<uint8_t>(b[1]),
                           static_cast<uint8_t>(b[2]));
    }
    if (parser.isSet(QStringLiteral("baud")) &&
        !parseNumber(parser.value(QStringLiteral("baud")), 0, 4000000, baud))
        return bad(QStringLiteral("baud"), parser.value(QStringLiteral("baud")));

    ecu.setSilent(parser.isSet(QStringLiteral("silent")));
    ecu.setEcho(parser.isSet(QStringLiteral("echo")));
    ecu.setRefuseWrites(parser.isSet(QStringLiteral("refuse-writes")));
    for (const QString& name : {QStringLiteral("bad-checksum"), QStringLiteral("short-block")}) {
        if (!parser.isSet(name))
            continue;
        int code = 0;
        if (!parseNumber(parser.value(name), commandCode(EcuCommand::FuelBlock),
                         commandCode(EcuCommand::OtherBlock), &code))
            return bad(name, parser.value(name));
        if (name == QStringLiteral("bad-checksum"))
            ecu.setBadChecksum(code);
        else
            ecu.setShortBlock(code);
    }
    if (parser.isSet(QStringLiteral("stop-after"))) {
        int n = 0;
        if (!parseNumber(parser.value(QStringLiteral("stop-after")), 0, 2147483647, &n))
            return bad(QStringLiteral("stop-after"), parser.value(QStringLiteral("stop-after")));
        ecu.setStopAfter(n);
    }
    for (const QString& name : {QStringLiteral("status1"), QStringLiteral("status3")}) {
        if (!parser.isSet(name))
            continue;
        int bits = 0;
        if (!parseNumber(parser.value(name), 0, 255, &bits))
            return bad(name, parser.value(name));
        if (name == QStringLiteral("status1"))
            ecu.setStatus1Flags(static_cast<uint8_t>(bits));
        else
            ecu.setStatus3Flags(static_cast<uint8_t>(bits));
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // From the start on, so that a stop signal never ends the program before
    // it has closed its terminal.
    if (!watchStopSignals()) {
        std::perror("vantrel-ecusim: signals");
        return 1;
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantrel-ecusim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated engine control unit on a pseudo-terminal. The first line of "
                       "output is the device path to open as the serial port."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("version"), QStringLiteral("Firmware version (default 2.051)."),
         QStringLiteral("MAJOR.MINOR")},
        {QStringLiteral("build"), QStringLiteral("Firmware build number (default 7)."),
         QStringLiteral("N")},
        {QStringLiteral("serial"), QStringLiteral("Serial number bytes (default 0x67,0,42)."),
         QStringLiteral("B1,B2,B3")},
        {QStringLiteral("file"), QStringLiteral("Starting settings from a .ecu data file."),
         QStringLiteral("FILE.ecu")},
        {QStringLiteral("baud"),
         QStringLiteral("Line rate for pacing the replies, 0 for none (default 19200)."),
         QStringLiteral("RATE")},
        {QStringLiteral("silent"), QStringLiteral("Never answer.")},
        {QStringLiteral("echo"), QStringLiteral("Answer every byte with itself.")},
        {QStringLiteral("bad-checksum"),
         QStringLiteral("Send the bulk block of this command with a wrong sum."),
         QStringLiteral("14|15|16")},
        {QStringLiteral("short-block"),
         QStringLiteral("Send the bulk block of this command one byte short."),
         QStringLiteral("14|15|16")},
        {QStringLiteral("stop-after"), QStringLiteral("Stop answering after N bytes."),
         QStringLiteral("N")},
        {QStringLiteral("refuse-writes"),
         QStringLiteral("End every write with a byte other than \"!\".")},
        {QStringLiteral("status1"), QStringLiteral("Error and warning bits of status byte 1."),
         QStringLiteral("N")},
        {QStringLiteral("status3"), QStringLiteral("Checksum and EEPROM bits of status byte 3."),
         QStringLiteral("N")},
    });
    parser.process(app);

    SimulatedEcu ecu;
    int baud = 19200;
    QString error;
    if (!applyOptions(parser, ecu, &baud, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }

    PtyServer server(&ecu);
    server.setBaud(baud);
    if (!server.open(&error)) {
        std::fprintf(stderr, "Cannot create the pseudo-terminal: %s\n", qPrintable(error));
        return 1;
    }

    QSocketNotifier signalNotifier(stopPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app,
                     [] { QCoreApplication::quit(); });

    std::printf("%s\n", qPrintable(server.devicePath()));
    std::fflush(stdout);

    const int result = app.exec();
    server.close();
    return result;
}
