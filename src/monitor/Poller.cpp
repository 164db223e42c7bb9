#include "monitor/Poller.h"

#include "comm/EcuLine.h"
#include "record/AppState.h"

#include <QTimer>

Poller::Poller(AppState& state, EcuLine& line, QObject* parent)
    : QObject(parent), m_state(state), m_line(line), m_timer(new QTimer(this)) {
    m_timer->setObjectName(QStringLiteral("TimerMain"));
    m_timer->setInterval(kIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &Poller::tick);
}

void Poller::start() {
    m_timer->start();
}

void Poller::stop() {
    m_timer->stop();
}

void Poller::setInterval(int ms) {
    m_timer->setInterval(ms);
}

bool Poller::active() const {
    return m_timer->isActive();
}

bool Poller::tick() {
    if (m_inTick || m_state.EditingCell) {
        return false;
    }
    m_inTick = true;
    m_tickClock.start();
    const bool ran = m_line.runIfIdle([this](EcuProtocol& protocol) {
        pollLiveData(m_state, protocol.commandSender(),
                     m_state.DeveloperMode && developerReadsRequested());
        m_indicator.advance(m_state.EcuOnline);
        emit dataReceived(m_state.engine);
    });
    m_inTick = false;
    // A tick that outlasted the interval (a dialog was up) starts the count
    // again, so that the next record follows a whole interval later instead
    // of at once.
    if (ran && m_timer->isActive() && m_tickClock.elapsed() >= m_timer->interval()) {
        m_timer->start();
    }
    return ran;
}

void Poller::requestDeveloperReads(QObject* window) {
    m_developerReaders.insert(window);
    connect(window, &QObject::destroyed, this,
            [this, window] { m_developerReaders.remove(window); });
}
