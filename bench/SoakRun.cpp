// SPDX-License-Identifier: GPL-3.0-or-later
// A soak run: polling, logging and the time history plot against the
// in-process simulated ECU for a stretch of engine time (one hour unless
// given), on a simulated clock so that the run takes only the program's own
// work. Reports the memory at the start and the end, the log records written
// against the plot samples taken, and the processor time a poll costs.
//
//     bench_soak [--hours H] [--log PATH]

#include "comm/Discovery.h"
#include "comm/EcuLine.h"
#include "comm/Transfers.h"
#include "monitor/Acquisition.h"
#include "monitor/LoggingController.h"
#include "monitor/SampleSeries.h"
#include "monitor/TimeHistory.h"
#include "record/AppState.h"
#include "record/UserInteraction.h"
#include "session/Session.h"
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {

constexpr qint64 kPollMs = 500;
constexpr qint64 kPlotMs = 50;

// Shows nothing; counts what would have been shown.
class CountingInteraction : public UserInteraction {
public:
    Answer message(const QString& text, Icon, Buttons buttons, const QString&) override {
        ++messages;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return buttons == Buttons::Ok || buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
    }
    void setBusy(bool) override {}
    void beginProgress(const QString&) override {}
    void stepProgress() override {}
    void endProgress() override {}

    int messages = 0;
};

// Resident memory in KB.
long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

double cpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Records in a log file: every line but the three of each header block,
// which starts with its rule of dashes.
int countRecords(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    int lines = 0;
    int headers = 0;
    while (!file.atEnd()) {
        ++lines;
        if (file.readLine().startsWith("-----")) {
            ++headers;
        }
    }
    return lines - 3 * headers;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    double hours = 1;
    QTemporaryDir dir;
    QString logPath = dir.filePath(QStringLiteral("soak.log"));
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--hours")) {
            hours = args[i + 1].toDouble();
        } else if (args[i] == QLatin1String("--log")) {
            logPath = args[i + 1];
        }
    }

    qint64 nowMs = 0;
    SimulatedEcu ecu(SimulatedEcu::defaultImage(), [&nowMs] { return nowMs; });
    SimulatedLink link(&ecu);
    CountingInteraction ui;
    const auto state = std::make_unique<AppState>();
    state->AskBeforeSearch = false;
    // The session as the window program has it: the poll's samples go to
    // the status bar, the log and the series.
    Session session(*state, ui, link, [&nowMs] { return nowMs; });
    EcuLine& line = session.line();
    Acquisition& acquisition = session.acquisition();
    bool found = false;
    line.run([&](EcuProtocol& protocol) {
        session.store().modify(ChangeOrigin::Ecu, [&](EcuSettings& record) {
            found = findEcu(protocol, {}) == FindResult::Found &&
                    getAllDataFromEcu(protocol, record, {});
        });
    });
    if (!found) {
        std::fprintf(stderr, "soak: the simulated ECU was not found\n");
        return 1;
    }
    ecu.startEngine();

    LoggingController& logging = session.logging();
    logging.setFileChooser([&logPath] { return logPath; });
    logging.setViews([] { return true; }, [] { return true; });
    logging.setupLogData();
    qint64 polls = 0;

    // The time history plot samples at its own rate while it runs; its
    // samples are logged as plot records then, and the polls' are not.
    acquisition.openPlot();
    acquisition.startPlot({PlotChannel::Rpm, PlotChannel::Fuel});
    qint64 samples = 0;

    const qint64 endMs = static_cast<qint64>(hours * 3600 * 1000);
    const long startKb = residentKb();
    const double startCpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    double pollCpu = 0;
    long peakKb = startKb;
    std::printf("%10s %10s %10s %12s\n", "engine min", "polls", "samples", "resident KB");
    for (nowMs = 0; nowMs < endMs && state->EcuOnline; nowMs += kPlotMs) {
        if (nowMs % kPollMs == 0) {
            const double before = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            acquisition.tick();
            pollCpu += cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - before;
            ++polls;
        }
        samples += acquisition.plotTick() ? 1 : 0;
        // The simulated link keeps every byte for tests to look at; that
        // record is the test bench's, not the program's.
        link.clearWritten();
        if (nowMs % (10 * 60 * 1000) == 0) {
            const long kb = residentKb();
            peakKb = std::max(peakKb, kb);
            std::printf("%10lld %10lld %10lld %12ld\n", nowMs / 60000, polls, samples, kb);
        }
    }
    const double totalCpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - startCpu;
    const long endKb = residentKb();
    logging.closeLogFile();
    const int records = countRecords(logPath);

    std::printf("\nengine time        %.2f h (%lld ms simulated)\n", nowMs / 3.6e6, nowMs);
    std::printf("ECU online at end  %s; messages shown %d; logging on at end %s\n",
                state->EcuOnline ? "yes" : "no", ui.messages, logging.active() ? "yes" : "no");
    std::printf("polls made         %lld\n", polls);
    std::printf("records written    %d\n", records);
    std::printf("plot samples       %lld\n", samples);
    std::printf("series             %lld records\n",
                static_cast<long long>(session.series().size()));
    std::printf("resident memory    start %ld KB, end %ld KB, peak %ld KB\n", startKb, endKb,
                std::max(peakKb, endKb));
    std::printf("processor time     %.3f s in all; %.1f us a poll (its own), %.1f us a poll "
                "interval with its %lld plot samples\n",
                totalCpu, polls ? pollCpu / polls * 1e6 : 0.0, polls ? totalCpu / polls * 1e6 : 0.0,
                kPollMs / kPlotMs);
    return records == samples && state->EcuOnline ? 0 : 1;
}
