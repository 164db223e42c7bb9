// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's part in the tune history: the recorder takes the signals
// of the session's ECU commands and of the file commands, the question after a search
// whose read differs from what the ECU was known to hold, and the restore of
// a whole snapshot.

#include "app/DataFileCommands.h"
#include "app/MainWindow.h"
#include "history/HistoryRecorder.h"
#include "history/ReconnectDialog.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"
#include "session/Session.h"

void MainWindow::wireHistory() {
    HistoryRecorder* history = m_history.get();
    Session* session = m_session.get();
    connect(session, &Session::settingsRead, history, &HistoryRecorder::ecuRead);
    connect(session, &Session::settingsSent, history, &HistoryRecorder::sentToEcu);
    connect(session, &Session::sendCutOff, history, &HistoryRecorder::sendCutOff);
    connect(session, &Session::settingsStored, history, &HistoryRecorder::storedInEcu);
    DataFileCommands* files = m_files.get();
    connect(files, &DataFileCommands::dataFileOpened, history, &HistoryRecorder::fileOpened);
    connect(files, &DataFileCommands::dataFileSaving, history, &HistoryRecorder::fileSaving);
    connect(files, &DataFileCommands::dataFileSaved, history, &HistoryRecorder::fileSaved);
    connect(history, &HistoryRecorder::reconnectQuestion, this, &MainWindow::askReconnect);
}

void MainWindow::askReconnect(const ReconnectQuestion& question) {
    ReconnectDialog dialog(question, this);
    const ReconnectAnswer answer = dialog.ask();
    m_history->answered(question, answer);
    switch (answer) {
    case ReconnectAnswer::KeepEcuSettings:
        // The ECU's settings stand, a half-sent file's too.
        if (!question.file.isEmpty()) {
            m_files->forgetPartlySentFile();
        }
        break;
    case ReconnectAnswer::SendReference:
        if (question.snapshot) {
            restoreSnapshot(question.reference, question.snapshot->path);
        } else {
            m_files->openDataFile(question.file);
        }
        break;
    case ReconnectAnswer::LeaveForLater:
        break;
    }
}

void MainWindow::restoreSnapshot(const EcuSettings& settings, const QString& path) {
    m_windows->closeAllExcept(WindowCode::History);
    m_store->replace(settings, ChangeOrigin::File);
    m_session->checkSettings();
    if (m_state.EcuOnline && m_session->sendAllDataToEcu(path) == SendOutcome::CutOff) {
        m_ui.message(tr("The send of the snapshot was cut off: the ECU holds only part of it."),
                     UserInteraction::Icon::Warning);
    }
}
