#include "monitor/LoggingController.h"

#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "record/AppState.h"
#include "record/UserInteraction.h"

namespace {
bool ask(const LoggingController::ViewQuery& query) {
    return query && query();
}
} // namespace

LoggingController::LoggingController(const AppState& state, UserInteraction& ui, QObject* parent)
    : QObject(parent), m_state(state), m_ui(ui) {}

void LoggingController::setFileChooser(FileChooser chooser) {
    m_chooseFile = std::move(chooser);
}

void LoggingController::setViews(ViewQuery dataWindowOpen, ViewQuery plotOpen) {
    m_dataWindowOpen = std::move(dataWindowOpen);
    m_plotOpen = std::move(plotOpen);
}

void LoggingController::setupLogData() {
    if (!m_state.EcuOnline) {
        m_ui.message(QStringLiteral("ECU offline - no data to log!"),
                     UserInteraction::Icon::Information);
        m_log.requestHeader();
        return;
    }
    if (!ask(m_dataWindowOpen) && !ask(m_plotOpen)) {
        m_ui.message(QStringLiteral("No data to log!"), UserInteraction::Icon::Information);
        m_log.requestHeader();
        return;
    }
    m_active = !m_active;
    if (!m_active) {
        closeLogFile();
    }
    m_log.requestHeader();
    emit loggingChanged(m_active);
}

void LoggingController::logSample(const LiveSample& sample) {
    if (!m_active || m_plotRunning || !ensureLogFileOpen()) {
        return;
    }
    if (const auto message =
            m_log.writeFullRecord(sample, QDateTime::currentDateTime(), QLocale())) {
        stopLogging();
        m_ui.message(*message, UserInteraction::Icon::Critical);
    }
}

void LoggingController::logPlotSample(const LiveSample& sample,
                                      const std::array<int, 2>& channels) {
    if (!m_active || !ensureLogFileOpen()) {
        return;
    }
    if (const auto message = m_log.writePlotRecord(sample, plotLogLayout(m_state, channels),
                                                   QDateTime::currentDateTime(), QLocale())) {
        m_ui.message(*message, UserInteraction::Icon::Critical);
        stopLogging();
    }
}

void LoggingController::setPlotRunning(bool running) {
    m_plotRunning = running;
    m_log.requestHeader();
}

bool LoggingController::ensureLogFileOpen() {
    if (m_log.isOpen()) {
        return true;
    }
    const QString path = m_chooseFile ? m_chooseFile() : QString();
    if (path.isEmpty()) {
        stopLogging();
        return false;
    }
    if (const auto error = m_log.open(path)) {
        stopLogging();
        m_ui.message(fullRecordErrorMessage(*error), UserInteraction::Icon::Critical);
        return false;
    }
    return true;
}

void LoggingController::stopLogging() {
    m_active = false;
    emit loggingChanged(false);
}

void LoggingController::closeLogFile() {
    if (m_log.isOpen()) {
        m_log.close();
    }
}

void LoggingController::dataWindowClosed() {
    m_log.requestHeader();
    if (m_active && !ask(m_plotOpen)) {
        setupLogData();
    }
}

void LoggingController::plotClosed() {
    m_log.requestHeader();
    if (m_active && !ask(m_dataWindowOpen)) {
        setupLogData();
    }
}
