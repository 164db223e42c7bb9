// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/Acquisition.h"

#include "comm/EcuLine.h"
#include "monitor/Calibration.h"
#include "monitor/TimeHistory.h"
#include "record/AppState.h"

#include <QTimer>

Acquisition::Acquisition(AppState& state, EcuLine& line, Clock clock, QObject* parent)
    : LiveFeed(parent), m_state(state), m_line(line), m_clock(std::move(clock)),
      m_timer(new QTimer(this)), m_plotTimer(new QTimer(this)) {
    if (!m_clock) {
        m_sinceStart.start();
        m_clock = [this] { return m_sinceStart.elapsed(); };
    }
    m_timer->setObjectName(QStringLiteral("TimerMain"));
    m_timer->setInterval(kIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &Acquisition::tick);
    m_plotTimer->setObjectName(QStringLiteral("RealTimeTimer"));
    m_plotTimer->setInterval(kPlotIntervalMs);
    connect(m_plotTimer, &QTimer::timeout, this, &Acquisition::plotTick);
}

void Acquisition::start() {
    m_timer->start();
}

void Acquisition::stop() {
    m_timer->stop();
}

bool Acquisition::active() const {
    return m_timer->isActive();
}

int Acquisition::interval() const {
    return m_timer->interval();
}

void Acquisition::setInterval(int ms) {
    m_timer->setInterval(ms);
}

void Acquisition::setPlotInterval(int ms) {
    m_plotTimer->setInterval(ms);
}

void Acquisition::restartIfLate(QTimer* timer, const QElapsedTimer& took) {
    // A tick that outlasted the interval (a dialog was up) starts the count
    // again, so that the next sample follows a whole interval later instead
    // of at once.
    if (timer->isActive() && took.elapsed() >= timer->interval()) {
        timer->start();
    }
}

LiveSample Acquisition::heldSample() const {
    return LiveSample::fromEngineData(m_line.liveValues(), now());
}

void Acquisition::clearErrorStatus() {
    m_line.liveValues().EngineStatus3 = 0;
    m_line.liveValues().EngineStatus4 = 0;
}

bool Acquisition::tick() {
    if (m_inTick || held()) {
        return false;
    }
    m_inTick = true;
    QElapsedTimer took;
    took.start();
    const bool ran = m_line.runIfIdle([this](EcuProtocol& protocol) {
        const bool read = pollLiveData(m_state, protocol.store().settings(), protocol.liveValues(),
                                       protocol.commandSender(),
                                       m_state.DeveloperMode && developerReadsRequested());
        m_indicator.advance(m_state.EcuOnline);
        m_latest = LiveSample::fromEngineData(protocol.liveValues(), now());
        emit polled(m_latest, read);
        if (read) {
            emit sampleRead(m_latest);
        }
        emit sampled(m_latest);
    });
    m_inTick = false;
    if (ran) {
        restartIfLate(m_timer, took);
    }
    return ran;
}

bool Acquisition::plotTick() {
    if (m_inPlotTick || !m_plotRunning) {
        return false;
    }
    m_inPlotTick = true;
    QElapsedTimer took;
    took.start();
    bool offline = false;
    bool sampledOnce = false;
    m_line.runIfIdle([&](EcuProtocol& protocol) {
        if (!m_state.EcuOnline) {
            offline = true;
            return;
        }
        const EcuSettings& settings = protocol.store().settings();
        for (const int command : plotSampleRequests(m_state, settings, m_plotChannels)) {
            protocol.getEcuData(command);
        }
        calibrateData(settings, protocol.liveValues());
        emit plotSampled(LiveSample::fromEngineData(protocol.liveValues(), now(),
                                                    plotSampleChannels(m_plotChannels)));
        sampledOnce = true;
    });
    m_inPlotTick = false;
    restartIfLate(m_plotTimer, took);
    if (offline) {
        stopPlot();
    }
    return sampledOnce;
}

void Acquisition::addUntilDestroyed(const QObject* object,
                                    QHash<const QObject*, QMetaObject::Connection>& set) {
    if (!set.contains(object)) {
        set.insert(object, connect(object, &QObject::destroyed, this,
                                   [&set, object] { set.remove(object); }));
    }
}

void Acquisition::remove(const QObject* object,
                         QHash<const QObject*, QMetaObject::Connection>& set) {
    if (const auto found = set.find(object); found != set.end()) {
        disconnect(*found);
        set.erase(found);
    }
}

void Acquisition::holdPoll(const QObject* editor) {
    addUntilDestroyed(editor, m_holders);
}

void Acquisition::releasePoll(const QObject* editor) {
    remove(editor, m_holders);
}

void Acquisition::requestDeveloperReads(const QObject* window) {
    addUntilDestroyed(window, m_developerReaders);
}

void Acquisition::openPlot() {
    m_line.command(commandCode(EcuCommand::PlotOpen));
}

void Acquisition::closePlot() {
    m_line.command(commandCode(EcuCommand::PlotClose));
    m_plotTimer->stop();
    emit plotClosed();
    if (m_plotRunning) {
        m_plotRunning = false;
        emit plotRunningChanged(false);
    }
}

void Acquisition::startPlot(const std::array<int, 2>& channels) {
    m_plotChannels = channels;
    if (m_plotRunning) {
        return;
    }
    m_plotRunning = true;
    emit plotRunningChanged(true);
    m_plotTimer->start();
}

void Acquisition::stopPlot() {
    m_plotTimer->stop();
    const bool wasRunning = m_plotRunning;
    m_plotRunning = false;
    if (wasRunning) {
        emit plotRunningChanged(false);
    }
    emit plotStopped();
}
