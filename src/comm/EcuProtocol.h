// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comm/CommandSender.h"
#include "comm/CommandTable.h"
#include "comm/SerialLink.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"

#include <functional>

// The one-byte command protocol: every exchange with the ECU except the
// discovery byte and the bulk reads goes through getEcuData, which sends the
// command, moves the value between the wire and its field, and takes the ECU
// offline when it stops answering.
class EcuProtocol {
public:
    // Why the protocol took the ECU offline: no first reply to a command, or
    // a write not confirmed with the acknowledge byte.
    enum class OnlineChange { CommunicationLost, SyncLost };
    using OnlineObserver = std::function<void(OnlineChange)>;

    static constexpr uint8_t kAckByte = 33; // "!"
    static constexpr int kReplyTimeoutMs = 1000;
    static constexpr int kLongReplyTimeoutMs = 10000; // store and stop-engine

    // How long the protocol and the search wait for the ECU. The program
    // keeps these; tests shorten them so that a silent ECU costs no seconds.
    struct Timeouts {
        int replyMs = kReplyTimeoutMs;
        int longReplyMs = kLongReplyTimeoutMs;
        int searchAttemptMs = kReplyTimeoutMs; // each of the search's attempts
    };

    // Settings read from the ECU are stored and announced through store.
    EcuProtocol(AppState& state, SettingsStore& store, SerialLink& link, UserInteraction& ui);

    void setTimeouts(const Timeouts& timeouts) { m_timeouts = timeouts; }
    const Timeouts& timeouts() const { return m_timeouts; }

    // Sends one command. Indexed commands take the curve slot or table row in
    // index1, cell commands the load index in index1 and the rpm index in
    // index2. Read values land in their fields; failures are told to the user.
    void getEcuData(int command, int index1 = 0, int index2 = 0);

    // getEcuData bound to this protocol, for logic that writes to the ECU.
    CommandSender commandSender();

    // Called after the protocol has taken the ECU offline, so that the
    // windows can refresh the status bar (and hide the toolbar button that
    // needs the ECU when communication was lost).
    void setOnlineObserver(OnlineObserver observer);

    // Opens the serial link; on failure shows "Com Port Error - " with the
    // system's text and takes the ECU offline.
    bool openCommPort();
    void closeCommPort();

    // Raw byte access for the developer test commands, bypassing the
    // protocol: a value outside 0..255 is refused and false returned.
    bool outCommData(int data);
    int inCommData(int timeoutSeconds = 1);

    AppState& state() { return m_state; }
    SettingsStore& store() { return m_store; }
    // The live values as the ECU last reported them, calibrated by the poll.
    EngineData& liveValues() { return m_live; }
    SerialLink& link() { return m_link; }
    UserInteraction& ui() { return m_ui; }

private:
    void readExchange(const CommandEntry& entry, int reply, int index1, int index2);
    void writeExchange(const CommandEntry& entry, int value, int index1, int index2);
    void storeRead(const CommandEntry& entry, int value, int index1, int index2);
    void refuse(const QString& text);
    void send(int byte);
    int receive() { return receive(m_timeouts.replyMs); }
    int receive(int timeoutMs);

    AppState& m_state;
    SerialLink& m_link;
    UserInteraction& m_ui;
    OnlineObserver m_onlineObserver;
    SettingsStore& m_store;
    EngineData m_live = EngineData::withChannelLayout();
    Timeouts m_timeouts;
};
