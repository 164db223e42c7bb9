// SPDX-License-Identifier: GPL-3.0-or-later
// The serial link against the simulated ECU on a pseudo-terminal, through the
// program's own serial port code:
//
// - paced at 19200 baud, the full read and the full send, each as a ratio of
//   its wall time to the time its bytes need on the line (bytes x 10 / 19200
//   seconds, counting both directions, since request and reply never overlap);
// - unpaced, single-byte exchanges (one read command and its reply) a second,
//   through each link on its own and through both in alternating blocks.

#include "app/Initialise.h"
#include "comm/EcuLine.h"
#include "comm/EcuProtocol.h"
#include "comm/QtSerialLink.h"
#include "comm/Transfers.h"
#include "record/AppState.h"
#include "record/UserInteraction.h"
#include "sim/PtyServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kBaud = 19200;
constexpr int kBitsPerByte = 10; // start bit, eight data bits, stop bit

// Shows nothing; counts messages so that a failed run is noticed.
class QuietInteraction : public UserInteraction {
public:
    Answer message(const QString& text, Icon, Buttons, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        ++messages;
        return Answer::Ok;
    }
    void setBusy(bool) override {}
    void beginProgress(const QString&) override {}
    void stepProgress() override {}
    void endProgress() override {}

    int messages = 0;
};

// Counts the bytes that go over the line in both directions.
class CountingLink : public SerialLink {
public:
    explicit CountingLink(SerialLink& link) : m_link(link) {}

    bool open(QString* errorText) override { return m_link.open(errorText); }
    void close() override { m_link.close(); }
    bool isOpen() const override { return m_link.isOpen(); }
    void clear() override { m_link.clear(); }
    bool writeByte(uint8_t byte) override {
        const bool written = m_link.writeByte(byte);
        m_bytes += written ? 1 : 0;
        return written;
    }
    int readByte(int timeoutMs) override {
        const int byte = m_link.readByte(timeoutMs);
        m_bytes += byte >= 0 ? 1 : 0;
        return byte;
    }
    QByteArray readBlock(int minLength, int timeoutMs) override {
        const QByteArray block = m_link.readBlock(minLength, timeoutMs);
        m_bytes += block.size();
        return block;
    }

    qint64 bytes() const { return m_bytes; }
    void resetCount() { m_bytes = 0; }

private:
    SerialLink& m_link;
    qint64 m_bytes = 0;
};

// The terminal as a bare file descriptor in raw mode, with blocking poll()
// waits: the floor that any serial port code on this machine can reach.
class BareLink : public SerialLink {
public:
    void setDevice(const QString& device) { m_device = device; }

    bool open(QString* errorText) override {
        m_fd = ::open(m_device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_fd < 0) {
            if (errorText != nullptr) {
                *errorText = QString::fromLocal8Bit(std::strerror(errno));
            }
            return false;
        }
        termios tio{};
        tcgetattr(m_fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_fd, TCSANOW, &tio);
        return true;
    }
    void close() override {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    bool isOpen() const override { return m_fd >= 0; }
    void clear() override {
        if (m_fd >= 0) {
            tcflush(m_fd, TCIFLUSH);
        }
    }
    bool writeByte(uint8_t byte) override { return ::write(m_fd, &byte, 1) == 1; }
    int readByte(int timeoutMs) override {
        uint8_t byte = 0;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0 || ::read(m_fd, &byte, 1) != 1) {
            return -1;
        }
        return byte;
    }
    QByteArray readBlock(int minLength, int timeoutMs) override {
        QByteArray block;
        QDeadlineTimer deadline(timeoutMs);
        char buffer[512];
        while (block.size() < minLength) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(deadline.remainingTime())) <= 0) {
                break;
            }
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            block.append(buffer, n);
        }
        return block;
    }

private:
    QString m_device;
    int m_fd = -1;
};

// The simulator on its terminal and the program's side of the link, online.
// Port is the program's QtSerialLink, or the bare descriptor for comparison.
template <typename Port> class Bench {
public:
    explicit Bench(int baud) {
        m_simulator.setBaud(baud);
        QString error;
        if (!m_simulator.start(&error)) {
            std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
            return;
        }
        m_serial.setDevice(m_simulator.devicePath());
        initialiseSettings(*m_state);
        m_protocol.openCommPort();
        m_state->AskBeforeSearch = false;
        m_ready = findEcu(m_protocol, DiscoveryHooks{}) == FindResult::Found && ui.messages == 1;
        ui.messages = 0;
    }

    bool ready() const { return m_ready && ui.messages == 0 && m_state->EcuOnline; }
    EcuProtocol& protocol() { return m_protocol; }
    EcuLine& line() { return m_line; }
    CountingLink& link() { return m_link; }

    QuietInteraction ui;

private:
    PtySimulator m_simulator;
    Port m_serial;
    CountingLink m_link{m_serial};
    std::unique_ptr<AppState> m_state = std::make_unique<AppState>();
    SettingsStore m_store;
    EcuProtocol m_protocol{*m_state, m_store, m_link, ui};
    EcuLine m_line{*m_state, m_store, m_link, ui};
    bool m_ready = false;
};

