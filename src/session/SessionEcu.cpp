// SPDX-License-Identifier: GPL-3.0-or-later
// The session's ECU commands. Every one runs on the line; records read from
// the ECU go through the settings store.

#include "comm/BulkReads.h"
#include "comm/CommandTable.h"
#include "comm/EcuLine.h"
#include "config/ConsistencyCheck.h"
#include "config/IdleExtra.h"
#include "diag/SensorCheck.h"
#include "monitor/Acquisition.h"
#include "monitor/LoggingController.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "session/Session.h"

#include <QCoreApplication>

DiscoveryHooks Session::discoveryHooks() {
    DiscoveryHooks hooks;
    hooks.processEvents = [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    hooks.setPolling = [this](bool on) {
        if (on) {
            m_acquisition->start();
        } else {
            m_acquisition->stop();
        }
    };
    hooks.onlineChanged = [this] {
        if (m_state.EcuOnline) {
            m_logging->linkFound();
        }
        announceOnline();
    };
    hooks.codeSectionsChanged = [this](bool closedLoopEgo) {
        emit codeSectionsChanged(closedLoopEgo);
    };
    return hooks;
}

TransferHooks Session::transferHooks() {
    TransferHooks hooks;
    hooks.discovery = discoveryHooks();
    hooks.recordReplacing = [this] {
        m_replacing = true;
        emit recordReplacing();
    };
    hooks.checkSettings = [this] { checkSettings(); };
    hooks.progress = [this](const TransferProgress& progress) { emit transferProgress(progress); };
    return hooks;
}

void Session::replacingRecord(const std::function<void()>& command) {
    m_replacing = false;
    command();
    if (m_replacing) {
        m_replacing = false;
        emit recordReplaced();
    }
}

void Session::findEcu() {
    m_line->run([this](EcuProtocol& protocol) { ::findEcu(protocol, discoveryHooks()); });
}

bool Session::findEcuCommand() {
    // What the program holds for the ECU found before, should the same one
    // answer again.
    const QString serial = m_state.EcuOnline ? QString() : m_state.identity.SerialNumberText;
    const EcuSettings before = m_store->settings();
    bool read = false;
    replacingRecord([&] {
        m_line->run([&](EcuProtocol& protocol) {
            m_store->modify(ChangeOrigin::Ecu, [&](EcuSettings& record) {
                read = ::findEcuCommand(protocol, record, transferHooks());
            });
        });
    });
    if (read) {
        const bool same = !serial.isEmpty() && serial == m_state.identity.SerialNumberText;
        emit settingsRead(m_store->settings(), m_state.identity,
                          same ? std::optional<EcuSettings>(before) : std::nullopt);
    }
    return read;
}

void Session::getAllDataFromEcu() {
    bool read = false;
    replacingRecord([&] {
        m_line->run([&](EcuProtocol& protocol) {
            m_store->modify(ChangeOrigin::Ecu, [&](EcuSettings& record) {
                read = ::getAllDataFromEcu(protocol, record, transferHooks());
            });
        });
    });
    if (read && m_state.EcuOnline) {
        emit settingsRead(m_store->settings(), m_state.identity, std::nullopt);
    }
}

SendOutcome Session::sendAllDataToEcu(const QString& file) {
    SendOutcome outcome = SendOutcome::NotSent;
    m_line->run(
        [&](EcuProtocol& protocol) { outcome = ::sendAllDataToEcu(protocol, transferHooks()); });
    if (outcome == SendOutcome::Sent) {
        emit settingsSent(m_store->settings(), m_state.identity, file);
    } else if (outcome == SendOutcome::CutOff) {
        emit sendCutOff(file);
    }
    return outcome;
}

void Session::saveSettingsToEcu() {
    bool done = false;
    m_line->run([&done](EcuProtocol& protocol) { done = storeSettings(protocol); });
    if (done) {
        stored();
    }
}

void Session::storeQuietly() {
    m_line->run([](EcuProtocol& protocol) {
        const BusyGuard busy(protocol.ui());
        protocol.getEcuData(actionCommandCode(CommandAction::Store));
    });
    if (m_state.EcuOnline && m_state.StoreResult != 0) {
        stored();
    }
}

void Session::stored() {
    emit settingsStored(m_store->settings(), m_state.identity);
}

void Session::engineHigh() {
    m_line->run([this](EcuProtocol& protocol) {
        m_store->modify(ChangeOrigin::Ecu, [&](EcuSettings& record) {
            getHighSpeedFuelData(m_state, record, protocol.link(), protocol.ui());
        });
    });
}

void Session::engineStop() {
    m_line->run([this](EcuProtocol& protocol) {
        stopEngine(m_state, protocol.ui(), [&protocol](int command, int index1, int index2) {
            // Pending painting first: the stop command waits long for its reply.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            protocol.getEcuData(command, index1, index2);
        });
    });
}

void Session::enableCodeSections() {
    emit codeSectionsChanged(::enableCodeSections(m_state));
}

int Session::testInvalidCommand() {
    int reply = -1;
    m_line->run([&](EcuProtocol& protocol) {
        protocol.outCommData(5);
        reply = protocol.inCommData(1);
    });
    return reply;
}

void Session::testInvalidIsr() {
    m_line->run([](EcuProtocol& protocol) {
        protocol.outCommData(10);
        protocol.inCommData(1);
    });
}

void Session::checkSettings() {
    m_line->run([this](EcuProtocol& protocol) {
        m_store->modify(ChangeOrigin::Check,
                        [&](EcuSettings& record) { ::checkSettings(protocol, record); });
    });
}

void Session::fireOutput(int output) {
    m_line->run([&](EcuProtocol& protocol) {
        ::fireOutput(m_state, protocol.ui(), protocol.commandSender(), output);
    });
}

void Session::stopEngineNow() {
    m_line->command(actionCommandCode(CommandAction::StopEngine));
}

void Session::readExtra() {
    m_line->run([](EcuProtocol& protocol) { setupExtra(protocol); });
}

bool Session::enterSerialField(int index, const QString& shown, const QString& typed) {
    bool changed = false;
    m_line->run([&](EcuProtocol& protocol) {
        changed = ::enterSerialField(protocol, index, shown, typed);
    });
    return changed;
}
