// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's views of the ECU: serial port, poll timer, status bar,
// logging and the developer test commands.

#include "app/MainWindow.h"
#include "app/PortDialog.h"
#include "app/StatusBarPresenter.h"
#include "comm/QtSerialLink.h"
#include "comm/Transfers.h"
#include "monitor/Acquisition.h"
#include "monitor/LoggingController.h"
#include "record/AppState.h"
#include "record/UserInteraction.h"
#include "session/Session.h"

#include <QAction>
#include <algorithm>

// Serial port.

void MainWindow::selectComPort(int port) {
    for (QAction* a : m_menus.comPort) {
        a->setChecked(false);
    }
    QAction* chosen = m_menus.comPort[port - 1];
    chosen->setChecked(true);
    m_state.display.ComPortNumber = static_cast<int16_t>(port);
    m_options.givenDevice.clear(); // the port of the number is in use from now on
    m_session->reopenPort([this, port] {
        if (m_options.choosePort) {
            m_options.choosePort(port);
        }
    });
    if (!m_link.isOpen()) {
        chosen->setChecked(false);
    }
}

void MainWindow::choosePortDevice() {
    const int current = m_state.display.ComPortNumber;
    const QString path = PortMap::defaultPath();
    QList<SerialPortEntry> ports =
        m_options.listPorts ? m_options.listPorts() : availableSerialPorts();
    // A device given on the command line is the one in use, though the
    // system may not list it (a pseudo-terminal, another name of a port).
    const QString given = m_options.givenDevice;
    if (!given.isEmpty() && std::none_of(ports.begin(), ports.end(),
                                         [&](const auto& port) { return port.device == given; })) {
        ports.append({given, tr("Given with --port"), {}, {}});
    }
    PortDialog dialog(ports, current,
                      given.isEmpty() ? PortMap::load(path).deviceFor(current) : given, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QString error = savePortMapEntry(path, dialog.comNumber(), dialog.device());
    if (!error.isEmpty()) {
        m_ui.message(tr("The port choice could not be saved in %1: %2").arg(path, error),
                     UserInteraction::Icon::Critical);
        return;
    }
    selectComPort(dialog.comNumber());
}

void MainWindow::showEgoMenu(bool show) {
    m_menus.tuningEgo->setVisible(show);
    m_menus.tuningBar3->setEnabled(show);
}

void MainWindow::showTransferProgress(const TransferProgress& progress) {
    ::showTransferProgress(m_ui, progress);
}

// Developer test commands.

void MainWindow::testInvalidCommand() {
    const int reply = m_session->testInvalidCommand();
    m_ui.message(QStringLiteral("Sending Invalid Command:  Response = ") + QString::number(reply));
}

void MainWindow::testLogExtra() {
    m_state.LogExtra = !m_state.LogExtra;
    m_menus.testLogExtra->setChecked(m_state.LogExtra);
}

// Poll timer.

void MainWindow::startPollTimer() {
    m_session->acquisition().start();
}

void MainWindow::stopPollTimer() {
    m_session->acquisition().stop();
}

bool MainWindow::pollTimerActive() const {
    return m_session->acquisition().active();
}

void MainWindow::pollTick() {
    m_session->acquisition().tick();
}

// Status bar and data logging.

void MainWindow::setupStatusBar() {
    m_status->setup();
}

void MainWindow::setupLogData() {
    m_session->logging().setupLogData();
}