// Runs a whole-record transfer per iteration and reports its wall time
// against the line time of the bytes it moved.
template <typename Port, typename Transfer>
void pacedTransfer(benchmark::State& state, Transfer transfer) {
    Bench<Port> bench(kBaud);
    if (!bench.ready()) {
        state.SkipWithError("the simulated ECU was not found");
        return;
    }
    double wallSeconds = 0;
    double lineSeconds = 0;
    qint64 bytes = 0;
    for (auto _ : state) {
        bench.link().resetCount();
        QElapsedTimer timer;
        timer.start();
        transfer(bench);
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        wallSeconds += seconds;
        bytes = bench.link().bytes();
        lineSeconds += static_cast<double>(bytes) * kBitsPerByte / kBaud;
        if (!bench.ready()) {
            state.SkipWithError("the transfer failed");
            return;
        }
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["line_s"] = lineSeconds / static_cast<double>(state.iterations());
    state.counters["wall_s"] = wallSeconds / static_cast<double>(state.iterations());
    state.counters["ratio"] = wallSeconds / lineSeconds;
}

template <typename Port> void fullRead(Bench<Port>& bench) {
    EcuProtocol& protocol = bench.protocol();
    const bool read = protocol.store().modify(ChangeOrigin::Ecu, [&](EcuSettings& record) {
        return getAllDataFromEcu(protocol, record, TransferHooks{});
    });
    if (!read) {
        bench.protocol().state().EcuOnline = false;
    }
}

template <typename Port> void fullSend(Bench<Port>& bench) {
    sendAllDataToEcu(bench.protocol(), TransferHooks{});
}

// The full send as the window program runs it: through the line owner, which
// processes pending events other than user input while it waits.
template <typename Port> void fullSendThroughLine(Bench<Port>& bench) {
    bench.line().setPump(
        [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    bench.line().run([](EcuProtocol& protocol) { sendAllDataToEcu(protocol, TransferHooks{}); });
}

template <typename Port> void BM_FullReadPaced(benchmark::State& state) {
    pacedTransfer<Port>(state, &fullRead<Port>);
}
BENCHMARK_TEMPLATE(BM_FullReadPaced, QtSerialLink)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

template <typename Port> void BM_FullSendPaced(benchmark::State& state) {
    pacedTransfer<Port>(state, &fullSend<Port>);
}
template <typename Port> void BM_FullSendPacedThroughLine(benchmark::State& state) {
    pacedTransfer<Port>(state, &fullSendThroughLine<Port>);
}
BENCHMARK_TEMPLATE(BM_FullSendPacedThroughLine, QtSerialLink)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_TEMPLATE(BM_FullSendPaced, QtSerialLink)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_TEMPLATE(BM_FullSendPaced, BareLink)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// One read command of one byte and its one-byte reply, unpaced: what the
// serial port code and the terminal cost per exchange.
template <typename Port> void BM_ExchangeUnpaced(benchmark::State& state) {
    Bench<Port> bench(0);
    if (!bench.ready()) {
        state.SkipWithError("the simulated ECU was not found");
        return;
    }
    for (auto _ : state) {
        bench.protocol().getEcuData(50);
    }
    if (!bench.ready()) {
        state.SkipWithError("an exchange failed");
        return;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK_TEMPLATE(BM_ExchangeUnpaced, QtSerialLink)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK_TEMPLATE(BM_ExchangeUnpaced, BareLink)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(2.0);

// The CPU time of the calling thread, in microseconds.
double threadCpuMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Exchanges a second and this thread's CPU per exchange over a block of
// exchanges, through one link.
struct Block {
    double perSecond = 0;
    double cpuMicroseconds = 0;
};

template <typename Port> Block exchangeBlock(Bench<Port>& bench, int exchanges) {
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = threadCpuMicroseconds();
    for (int i = 0; i < exchanges; ++i) {
        bench.protocol().getEcuData(50);
    }
    return {exchanges * 1e9 / static_cast<double>(timer.nsecsElapsed()),
            (threadCpuMicroseconds() - cpuStart) / exchanges};
}

double median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The same exchange through both links in alternating blocks, so that both
// meet the same load on a shared machine. The ratios are medians over the
// pairs of blocks (the program's exchanges a second to the bare descriptor's,
// and the CPU per exchange of this thread likewise); the other figures are
// medians of the blocks.
void BM_ExchangeUnpacedPaired(benchmark::State& state) {
    constexpr int kBlock = 200;
    Bench<QtSerialLink> program(0);
    Bench<BareLink> bare(0);
    if (!program.ready() || !bare.ready()) {
        state.SkipWithError("the simulated ECU was not found");
        return;
    }
    std::vector<double> programRates, bareRates, rateRatios;
    std::vector<double> programCpu, bareCpu, cpuRatios;
    for (auto _ : state) {
        // Each link goes first in every other pair.
        Block p;
        Block b;
        if (programRates.size() % 2 == 0) {
            p = exchangeBlock(program, kBlock);
            b = exchangeBlock(bare, kBlock);
        } else {
            b = exchangeBlock(bare, kBlock);
            p = exchangeBlock(program, kBlock);
        }
        programRates.push_back(p.perSecond);
        bareRates.push_back(b.perSecond);
        rateRatios.push_back(p.perSecond / b.perSecond);
        programCpu.push_back(p.cpuMicroseconds);
        bareCpu.push_back(b.cpuMicroseconds);
        cpuRatios.push_back(p.cpuMicroseconds / b.cpuMicroseconds);
    }
    if (!program.ready() || !bare.ready()) {
        state.SkipWithError("an exchange failed");
        return;
    }
    state.counters["program_per_s"] = median(programRates);
    state.counters["bare_per_s"] = median(bareRates);
    state.counters["ratio"] = median(rateRatios);
    state.counters["program_cpu_us"] = median(programCpu);
    state.counters["bare_cpu_us"] = median(bareCpu);
    state.counters["cpu_ratio"] = median(cpuRatios);
}
BENCHMARK(BM_ExchangeUnpacedPaired)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(4.0);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
