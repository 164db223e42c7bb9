// SPDX-License-Identifier: GPL-3.0-or-later
#include "autotune/LiveSource.h"

#include "monitor/Poller.h"
#include "record/AppState.h"

PollLiveSource::PollLiveSource(const AppState& state, Poller& poller, Clock clock, QObject* parent)
    : LiveSource(parent), m_state(state), m_clock(std::move(clock)) {
    if (!m_clock) {
        m_steady.start();
        m_clock = [this] { return m_steady.elapsed(); };
    }
    connect(&poller, &Poller::dataReceived, this, [this](const EngineData& data) {
        if (m_state.EcuOnline) {
            emit sampleTaken(LiveSample::fromEngineData(data, m_clock()));
        }
    });
}
