// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/LogOverlay.h"

void LogOverlay::setLog(std::shared_ptr<const LogHitsSource> log) {
    m_log = std::move(log);
    emit logChanged();
}

void LogOverlay::setReplay(const LoggedPoint& point) {
    m_replay = point;
    emit replayChanged();
}

void LogOverlay::endReplay() {
    if (m_replay) {
        m_replay.reset();
        emit replayChanged();
    }
}

void LogOverlay::close() {
    m_log.reset();
    emit logChanged();
    endReplay();
}

void LogOverlay::setMeanOf(bool ignition, const QString& channel) {
    (ignition ? m_ignitionMean : m_fuelMean) = channel;
    emit meanOfChanged(ignition);
}
