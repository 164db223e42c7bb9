// The main window's ECU commands: serial port, search, the poll timer, the
// status bar, the developer test commands and data logging.

#include "app/MainWindow.h"
#include "app/PortDialog.h"
#include "comm/Discovery.h"
#include "comm/EcuProtocol.h"
#include "comm/QtSerialLink.h"
#include "monitor/DataLog.h"
#include "monitor/DataWindow.h"
#include "monitor/StatusBarWidget.h"
#include "record/AppState.h"
#include "record/UserInteraction.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <cmath>

namespace {
// Frame n (3..7) of the online indicator: a wheel whose spoke turns by one
// fifth of a revolution per frame.
QPixmap indicatorFrame(int frame) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 120, 0), 2));
    p.setBrush(QColor(180, 255, 180));
    p.drawEllipse(QPointF(12, 12), 10, 10);
    const double angle = (7 - frame) * 2.0 * M_PI / 5.0;
    p.drawLine(QPointF(12, 12), QPointF(12 + 9 * std::sin(angle), 12 - 9 * std::cos(angle)));
    return pm;
}
} // namespace

// Serial port.

void MainWindow::selectComPort(int port) {
    for (QAction* a : m_menus.comPort) {
        a->setChecked(false);
    }
    QAction* chosen = m_menus.comPort[port - 1];
    chosen->setChecked(true);
    m_state.display.ComPortNumber = static_cast<int16_t>(port);
    m_protocol->closeCommPort();
    if (m_options.choosePort) {
        m_options.choosePort(port);
    }
    m_protocol->openCommPort();
    if (!m_link.isOpen()) {
        chosen->setChecked(false);
    }
}

void MainWindow::choosePortDevice() {
    const int current = m_state.display.ComPortNumber;
    const QString path = PortMap::defaultPath();
    PortDialog dialog(m_options.listPorts ? m_options.listPorts() : availableSerialPorts(), current,
                      PortMap::load(path).deviceFor(current), this);
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

// Search.

DiscoveryHooks MainWindow::discoveryHooks() {
    DiscoveryHooks hooks;
    hooks.processEvents = [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    hooks.setPolling = [this](bool on) {
        if (on) {
            startPollTimer();
        } else {
            stopPollTimer();
        }
    };
    hooks.refreshStatusBar = [this] { setupStatusBar(); };
    hooks.showEgoMenu = [this](bool show) { showEgoMenu(show); };
    return hooks;
}

void MainWindow::findEcu() {
    ::findEcu(*m_protocol, discoveryHooks());
}

void MainWindow::showEgoMenu(bool show) {
    m_menus.tuningEgo->setVisible(show);
    m_menus.tuningBar3->setEnabled(show);
}

void MainWindow::enableCodeSections() {
    showEgoMenu(::enableCodeSections(m_state));
}

void MainWindow::engineStop() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_protocol->getEcuData(127);
}

// Developer test commands.

void MainWindow::testInvalidCommand() {
    m_protocol->outCommData(5);
    const int reply = m_protocol->inCommData(1);
    m_ui.message(QStringLiteral("Sending Invalid Command:  Response = ") + QString::number(reply));
}

void MainWindow::testInvalidIsr() {
    m_protocol->outCommData(10);
    m_protocol->inCommData(1);
}

void MainWindow::testLogExtra() {
    m_state.LogExtra = !m_state.LogExtra;
    m_menus.testLogExtra->setChecked(m_state.LogExtra);
}

// Poll timer.

void MainWindow::startPollTimer() {
    m_pollTimer->start();
}

void MainWindow::stopPollTimer() {
    m_pollTimer->stop();
}

bool MainWindow::pollTimerActive() const {
    return m_pollTimer->isActive();
}

void MainWindow::pollTick() {
    PollViews views;
    // The log file dialog and the status messages of a tick run an event loop
    // of their own, so the window is looked up again when its turn comes.
    QPointer<DataWindow> data = dataWindow();
    views.dataWindowOpen = data != nullptr;
    views.refreshStatusBar = [this] { setupStatusBar(); };
    views.writeLogLine = [this] { logData(); };
    views.updateDataWindow = [data] {
        if (data != nullptr) {
            data->upDateData();
        }
    };
    if (runPollTick(m_state, m_protocol->commandSender(), views, m_indicator)) {
        showIndicator();
    }
}

void MainWindow::showIndicator() {
    if (!m_indicator.visible()) {
        m_animation->hide();
        return;
    }
    m_animation->setPixmap(indicatorFrame(m_indicator.frame()));
    if (!m_animation->isVisible()) {
        placeAnimation();
        m_animation->show();
    }
}

// Status bar.

void MainWindow::setupStatusBar() {
    m_reporter.setupStatusBar(m_state, m_ui, m_protocol->commandSender());
    showStatusBar();
}

void MainWindow::showStatusBar() {
    m_menus.tuningLogData->setChecked(m_state.LogActive);
    m_statusBar->show(m_reporter.view());
}

void MainWindow::onProtocolOffline() {
    setupStatusBar();
}

// Data logging.

void MainWindow::setupLogData() {
    if (!m_state.EcuOnline) {
        m_ui.message(QStringLiteral("ECU offline - no data to log!"),
                     UserInteraction::Icon::Information);
        m_state.LogHeaderPending = true;
        return;
    }
    if (dataWindow() == nullptr && timeHistoryWindow() == nullptr) {
        m_ui.message(QStringLiteral("No data to log!"), UserInteraction::Icon::Information);
        m_state.LogHeaderPending = true;
        return;
    }
    m_state.LogActive = !m_state.LogActive;
    if (!m_state.LogActive) {
        closeLogFile();
    }
    m_reporter.showLogging(m_state.LogActive);
    m_state.LogHeaderPending = true;
    showStatusBar();
}

void MainWindow::stopLogging() {
    m_state.LogActive = false;
    m_reporter.showLogging(false);
    showStatusBar();
}

bool MainWindow::ensureLogFileOpen() {
    if (m_log->isOpen()) {
        return true;
    }
    const QString path =
        m_options.chooseFile(QStringLiteral("Open"), QStringLiteral("log (*.log);;All Files (*.*)"),
                             FileDialogMode::OpenOrCreate);
    if (path.isEmpty()) {
        stopLogging();
        return false;
    }
    if (const auto error = m_log->open(path)) {
        stopLogging();
        m_ui.message(fullRecordErrorMessage(*error), UserInteraction::Icon::Critical);
        return false;
    }
    return true;
}

void MainWindow::logData() {
    if (!ensureLogFileOpen()) {
        return;
    }
    if (const auto message = m_log->writeFullRecord(QDateTime::currentDateTime(), QLocale())) {
        stopLogging();
        m_ui.message(*message, UserInteraction::Icon::Critical);
    }
}

void MainWindow::closeLogFile() {
    if (m_log && m_log->isOpen()) {
        m_log->close();
    }
}

void MainWindow::dataWindowClosed() {
    m_state.LogHeaderPending = true;
    if (m_state.LogActive && timeHistoryWindow() == nullptr) {
        setupLogData();
    }
}
