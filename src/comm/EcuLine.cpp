// SPDX-License-Identifier: GPL-3.0-or-later
#include "comm/EcuLine.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <algorithm>

EcuLine::EcuLine(AppState& state, SettingsStore& store, SerialLink& link, UserInteraction& ui,
                 QObject* parent)
    : QObject(parent), m_pumping(link, *this), m_protocol(state, store, m_pumping, ui) {
    m_protocol.setOnlineObserver([this](EcuProtocol::OnlineChange why) { emit wentOffline(why); });
    m_sincePump.start();
}

EcuLine::~EcuLine() = default;

void EcuLine::run(const std::function<void(EcuProtocol&)>& work) {
    struct Depth {
        int& depth;
        explicit Depth(int& d) : depth(d) { ++depth; }
        ~Depth() { --depth; }
    } depth(m_depth);
    work(m_protocol);
}

bool EcuLine::runIfIdle(const std::function<void(EcuProtocol&)>& work) {
    if (busy()) {
        return false;
    }
    run(work);
    return true;
}

void EcuLine::command(int code, int index1, int index2) {
    run([&](EcuProtocol& protocol) { protocol.getEcuData(code, index1, index2); });
}

CommandSender EcuLine::sender() {
    return [this](int code, int index1, int index2) { command(code, index1, index2); };
}

void EcuLine::setPump(std::function<void()> pump) {
    m_pump = std::move(pump);
}

void EcuLine::pumpIfDue() {
    // The pump may deliver timer events whose work is dropped while the line
    // is busy; it never runs inside itself.
    if (!m_pump || m_inPump || m_sincePump.elapsed() < m_pumpIntervalMs) {
        return;
    }
    m_inPump = true;
    m_pump();
    m_inPump = false;
    m_sincePump.restart();
}

bool EcuLine::PumpingLink::writeByte(uint8_t byte) {
    m_owner.pumpIfDue();
    return m_link.writeByte(byte);
}

int EcuLine::PumpingLink::readByte(int timeoutMs) {
    if (!m_owner.m_pump) {
        return m_link.readByte(timeoutMs);
    }
    // Waits in slices, pumping between them. A link that gives up on a slice
    // before its time (a port error, a simulated line) has nothing more to
    // give, so it is not asked again.
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    for (;;) {
        const int slice =
            static_cast<int>(std::min<qint64>(deadline.remainingTime(), EcuLine::kPumpIntervalMs));
        QElapsedTimer took;
        took.start();
        const int byte = m_link.readByte(slice);
        if (byte >= 0 || deadline.hasExpired() || took.elapsed() < slice / 2) {
            return byte;
        }
        m_owner.pumpIfDue();
    }
}

QByteArray EcuLine::PumpingLink::readBlock(int minLength, int timeoutMs) {
    if (!m_owner.m_pump) {
        return m_link.readBlock(minLength, timeoutMs);
    }
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    QByteArray block;
    for (;;) {
        const int slice =
            static_cast<int>(std::min<qint64>(deadline.remainingTime(), EcuLine::kPumpIntervalMs));
        QElapsedTimer took;
        took.start();
        block += m_link.readBlock(minLength - static_cast<int>(block.size()), slice);
        if (block.size() >= minLength || deadline.hasExpired() || took.elapsed() < slice / 2) {
            return block;
        }
        m_owner.pumpIfDue();
    }
}
