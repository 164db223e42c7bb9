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

void Session::findEcuCommand() {
    replacingRecord([this] {
        m_line->run([this](EcuProtocol& protocol) {
            m_store->modify(ChangeOrigin::Ecu,
                            [&](EcuSettings&) { ::findEcuCommand(protocol, transferHooks()); });
        });
    });
}

void Session::getAllDataFromEcu() {
    replacingRecord([this] {
        m_line->run([this](EcuProtocol& protocol) {
            m_store->modify(ChangeOrigin::Ecu,
                            [&](EcuSettings&) { ::getAllDataFromEcu(protocol, transferHooks()); });
        });
    });
}

SendOutcome Session::sendAllDataToEcu() {
    SendOutcome outcome = SendOutcome::NotSent;
    m_line->run(
        [&](EcuProtocol& protocol) { outcome = ::sendAllDataToEcu(protocol, transferHooks()); });
    return outcome;
}

void Session::saveSettingsToEcu() {
    m_line->run([](EcuProtocol& protocol) { storeSettings(protocol); });
}

void Session::storeQuietly() {
    m_line->run([](EcuProtocol& protocol) {
        const BusyGuard busy(protocol.ui());
        protocol.getEcuData(actionCommandCode(CommandAction::Store));
    });
}

void Session::engineHigh() {
    m_line->run([this](EcuProtocol& protocol) {
        m_store->modify(ChangeOrigin::Ecu, [&](EcuSettings&) {
            getHighSpeedFuelData(m_state, protocol.link(), protocol.ui());
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
        m_store->modify(ChangeOrigin::Check, [&](EcuSettings&) { ::checkSettings(protocol); });
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
