// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/LiveFeed.h"
#include "monitor/Poll.h"

#include <QElapsedTimer>
#include <QHash>
#include <functional>

struct AppState;
class EcuLine;
class QTimer;

// The one acquisition of live values, on the ECU line, at two rates:
//
// - the poll: every 500 ms, unless an editor holds it, it reads the live
//   values from the online ECU, converts them and hands out one LiveSample;
// - the time history's reduced set: every 50 ms while the plot runs, the
//   fixed requests and one per trace, converted, as a sample of the channels
//   read.
//
// Each tick runs on the line; a tick that falls due while another exchange
// waits on the line (or while a dialog opened by a tick is up) is dropped,
// not queued, and a tick that outlasted its interval starts the count again.
// The samples' times come from one steady clock.
class Acquisition : public LiveFeed {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 500;
    static constexpr int kPlotIntervalMs = 50;
    // Milliseconds of a steady clock; by default the time since construction.
    using Clock = std::function<qint64()>;

    Acquisition(AppState& state, EcuLine& line, Clock clock = {}, QObject* parent = nullptr);

    // The poll.
    void start();
    void stop();
    bool active() const;
    // The tick interval; 500 ms unless a test shortens it.
    void setInterval(int ms);
    int interval() const;
    // Runs one tick now, as the timer does. Returns false when it was skipped.
    bool tick();
    bool held() const { return !m_holders.isEmpty(); }
    bool developerReadsRequested() const { return !m_developerReaders.isEmpty(); }
    const OnlineIndicator& indicator() const { return m_indicator; }

    // The reduced set: one tick now, as the plot's timer does; false when
    // it was skipped or the plot is not running.
    bool plotTick();
    void setPlotInterval(int ms);

    qint64 now() const { return m_clock(); }
    // A sample of the values held now, read or not (as the search left the
    // status bytes), at the clock's time.
    LiveSample heldSample() const;
    // Clears the held status bytes 3 and 4 once their errors were reported.
    void clearErrorStatus();

    // LiveFeed.
    const LiveSample& latest() const override { return m_latest; }
    void holdPoll(const QObject* editor) override;
    void releasePoll(const QObject* editor) override;
    void requestDeveloperReads(const QObject* window) override;
    void openPlot() override;
    void closePlot() override;
    void startPlot(const std::array<int, 2>& channels) override;
    void stopPlot() override;
    bool plotRunning() const override { return m_plotRunning; }
    const std::array<int, 2>& plotChannels() const { return m_plotChannels; }

signals:
    // Before sampled(), for the program's own consumers: the sample of a
    // tick, and whether the ECU was online so that it was read afresh.
    void polled(const LiveSample& sample, bool read);
    // The plot started or stopped running.
    void plotRunningChanged(bool running);
    // The plot window closed.
    void plotClosed();

private:
    // Whether the timer's tick outlasted its interval, so that its count
    // starts again instead of ticking at once.
    static void restartIfLate(QTimer* timer, const QElapsedTimer& took);
    // Adds a window to a set that it leaves again by being destroyed.
    void addUntilDestroyed(const QObject* object,
                           QHash<const QObject*, QMetaObject::Connection>& set);
    void remove(const QObject* object, QHash<const QObject*, QMetaObject::Connection>& set);

    AppState& m_state;
    EcuLine& m_line;
    Clock m_clock;
    QElapsedTimer m_sinceStart;
    QTimer* m_timer = nullptr;
    QTimer* m_plotTimer = nullptr;
    OnlineIndicator m_indicator;
    LiveSample m_latest;
    QHash<const QObject*, QMetaObject::Connection> m_holders;
    QHash<const QObject*, QMetaObject::Connection> m_developerReaders;
    std::array<int, 2> m_plotChannels{};
    bool m_plotRunning = false;
    bool m_inTick = false;
    bool m_inPlotTick = false;
};
