#include "app/EcuController.h"

#include "comm/BulkReads.h"
#include "comm/CommandTable.h"
#include "comm/EcuLine.h"
#include "config/ConsistencyCheck.h"
#include "diag/SensorCheck.h"
#include "monitor/Poller.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"

#include <QCoreApplication>

EcuController::EcuController(AppState& state, EcuLine& line, SettingsStore& store, Poller& poller,
                             QObject* parent)
    : QObject(parent), m_state(state), m_line(line), m_store(store), m_poller(poller) {}

void EcuController::setWindows(Windows windows) {
    m_windows = std::move(windows);
}

DiscoveryHooks EcuController::discoveryHooks() {
    DiscoveryHooks hooks;
    hooks.processEvents = [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    hooks.setPolling = [this](bool on) {
        if (on) {
            m_poller.start();
        } else {
            m_poller.stop();
        }
    };
    hooks.refreshStatusBar = m_windows.refreshStatusBar;
    hooks.showEgoMenu = m_windows.showEgoMenu;
    return hooks;
}

TransferHooks EcuController::transferHooks() {
    TransferHooks hooks;
    hooks.discovery = discoveryHooks();
    hooks.unloadAllWindows = m_windows.unloadAll;
    hooks.redrawTableViews = m_windows.redrawTables;
    hooks.checkSettings = [this] { checkSettings(); };
    return hooks;
}

void EcuController::findEcu() {
    m_line.run([this](EcuProtocol& protocol) { ::findEcu(protocol, discoveryHooks()); });
}

void EcuController::findEcuCommand() {
    m_line.run([this](EcuProtocol& protocol) {
        m_store.modify(ChangeOrigin::Ecu,
                       [&](EcuSettings&) { ::findEcuCommand(protocol, transferHooks()); });
    });
}

void EcuController::getAllDataFromEcu() {
    m_line.run([this](EcuProtocol& protocol) {
        m_store.modify(ChangeOrigin::Ecu,
                       [&](EcuSettings&) { ::getAllDataFromEcu(protocol, transferHooks()); });
    });
}

SendOutcome EcuController::sendAllDataToEcu() {
    SendOutcome outcome = SendOutcome::NotSent;
    m_line.run(
        [&](EcuProtocol& protocol) { outcome = ::sendAllDataToEcu(protocol, transferHooks()); });
    return outcome;
}

void EcuController::saveSettingsToEcu() {
    m_line.run([](EcuProtocol& protocol) { storeSettings(protocol); });
    if (m_windows.redrawTables) {
        m_windows.redrawTables();
    }
}

void EcuController::storeQuietly() {
    m_line.run([](EcuProtocol& protocol) {
        const BusyGuard busy(protocol.ui());
        protocol.getEcuData(actionCommandCode(CommandAction::Store));
    });
}

void EcuController::engineHigh() {
    m_line.run([this](EcuProtocol& protocol) {
        m_store.modify(ChangeOrigin::Ecu, [&](EcuSettings&) {
            getHighSpeedFuelData(m_state, protocol.link(), protocol.ui());
        });
    });
}

void EcuController::engineStop() {
    m_line.run([this](EcuProtocol& protocol) {
        stopEngine(m_state, protocol.ui(), [&protocol](int command, int index1, int index2) {
            // Pending painting first: the stop command waits long for its reply.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            protocol.getEcuData(command, index1, index2);
        });
    });
}

void EcuController::enableCodeSections() {
    const bool ego = ::enableCodeSections(m_state);
    if (m_windows.showEgoMenu) {
        m_windows.showEgoMenu(ego);
    }
}

int EcuController::testInvalidCommand() {
    int reply = -1;
    m_line.run([&](EcuProtocol& protocol) {
        protocol.outCommData(5);
        reply = protocol.inCommData(1);
    });
    return reply;
}

void EcuController::testInvalidIsr() {
    m_line.run([](EcuProtocol& protocol) {
        protocol.outCommData(10);
        protocol.inCommData(1);
    });
}

void EcuController::checkSettings() {
    m_line.run([this](EcuProtocol& protocol) {
        m_store.modify(ChangeOrigin::Check, [&](EcuSettings&) { ::checkSettings(protocol); });
    });
}
