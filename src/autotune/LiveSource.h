// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/LiveSample.h"

#include <QElapsedTimer>
#include <QObject>
#include <functional>

struct AppState;
class Poller;

// Where autotune's live samples come from. The autotune window listens to
// this alone and knows nothing of how the ECU is read.
class LiveSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // A reading of the running engine, in time order.
    void sampleTaken(const LiveSample& sample);
};

// The poll as a live source: a sample of every tick that read the online
// ECU, stamped by a steady clock in milliseconds (or by the clock given).
// Ticks while the ECU is offline repeat the last values and give none.
class PollLiveSource : public LiveSource {
    Q_OBJECT
public:
    using Clock = std::function<qint64()>;

    PollLiveSource(const AppState& state, Poller& poller, Clock clock = {},
                   QObject* parent = nullptr);

private:
    const AppState& m_state;
    Clock m_clock;
    QElapsedTimer m_steady;
};
