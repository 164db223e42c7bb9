// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/EcuCommands.h"
#include "cli/EcuSession.h"
#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "monitor/Poll.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLocale>
#include <QThread>
#include <algorithm>
#include <csignal>

// monitor: polls the live values and prints them as data log records.

namespace {

constexpr int kDefaultIntervalMs = 500;
// The longest the wait between polls goes without looking for a stop request.
constexpr qint64 kStopCheckMs = 20;

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void requestStop(int) {
    g_stopRequested = 1;
}

// While it lives, SIGINT and SIGTERM ask the command to stop after the record
// in hand instead of ending the program part-way through it.
class StopOnSignal {
public:
    StopOnSignal() {
        g_stopRequested = 0;
        m_previousInt = std::signal(SIGINT, requestStop);
        m_previousTerm = std::signal(SIGTERM, requestStop);
    }
    ~StopOnSignal() {
        std::signal(SIGINT, m_previousInt);
        std::signal(SIGTERM, m_previousTerm);
    }
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

    static bool requested() { return g_stopRequested != 0; }

private:
    void (*m_previousInt)(int) = SIG_DFL;
    void (*m_previousTerm)(int) = SIG_DFL;
};

const QString kLineEnd = QStringLiteral("\r\n");

bool parseCount(const QString& text, int minimum, int* value) {
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < minimum) {
        return false;
    }
    *value = number;
    return true;
}

int runMonitor(const QStringList& arguments, CliContext& context) {
    const QString name = QStringLiteral("monitor");
    QCommandLineParser parser;
    const PortOptions ports;
    ports.addTo(parser);
    const QCommandLineOption countOption(QStringLiteral("count"), QString(), QStringLiteral("N"));
    const QCommandLineOption intervalOption(QStringLiteral("interval-ms"), QString(),
                                            QStringLiteral("MS"));
    parser.addOptions({countOption, intervalOption});
    if (const auto exit = parseCommandLine(parser, name, arguments, context, 0, 0)) {
        return *exit;
    }
    int count = 0;
    int intervalMs = kDefaultIntervalMs;
    if (parser.isSet(countOption) && !parseCount(parser.value(countOption), 1, &count)) {
        context.ui.message(QStringLiteral("monitor: --count takes a number of polls from 1 up, "
                                          "not \"%1\". Try \"vantrelctl monitor --help\".")
                               .arg(parser.value(countOption)),
                           UserInteraction::Icon::Critical);
        return kExitFailure;
    }
    if (parser.isSet(intervalOption) && !parseCount(parser.value(intervalOption), 0, &intervalMs)) {
        context.ui.message(QStringLiteral("monitor: --interval-ms takes a number of milliseconds "
                                          "from 0 up, not \"%1\". Try \"vantrelctl monitor "
                                          "--help\".")
                               .arg(parser.value(intervalOption)),
                           UserInteraction::Icon::Critical);
        return kExitFailure;
    }

    EcuSession session(context);
    if (!session.choosePort(parser, ports, name)) {
        return kExitFailure;
    }
    const StopOnSignal stop;
    if (const int found = session.identify(); found != kExitOk) {
        return found;
    }
    AppState& state = context.state;
    if (!state.EcuOnline) {
        // The ECU reported an error in its status right after the search.
        return kExitLinkFailure;
    }

    const QString header = logRuleLine() + kLineEnd +
                           logDateTimeLine(QDateTime::currentDateTime(), QLocale::system()) +
                           kLineEnd + fullRecordTitleLine() + kLineEnd;
    if (!writeCommandOutput(QString(), header.toUtf8(), context)) {
        return kExitFailure;
    }
    QElapsedTimer sinceHeader;
    sinceHeader.start();

    // The records are the program's full log records, written after each poll
    // while logging is on; going offline switches logging off, so no record of
    // a failed poll is printed.
    session.setLogging(true);
    const CommandSender send = session.protocol().commandSender();

    for (qint64 poll = 0; count == 0 || poll < count; ++poll) {
        const qint64 due = poll * intervalMs;
        for (qint64 wait = due - sinceHeader.elapsed(); wait > 0 && !stop.requested();
             wait = due - sinceHeader.elapsed()) {
            QThread::msleep(static_cast<unsigned long>(std::min(wait, kStopCheckMs)));
        }
        if (stop.requested()) {
            return kExitOk;
        }
        if (pollLiveData(state, context.store.settings(), session.protocol().liveValues(), send,
                         false)) {
            session.refreshStatusBar();
        }
        if (session.logging()) {
            const QString line = fullRecordLine(
                LiveSample::fromEngineData(session.protocol().liveValues(), sinceHeader.elapsed()),
                static_cast<double>(sinceHeader.nsecsElapsed()) / 1e9);
            if (!writeCommandOutput(QString(), (line + kLineEnd).toUtf8(), context)) {
                return kExitFailure;
            }
        }
        if (!state.EcuOnline) {
            return kExitLinkFailure;
        }
    }
    return kExitOk;
}

} // namespace

CliCommand monitorCommand() {
    return {
        QStringLiteral("monitor"),
        QStringLiteral("Poll the ECU's live values and print them as data log records"),
        QStringLiteral(
            "Usage: vantrelctl monitor (--port DEVICE | --com N) [--count N]\n"
            "                          [--interval-ms MS]\n"
            "\n"
            "Finds the ECU and polls its live values as the window program does: the\n"
            "status bytes, crank period, MAP, air, water, battery, throttle, injector time,\n"
            "advance and the three user inputs. Each poll is converted to engineering units\n"
            "and printed as one record of the program's data log, after the log's three\n"
            "header lines (a rule, the date and time, the column titles). Lines end with\n"
            "CR LF as in a .log file. Errors and warnings that the ECU reports in its status\n"
            "are told on standard error and take it offline, which ends the command.\n"
            "\n"
            "Options:\n") +
            portOptionHelp() +
            QStringLiteral("  --count N      Stop after N polls (default: poll until interrupted;\n"
                           "                 SIGINT or SIGTERM ends it after the record in hand,\n"
                           "                 with exit code 0)\n"
                           "  --interval-ms MS\n"
                           "                 Start a poll every MS milliseconds (default 500)\n"
                           "  -h, --help     Show this help\n"
                           "\n") +
            ecuExitCodeHelp(),
        &runMonitor};
}
