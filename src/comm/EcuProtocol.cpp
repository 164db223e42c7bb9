// SPDX-License-Identifier: GPL-3.0-or-later
#include "comm/EcuProtocol.h"

#include <optional>

namespace {
using Icon = UserInteraction::Icon;
using Buttons = UserInteraction::Buttons;

// An empty title lets the message box show the platform's default title.
const QString kDefaultTitle;
} // namespace

EcuProtocol::EcuProtocol(AppState& state, SettingsStore& store, SerialLink& link,
                         UserInteraction& ui)
    : m_state(state), m_link(link), m_ui(ui), m_store(store) {}

void EcuProtocol::getEcuData(int command, int index1, int index2) {
    m_link.clear();
    if (!m_state.EcuOnline) {
        return;
    }
    if (command < 0 || command > 255) {
        // Cannot even be put on the wire as a command byte.
        m_ui.message(QStringLiteral("Command %1 Not Supported").arg(command), Icon::None,
                     Buttons::Ok, kDefaultTitle);
        return;
    }

    // Checks that would otherwise leave the ECU waiting half-way through an
    // exchange: they run before the command byte goes out.
    const std::optional<CommandEntry> entry = findCommand(command);
    int64_t value = 0;
    if (entry) {
        if (entry->setting && !fieldIndexesValid(*entry->setting, index1, index2)) {
            refuse(QStringLiteral("Command %1 Not Sent - Index Out of Range").arg(command));
            return;
        }
        if (entry->write) {
            const WireValue encoded =
                entry->setting ? encodeForWire(*entry->setting, m_store.settings(), index1, index2)
                               : WireValue{entry->source(m_state.identity), true};
            if (!encoded.valid) {
                refuse(QStringLiteral("Command %1 Not Sent - Value %2 Out of Range")
                           .arg(command)
                           .arg(encoded.value));
                return;
            }
            value = encoded.value;
        }
    }

    send(command);

    int reply = -1;
    const bool longWait = entry && (entry->action == CommandAction::Store ||
                                    entry->action == CommandAction::StopEngine);
    if (longWait) {
        const BusyGuard busy(m_ui);
        reply = receive(m_timeouts.longReplyMs);
    } else {
        reply = receive();
    }
    if (entry && entry->action == CommandAction::Store && reply >= 0) {
        m_state.StoreResult = static_cast<uint8_t>(reply);
    }

    if (reply < 0) {
        m_state.EcuOnline = false;
        if (m_onlineObserver) {
            m_onlineObserver(OnlineChange::CommunicationLost);
        }
        m_ui.message(QStringLiteral("Communication Lost!"), Icon::Critical);
    } else if (!entry) {
        m_ui.message(QStringLiteral("Command %1 Not Supported").arg(command), Icon::None,
                     Buttons::Ok, kDefaultTitle);
    } else if (entry->write) {
        writeExchange(*entry, static_cast<int>(value), index1, index2);
    } else {
        readExchange(*entry, reply, index1, index2);
    }

    if (command > 128) {
        m_state.EcuDataChanged = true;
        if (receive() != kAckByte) {
            m_state.EcuOnline = false;
            if (m_onlineObserver) {
                m_onlineObserver(OnlineChange::SyncLost);
            }
            m_ui.message(QStringLiteral("Communication Sync Lost!"), Icon::None, Buttons::Ok,
                         kDefaultTitle);
        }
    }
}

void EcuProtocol::readExchange(const CommandEntry& entry, int reply, int index1, int index2) {
    switch (entry.action) {
    case CommandAction::OutputTest:
        send(m_state.OutputTestPort & 0xFF);
        receive();
        return;
    case CommandAction::Store:
        m_state.EcuDataChanged = false;
        return;
    case CommandAction::StopEngine:
        return;
    case CommandAction::Value:
        break;
    }
    switch (entry.form) {
    case WireForm::TwoByte: {
        send(kAckByte);
        const int low = receive();
        if (low >= 0) {
            storeRead(entry, reply * 256 + low, index1, index2);
        }
        break;
    }
    case WireForm::Indexed: {
        send(index1);
        const int v = receive();
        if (v >= 0) {
            storeRead(entry, v, index1, index2);
        }
        break;
    }
    case WireForm::Cell: {
        send(index1);
        const int a = receive();
        send(index2);
        const int v = receive();
        if (a >= 0 && v >= 0) {
            storeRead(entry, v, index1, index2);
        }
        break;
    }
    default:
        storeRead(entry, reply, index1, index2);
        break;
    }
}

void EcuProtocol::storeRead(const CommandEntry& entry, int value, int index1, int index2) {
    if (entry.setting != nullptr) {
        m_store.receive(*entry.setting, value, index1, index2);
    } else if (entry.target != nullptr) {
        entry.target(m_live, m_state.identity, value);
    }
}

void EcuProtocol::writeExchange(const CommandEntry& entry, int value, int index1, int index2) {
    switch (entry.form) {
    case WireForm::TwoByte: {
        const int high = value / 256;
        send(high);
        receive();
        send(value - high * 256);
        break;
    }
    case WireForm::Indexed:
        send(index1);
        if (receive() >= 0) {
            send(value);
        }
        break;
    case WireForm::Cell: {
        send(index1);
        const int a = receive();
        send(index2);
        const int b = receive();
        if (a >= 0 && b >= 0) {
            send(value);
        }
        break;
    }
    default:
        send(value);
        break;
    }
}

void EcuProtocol::refuse(const QString& text) {
    m_ui.message(text, Icon::Critical);
}

void EcuProtocol::send(int byte) {
    m_link.writeByte(static_cast<uint8_t>(byte));
}

int EcuProtocol::receive(int timeoutMs) {
    return m_link.readByte(timeoutMs);
}

CommandSender EcuProtocol::commandSender() {
    return [this](int command, int index1, int index2) { getEcuData(command, index1, index2); };
}

void EcuProtocol::setOnlineObserver(OnlineObserver observer) {
    m_onlineObserver = std::move(observer);
}

bool EcuProtocol::openCommPort() {
    QString error;
    if (m_link.open(&error)) {
        return true;
    }
    m_ui.message(QStringLiteral("Com Port Error - ") + error, Icon::Critical);
    m_state.EcuOnline = false;
    return false;
}

void EcuProtocol::closeCommPort() {
    m_link.close();
}

bool EcuProtocol::outCommData(int data) {
    if (data < 0 || data > 255) {
        return false;
    }
    return m_link.writeByte(static_cast<uint8_t>(data));
}

int EcuProtocol::inCommData(int timeoutSeconds) {
    return m_link.readByte(timeoutSeconds * 1000);
}
