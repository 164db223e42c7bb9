// The main window's whole-record transfers and the Find ECU command.

#include "app/MainWindow.h"
#include "comm/BulkReads.h"
#include "comm/EcuProtocol.h"
#include "comm/Transfers.h"
#include "config/ConsistencyCheck.h"
#include "record/AppState.h"

TransferHooks MainWindow::transferHooks() {
    TransferHooks hooks;
    hooks.discovery = discoveryHooks();
    hooks.unloadAllWindows = [this] { unloadAllWindows(); };
    hooks.checkSettings = [this] { checkSettings(*m_protocol); };
    return hooks;
}

void MainWindow::getAllDataFromEcu() {
    ::getAllDataFromEcu(*m_protocol, transferHooks());
}

void MainWindow::sendAllDataToEcu() {
    ::sendAllDataToEcu(*m_protocol, transferHooks());
}

void MainWindow::engineFindEcu() {
    findEcuCommand(*m_protocol, transferHooks());
}

void MainWindow::saveSettingsToEcu() {
    storeSettings(*m_protocol);
}

void MainWindow::engineHigh() {
    getHighSpeedFuelData(m_state, m_link, m_ui);
}
