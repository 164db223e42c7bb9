// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's file commands: Open, Save, Save As and Send Again of the
// data file, what the status bar and the title say about it, and Open Log.

#include "app/MainWindow.h"
#include "app/RecentFilesMenu.h"
#include "app/StatusBarPresenter.h"
#include "app/WindowTable.h"
#include "files/EcuFile.h"
#include "files/WireRangeCheck.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"
#include "review/LogReviewWindow.h"
#include "session/Session.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace {
const QString kEcuFilter = QStringLiteral("Ecu (*.ecu);;All Files (*.*)");

using Answer = UserInteraction::Answer;
using Buttons = UserInteraction::Buttons;
using Icon = UserInteraction::Icon;

// Whether two names stand for the same file, however each is written.
bool sameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists() && second.exists()) {
        return first.canonicalFilePath() == second.canonicalFilePath();
    }
    return first.absoluteFilePath() == second.absoluteFilePath();
}

QString fileTitle(const QString& path) {
    return QFileInfo(path).fileName();
}
} // namespace

void MainWindow::setCurrentFile(const QString& path) {
    m_state.CurrentFileName = path;
    m_state.CurrentFileTitle = fileTitle(path);
}

void MainWindow::showFileState() {
    QString panel = m_state.CurrentFileTitle;
    QString title = m_caption;
    // The panel may be cut on a small screen: its tip has it all.
    QString tip = QDir::toNativeSeparators(m_state.CurrentFileName);
    if (!m_partlySentFile.isEmpty()) {
        const QString sent = fileTitle(m_partlySentFile);
        panel += sameFile(m_partlySentFile, m_state.CurrentFileName)
                     ? tr(" (partly sent to the ECU)")
                     : tr(" (the ECU holds part of %1)").arg(sent);
        title += tr(" - the ECU holds part of %1").arg(sent);
        tip += QStringLiteral("\n") +
               tr("The ECU holds only part of %1: its send was cut off.").arg(sent);
    }
    m_status->showFile(panel, tip);
    setWindowTitle(title);
    m_menus.fileSendAgain->setVisible(!m_partlySentFile.isEmpty());
}

void MainWindow::fileOpen() {
    unloadAllWindows();
    const QString path =
        m_options.chooseFile(QStringLiteral("Open"), kEcuFilter, FileDialogMode::Open);
    if (!path.isEmpty()) {
        openDataFile(path);
    }
}

void MainWindow::openLog(const QString& path) {
    m_windowTable->show(WindowCode::LogReview);
    m_windows->find<LogReviewWindow>()->openLog(path);
}

void MainWindow::openDataFile(const QString& path) {
    unloadAllWindows();
    EcuFileReadResult result;
    {
        BusyGuard busy(m_ui);
        result = loadEcuFileForSending(path, m_store->settings());
        if (result.ok()) {
            m_store->replace(*result.settings, ChangeOrigin::File);
            m_session->checkSettings();
        }
    }
    if (!result.ok()) {
        // A refused version, a malformed file or one that could not be read
        // leaves the settings as they were, sends nothing and does not
        // become the current file, so that Save cannot write over it.
        m_ui.message(result.error);
        return;
    }
    emit dataFileOpened(path, *result.settings);
    setCurrentFile(path);
    m_recentFiles->add(path);
    showFileState();
    sendDataFile(path);
}

void MainWindow::sendDataFile(const QString& path) {
    switch (m_session->sendAllDataToEcu(path)) {
    case SendOutcome::Sent:
        m_partlySentFile.clear();
        break;
    case SendOutcome::CutOff:
        m_partlySentFile = path;
        m_ui.message(tr("The send of %1 was cut off: the ECU holds only part of it.\r\n"
                        "Once the ECU answers again, Find ECU offers to send the file again.")
                         .arg(fileTitle(path)),
                     Icon::Warning);
        break;
    case SendOutcome::NotSent:
        break;
    }
    showFileState();
}

void MainWindow::findEcuCommand() {
    // After a whole read, a file whose send was cut off is the history's
    // question, asked when the ECU's settings differ from it.
    if (!m_session->findEcuCommand()) {
        offerSendAgain();
    }
}

void MainWindow::offerSendAgain() {
    if (m_partlySentFile.isEmpty() || !m_state.EcuOnline) {
        return;
    }
    const QString title = fileTitle(m_partlySentFile);
    if (m_ui.message(tr("The ECU holds only part of %1: its send was cut off.\r\n"
                        "Send %1 again?")
                         .arg(title),
                     Icon::Warning, Buttons::YesNo) == Answer::Yes) {
        fileSendAgain();
    }
}

void MainWindow::fileSendAgain() {
    if (!m_partlySentFile.isEmpty()) {
        openDataFile(m_partlySentFile);
    }
}

QString MainWindow::chooseFileToSave() {
    const QString chosen =
        m_options.chooseFile(QStringLiteral("Save As"), kEcuFilter, FileDialogMode::Save);
    if (chosen.isEmpty()) {
        return {};
    }
    // The question is asked here rather than by the dialog, so that it is
    // about the name the file gets.
    const QString path = withEcuExtension(chosen);
    if (QFileInfo::exists(path) &&
        m_ui.message(tr("%1 already exists.\r\nDo you want to replace it?").arg(fileTitle(path)),
                     Icon::Warning, Buttons::YesNo) != Answer::Yes) {
        return {};
    }
    return path;
}

void MainWindow::fileSaveAs() {
    const QString path = chooseFileToSave();
    if (!path.isEmpty()) {
        saveDataFile(path);
    }
}

void MainWindow::fileSave() {
    if (m_state.CurrentFileTitle.isEmpty()) {
        fileSaveAs();
        return;
    }
    saveDataFile(m_state.CurrentFileName);
}

void MainWindow::saveDataFile(const QString& path) {
    if (!m_partlySentFile.isEmpty() && sameFile(path, m_partlySentFile) &&
        m_ui.message(tr("The ECU holds only part of %1: its send was cut off, so the settings "
                        "in the program may be what the ECU took rather than what the file "
                        "holds.\r\nWrite them over %1?")
                         .arg(fileTitle(path)),
                     Icon::Warning, Buttons::YesNo) != Answer::Yes) {
        return;
    }
    setCurrentFile(path);
    if (writeDataFile()) {
        m_recentFiles->add(path);
    }
}

bool MainWindow::writeDataFile() {
    showFileState();
    EcuFileSaveResult result;
    {
        BusyGuard busy(m_ui);
        emit dataFileSaving(m_state.CurrentFileName, m_store->settings());
        result = saveEcuFile(m_state.CurrentFileName, m_store->settings());
    }
    if (!result.ok()) {
        m_ui.message(result.error, Icon::Critical);
        return false;
    }
    m_ui.message(QStringLiteral("Data saved to ") + m_state.CurrentFileTitle);
    emit dataFileSaved(m_state.CurrentFileName, m_store->settings(),
                       m_state.EcuOnline ? &m_state.identity : nullptr);
    return true;
}
