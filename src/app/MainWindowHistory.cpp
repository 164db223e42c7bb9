// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's part in the tune history: File > History..., the
// question after a search whose read differs from what the ECU was known to
// hold, and the snapshots of the sends, stores and autotune.

#include "app/EcuController.h"
#include "app/MainWindow.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryWindow.h"
#include "history/ReconnectDialog.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"

#include <QMdiArea>
#include <QMdiSubWindow>

void MainWindow::showHistory() {
    if (m_windows->raise(WindowCode::History)) {
        return;
    }
    TuneHistory* history = m_history->history();
    if (history == nullptr || !history->isAvailable()) {
        m_ui.message(tr("The tune history cannot be used; see the message given at start."),
                     UserInteraction::Icon::Information);
        return;
    }
    auto* window = new HistoryWindow({*history, *m_store, m_ui, *m_fuelHistory, *m_ignitionHistory,
                                      [this](const EcuSettings& settings,
                                             const SnapshotInfo& snapshot) {
                                          restoreSnapshot(settings, snapshot.path);
                                      }});
    m_windows->show(window, WindowCode::History, [this](const QMdiSubWindow&) {
        return QRect(QPoint(0, 0), m_mdi->viewport()->size());
    });
}

void MainWindow::ecuFoundAndRead(const std::optional<EcuSettings>& held) {
    const std::optional<ReconnectQuestion> question =
        m_history->ecuRead(m_state.settings, m_state.identity, held, m_partlySentFile);
    if (question) {
        askReconnect(*question);
    }
}

void MainWindow::askReconnect(const ReconnectQuestion& question) {
    ReconnectDialog dialog(question, this);
    const ReconnectAnswer answer = dialog.ask();
    m_history->answered(question, answer);
    switch (answer) {
    case ReconnectAnswer::KeepEcuSettings:
        // The ECU's settings stand, a half-sent file's too.
        if (!question.file.isEmpty()) {
            m_partlySentFile.clear();
            showFileState();
        }
        break;
    case ReconnectAnswer::SendReference:
        if (question.file.isEmpty()) {
            restoreSnapshot(question.reference, question.snapshot->path);
        } else {
            fileSendAgain();
        }
        break;
    case ReconnectAnswer::LeaveForLater:
        break;
    }
}

void MainWindow::restoreSnapshot(const EcuSettings& settings, const QString& path) {
    m_windows->closeAllExcept(WindowCode::History);
    m_store->replace(settings, ChangeOrigin::File);
    m_ecu->checkSettings();
    if (m_state.EcuOnline) {
        sendAll(path);
    }
}

SendOutcome MainWindow::sendAll(const QString& path) {
    const SendOutcome outcome = m_ecu->sendAllDataToEcu();
    if (outcome == SendOutcome::Sent) {
        m_history->sentToEcu(m_state.settings, m_state.identity, path);
    }
    return outcome;
}

void MainWindow::saveSettingsToEcu() {
    m_ecu->saveSettingsToEcu();
    recordStore();
}

void MainWindow::recordStore() {
    // Only a store the ECU answered as done.
    if (m_state.EcuOnline && m_state.StoreResult != 0) {
        m_history->storedInEcu(m_state.settings, m_state.identity);
    }
}

void MainWindow::recordAutotuneApplied(const EcuSettings& settings) {
    m_history->autotuneApplied(settings, m_state.EcuOnline ? &m_state.identity : nullptr);
}
