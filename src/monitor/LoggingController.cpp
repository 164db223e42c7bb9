#include "monitor/LoggingController.h"

#include "record/AppState.h"
#include "record/UserInteraction.h"

namespace {
bool ask(const LoggingController::ViewQuery& query) {
    return query && query();
}
} // namespace

LoggingController::LoggingController(AppState& state, UserInteraction& ui, QObject* parent)
    : QObject(parent), m_state(state), m_ui(ui), m_log(state) {}

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
        m_state.LogHeaderPending = true;
        return;
    }
    if (!ask(m_dataWindowOpen) && !ask(m_plotOpen)) {
        m_ui.message(QStringLiteral("No data to log!"), UserInteraction::Icon::Information);
        m_state.LogHeaderPending = true;
        return;
    }
    m_state.LogActive = !m_state.LogActive;
    if (!m_state.LogActive) {
        closeLogFile();
    }
    m_state.LogHeaderPending = true;
    emit loggingChanged(m_state.LogActive);
}

void LoggingController::logData(const EngineData&) {
    if (!m_state.LogActive || m_state.PlotRunning || !ensureLogFileOpen()) {
        return;
    }
    if (const auto message = m_log.writeFullRecord(QDateTime::currentDateTime(), QLocale())) {
        stopLogging();
        m_ui.message(*message, UserInteraction::Icon::Critical);
    }
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
    m_state.LogActive = false;
    emit loggingChanged(false);
}

void LoggingController::closeLogFile() {
    if (m_log.isOpen()) {
        m_log.close();
    }
}

void LoggingController::dataWindowClosed() {
    m_state.LogHeaderPending = true;
    if (m_state.LogActive && !ask(m_plotOpen)) {
        setupLogData();
    }
}

void LoggingController::plotClosed() {
    m_state.LogHeaderPending = true;
    if (m_state.LogActive && !ask(m_dataWindowOpen)) {
        setupLogData();
    }
}
