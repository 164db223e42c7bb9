// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/CommandSender.h"
#include "comm/EcuProtocol.h"
#include "comm/SerialLink.h"

#include <QElapsedTimer>
#include <QObject>
#include <functional>

// The one owner of the serial line. Every exchange with the ECU runs through
// it: the poll, the plot samples, the writes of the editors, the transfers,
// the search, the store, the test commands and the block reads. An exchange
// never starts inside another one: work asked for by a timer while the line is
// busy (also while a message box shown in the middle of an exchange runs its
// own event loop) is dropped, and work that an exchange starts itself (the
// fixes the settings check sends during a full read) belongs to it.
//
// While an exchange waits on the line, the owner calls the pump it was given
// about every kPumpIntervalMs, so that the window program can repaint and
// move its progress bar; user input is the pump's to hold back.
class EcuLine : public QObject {
    Q_OBJECT
public:
    static constexpr int kPumpIntervalMs = 30;

    EcuLine(AppState& state, SettingsStore& store, SerialLink& link, UserInteraction& ui,
            QObject* parent = nullptr);
    ~EcuLine() override;

    // Runs work on the line; work started from inside another exchange is
    // part of it.
    void run(const std::function<void(EcuProtocol&)>& work);
    // Runs work only when no exchange is in progress; returns whether it ran.
    bool runIfIdle(const std::function<void(EcuProtocol&)>& work);
    bool busy() const { return m_depth > 0; }

    // One command of the protocol, as a run of its own.
    void command(int code, int index1 = 0, int index2 = 0);
    CommandSender sender();

    void setPump(std::function<void()> pump);
    // How often the pump runs while an exchange is in progress.
    void setPumpInterval(int ms) { m_pumpIntervalMs = ms; }

    // The live values as the ECU last reported them.
    EngineData& liveValues() { return m_protocol.liveValues(); }

signals:
    // The protocol took the ECU offline (no reply, or no confirmation).
    void wentOffline(EcuProtocol::OnlineChange why);

private:
    // Passes every byte to the real link and pumps while waiting.
    class PumpingLink : public SerialLink {
    public:
        PumpingLink(SerialLink& link, EcuLine& owner) : m_link(link), m_owner(owner) {}
        bool open(QString* errorText) override { return m_link.open(errorText); }
        void close() override { m_link.close(); }
        bool isOpen() const override { return m_link.isOpen(); }
        void clear() override { m_link.clear(); }
        bool writeByte(uint8_t byte) override;
        int readByte(int timeoutMs) override;
        QByteArray readBlock(int minLength, int timeoutMs) override;

    private:
        SerialLink& m_link;
        EcuLine& m_owner;
    };

    void pumpIfDue();

    PumpingLink m_pumping;
    EcuProtocol m_protocol;
    std::function<void()> m_pump;
    QElapsedTimer m_sincePump;
    int m_depth = 0;
    int m_pumpIntervalMs = kPumpIntervalMs;
    bool m_inPump = false;
};
