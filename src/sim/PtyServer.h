// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sim/SimulatedEcu.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>

class QSocketNotifier;
class QThread;
class QTimer;

// Serves a SimulatedEcu on a pseudo-terminal: the program under test opens
// the terminal's device path as its serial port. Bytes from the port go to the
// ECU as they arrive; the replies are paced at the line rate (ten bit times a
// byte) when a baud rate is set. The server keeps its own handle on the
// terminal open so that a client closing and reopening the port does not end
// the session. Runs on the event loop of the thread it lives in.
class PtyServer : public QObject {
    Q_OBJECT
public:
    explicit PtyServer(SimulatedEcu* ecu, QObject* parent = nullptr);
    ~PtyServer() override;

    // Creates the pseudo-terminal and starts serving; false with the system's
    // text on failure.
    bool open(QString* errorText);
    void close();
    bool isOpen() const { return m_master >= 0; }
    QString devicePath() const { return m_devicePath; }

    // Line rate for pacing the replies; 0 sends them at once.
    void setBaud(int baud) { m_baud = baud; }
    SimulatedEcu* ecu() const { return m_ecu; }

private:
    void readFromPort();
    void sendDueReplies();
    void scheduleNext();
    // Blocks until the clock reaches dueNs, to well under a byte time.
    void waitUntil(qint64 dueNs) const;

    struct Reply {
        qint64 dueNs = 0;
        QByteArray bytes;
    };

    SimulatedEcu* m_ecu = nullptr;
    int m_master = -1;
    int m_slave = -1;
    QString m_devicePath;
    int m_baud = 0;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_replyTimer = nullptr;
    QTimer* m_retryTimer = nullptr;
    QElapsedTimer m_clock;
    qint64 m_lineFreeNs = 0;      // when the ECU's line to the port is free
    qint64 m_inLineFreeNs = 0;    // when the port's line to the ECU is free
    qint64 m_terminalDelayNs = 0; // one trip through the pseudo-terminal
    std::deque<Reply> m_replies;
};

// Runs a simulated ECU on a pseudo-terminal on a thread of its own, for a
// program that wants to talk to it through its ordinary serial port.
class PtySimulator {
public:
    PtySimulator();
    ~PtySimulator();
    PtySimulator(const PtySimulator&) = delete;
    PtySimulator& operator=(const PtySimulator&) = delete;

    // Settings taken by start(): the ECU's configuration and the line rate.
    void setConfigure(std::function<void(SimulatedEcu&)> configure) {
        m_configure = std::move(configure);
    }
    void setBaud(int baud) { m_baud = baud; }

    bool start(QString* errorText = nullptr);
    // The pseudo-terminal to open as the serial port (empty until started).
    QString devicePath() const { return m_devicePath; }
    bool isRunning() const { return m_server != nullptr; }
    // Runs a function on the ECU in the serving thread and waits for it.
    void withEcu(const std::function<void(SimulatedEcu&)>& function);
    void stop();

private:
    // Deletes the server on its own thread, then ends the thread and the ECU.
    void shutDown(PtyServer* server);

    std::function<void(SimulatedEcu&)> m_configure;
    int m_baud = 19200;
    std::unique_ptr<SimulatedEcu> m_ecu;
    std::unique_ptr<QThread> m_thread;
    PtyServer* m_server = nullptr;
    QString m_devicePath;
};
