// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/Session.h"

#include "comm/EcuLine.h"
#include "generators/DefaultSettings.h"
#include "monitor/Acquisition.h"
#include "monitor/LoggingController.h"
#include "monitor/SampleSeries.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "session/StatusSteps.h"

Session::Session(AppState& state, UserInteraction& ui, SerialLink& link, Clock clock,
                 QObject* parent)
    : QObject(parent), m_state(state), m_ui(ui),
      // The record starts with its start values and the tables the
      // generators make from the state's inputs.
      m_store(std::make_unique<SettingsStore>(
          settingsWithDefaultTables(state.fuelGenerator, state.ignitionGenerator))),
      m_line(std::make_unique<EcuLine>(state, *m_store, link, ui)),
      m_acquisition(std::make_unique<Acquisition>(state, *m_line, std::move(clock))),
      m_logging(std::make_unique<LoggingController>(state, m_store->settings(), ui)),
      m_series(std::make_unique<SampleSeries>()) {
    m_store->setSender(m_line->sender());
    // A lost link is marked in the log before the status report stops the
    // logging.
    connect(m_line.get(), &EcuLine::wentOffline, m_logging.get(), &LoggingController::linkLost);
    connect(m_line.get(), &EcuLine::wentOffline, this, &Session::announceOnline);

    // The order of a tick: the status bar, the log record and the series,
    // then the views, which connect themselves to the feed when they open.
    connect(m_acquisition.get(), &Acquisition::polled, this, &Session::polled);
    connect(m_acquisition.get(), &LiveFeed::plotSampled, this, &Session::plotSampled);
    connect(m_acquisition.get(), &Acquisition::plotRunningChanged, m_logging.get(),
            &LoggingController::setPlotRunning);
    connect(m_acquisition.get(), &Acquisition::plotClosed, m_logging.get(),
            &LoggingController::plotClosed);
    connect(m_logging.get(), &LoggingController::loggingChanged, this, &Session::loggingChanged);
}

Session::~Session() = default;

LiveFeed& Session::liveFeed() {
    return *m_acquisition;
}

void Session::setPump(std::function<void()> pump) {
    m_line->setPump(std::move(pump));
}

void Session::polled(const LiveSample& sample, bool read) {
    if (m_state.EcuOnline) {
        report(sample);
    }
    m_logging->logSample(sample, m_acquisition->interval());
    if (read) {
        m_series->append(sample);
    }
}

void Session::plotSampled(const LiveSample& sample) {
    m_logging->logPlotSample(sample, m_acquisition->plotChannels());
    m_series->append(sample);
}

void Session::refreshStatus() {
    report(m_acquisition->heldSample());
}

void Session::announceOnline() {
    refreshStatus();
    emit onlineChanged(m_state.EcuOnline);
}

void Session::report(const LiveSample& sample) {
    // A report asked for while one is carried out (a lost exchange inside
    // it) is left to the outer one, which shows the final state.
    if (m_reporting) {
        return;
    }
    m_reporting = true;
    m_reporter.takeSample(sample);
    StatusContext context;
    context.online = m_state.EcuOnline;
    context.logActive = m_logging->active();
    context.edition = m_state.Edition;
    context.crankRpm = m_store->settings().CrankRpm;
    context.identity = &m_state.identity;
    const std::vector<StatusStep> steps = m_reporter.setupStatusBar(context);
    if (!steps.empty()) {
        StatusStepHooks hooks;
        hooks.stopLogging = [this] { m_logging->stopLogging(); };
        hooks.clearErrors = [this] { m_acquisition->clearErrorStatus(); };
        m_line->run([&](EcuProtocol& protocol) {
            carryOutStatusSteps(steps, m_state, m_ui, protocol.commandSender(), hooks);
        });
    }
    m_reporting = false;
    emit statusChanged(m_reporter.view());
}

bool Session::openPort() {
    bool open = false;
    m_line->run([&](EcuProtocol& protocol) { open = protocol.openCommPort(); });
    return open;
}

bool Session::reopenPort(const std::function<void()>& choose) {
    bool open = false;
    m_line->run([&](EcuProtocol& protocol) {
        protocol.closeCommPort();
        if (choose) {
            choose();
        }
        open = protocol.openCommPort();
    });
    return open;
}

void Session::closePort() {
    m_line->run([](EcuProtocol& protocol) { protocol.closeCommPort(); });
}
