// SPDX-License-Identifier: GPL-3.0-or-later
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

LoggingController::LoggingController(const AppState& state, const EcuSettings& settings,
                                     UserInteraction& ui, QObject* parent)
    : QObject(parent), m_state(state), m_settings(settings), m_ui(ui) {}

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
    m_gaps.restart();
    m_log.requestHeader();
    emit loggingChanged(m_active);
}

void LoggingController::logSample(const LiveSample& sample, int intervalMs) {
    const std::optional<qint64> late = m_gaps.tick(sample.timeMs(), intervalMs);
    if (!m_active || m_plotRunning || (!m_holding && !ensureLogFileOpen())) {
        return;
    }
    const QDateTime now = QDateTime::currentDateTime();
    if (late && m_markers) {
        put({latePollMarker(*late), {}, {}, now});
    }
    put({{}, sample, {}, now});
}

void LoggingController::logPlotSample(const LiveSample& sample,
                                      const std::array<int, 2>& channels) {
    if (m_active && (m_holding || ensureLogFileOpen())) {
        put({{}, sample, channels, QDateTime::currentDateTime()});
    }
}

void LoggingController::put(Entry entry) {
    if (m_holding) {
        m_held.push_back(std::move(entry));
    } else {
        write(entry);
    }
}

bool LoggingController::write(const Entry& entry) {
    if (!ensureLogFileOpen()) {
        return false;
    }
    const std::optional<QString> message =
        entry.marker ? m_log.writeMarker(*entry.marker)
        : entry.plot
            ? m_log.writePlotRecord(entry.sample, plotLogLayout(m_state, m_settings, *entry.plot),
                                    entry.now, QLocale())
            : m_log.writeFullRecord(entry.sample, entry.now, QLocale());
    if (message) {
        stopLogging();
        m_ui.message(*message, UserInteraction::Icon::Critical);
    }
    return !message;
}

void LoggingController::linkLost() {
    if (m_active && m_markers && m_log.isOpen()) {
        put({linkLostMarker(), {}, {}, QDateTime::currentDateTime()});
        m_lostWhileLogging = true;
    }
}

void LoggingController::linkFound() {
    if (m_lostWhileLogging && m_markers && m_log.isOpen()) {
        put({linkFoundMarker(), {}, {}, QDateTime::currentDateTime()});
    }
    m_lostWhileLogging = false;
    m_gaps.restart();
}

bool LoggingController::beginNote() {
    if (!m_active || !m_markers) {
        return false;
    }
    m_holding = true;
    return true;
}

void LoggingController::endNote(const std::optional<QString>& note) {
    if (!m_holding) {
        return;
    }
    m_holding = false;
    std::vector<Entry> held;
    held.swap(m_held);
    if (note) {
        held.insert(held.begin(), Entry{noteMarker(*note), {}, {}, QDateTime::currentDateTime()});
    }
    for (const Entry& entry : held) {
        // A failure switches logging off: what is left is not written.
        if (!write(entry)) {
            break;
        }
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
    m_lostWhileLogging = false;
    // A note typed for a log that closed meanwhile is not written anywhere.
    m_holding = false;
    m_held.clear();
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
