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

bool EcuController::findEcuCommand() {
    // What the program holds for the ECU found before, should the same one
    // answer again.
    const QString serial = m_state.EcuOnline ? QString() : m_state.identity.SerialNumberText;
    const EcuSettings before = m_state.settings;
    bool read = false;
    m_line.run([&](EcuProtocol& protocol) {
        m_store.modify(ChangeOrigin::Ecu,
                       [&](EcuSettings&) { read = ::findEcuCommand(protocol, transferHooks()); });
    });
    if (read) {
        const bool same = !serial.isEmpty() && serial == m_state.identity.SerialNumberText;
        emit settingsRead(m_state.settings, m_state.identity,
                          same ? std::optional<EcuSettings>(before) : std::nullopt);
    }
    return read;
}

void EcuController::getAllDataFromEcu() {
    bool read = false;
    m_line.run([&](EcuProtocol& protocol) {
        m_store.modify(ChangeOrigin::Ecu, [&](EcuSettings&) {
            read = ::getAllDataFromEcu(protocol, transferHooks());
        });
    });
    if (read && m_state.EcuOnline) {
        emit settingsRead(m_state.settings, m_state.identity, std::nullopt);
    }
}

SendOutcome EcuController::sendAllDataToEcu(const QString& file) {
    SendOutcome outcome = SendOutcome::NotSent;
    m_line.run(
        [&](EcuProtocol& protocol) { outcome = ::sendAllDataToEcu(protocol, transferHooks()); });
    if (outcome == SendOutcome::Sent) {
        emit settingsSent(m_state.settings, m_state.identity, file);
    } else if (outcome == SendOutcome::CutOff) {
        emit sendCutOff(file);
    }
    return outcome;
}

void EcuController::saveSettingsToEcu() {
    bool done = false;
    m_line.run([&done](EcuProtocol& protocol) { done = storeSettings(protocol); });
    if (m_windows.redrawTables) {
        m_windows.redrawTables();
    }
    if (done) {
        stored();
    }
}

void EcuController::storeQuietly() {
    m_line.run([](EcuProtocol& protocol) {
        const BusyGuard busy(protocol.ui());
        protocol.getEcuData(actionCommandCode(CommandAction::Store));
    });
    if (m_state.EcuOnline && m_state.StoreResult != 0) {
        stored();
    }
}

void EcuController::stored() {
    emit settingsStored(m_state.settings, m_state.identity);
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
