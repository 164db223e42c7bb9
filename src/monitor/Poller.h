#pragma once

#include "monitor/Poll.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>

struct AppState;
struct EngineData;
class EcuLine;
class QTimer;

// The poll: every 500 ms, unless a table cell is being edited, it reads the
// live values from the online ECU, converts them and announces them with one
// dataReceived() per tick. The status bar, the data log and every open live
// view connect themselves to that signal; a view is disconnected by being
// destroyed. The reads run on the ECU line, and a tick that falls due while
// another exchange waits on the line (or while a dialog opened by a tick is
// up) is dropped, not queued.
class Poller : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 500;

    Poller(AppState& state, EcuLine& line, QObject* parent = nullptr);

    void start();
    void stop();
    bool active() const;
    // The tick interval; 500 ms unless a test shortens it.
    void setInterval(int ms);

    // Runs one tick now, as the timer does. Returns false when it was skipped.
    bool tick();

    // The diagnostics and extra windows want the developer reads in developer
    // mode; each asks while it lives.
    void requestDeveloperReads(QObject* window);
    bool developerReadsRequested() const { return !m_developerReaders.isEmpty(); }

    const OnlineIndicator& indicator() const { return m_indicator; }

signals:
    // One per tick, after the reads and the conversions (also while offline,
    // with the values last read).
    void dataReceived(const EngineData& data);

private:
    AppState& m_state;
    EcuLine& m_line;
    QTimer* m_timer = nullptr;
    OnlineIndicator m_indicator;
    QSet<QObject*> m_developerReaders;
    QElapsedTimer m_tickClock;
    bool m_inTick = false;
};
