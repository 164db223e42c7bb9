// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFileCommands.h"

#include "app/RecentFilesMenu.h"
#include "app/StatusBarPresenter.h"
#include "files/EcuFile.h"
#include "files/WireRangeCheck.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"
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

DataFileCommands::DataFileCommands(Parts parts, QObject* parent)
    : QObject(parent), m_parts(std::move(parts)) {}

void DataFileCommands::setCaption(const QString& caption) {
    m_caption = caption;
    m_parts.setTitle(caption);
}

void DataFileCommands::forgetPartlySentFile() {
    m_partlySentFile.clear();
    showFileState();
}

void DataFileCommands::setCurrentFile(const QString& path) {
    m_parts.state.CurrentFileName = path;
    m_parts.state.CurrentFileTitle = fileTitle(path);
}

void DataFileCommands::showFileState() {
    QString panel = m_parts.state.CurrentFileTitle;
    QString title = m_caption;
    // The panel may be cut on a small screen: its tip has it all.
    QString tip = QDir::toNativeSeparators(m_parts.state.CurrentFileName);
    if (!m_partlySentFile.isEmpty()) {
        const QString sent = fileTitle(m_partlySentFile);
        panel += sameFile(m_partlySentFile, m_parts.state.CurrentFileName)
                     ? tr(" (partly sent to the ECU)")
                     : tr(" (the ECU holds part of %1)").arg(sent);
        title += tr(" - the ECU holds part of %1").arg(sent);
        tip += QStringLiteral("\n") +
               tr("The ECU holds only part of %1: its send was cut off.").arg(sent);
    }
    m_parts.status.showFile(panel, tip);
    m_parts.setTitle(title);
    m_parts.sendAgain.setVisible(!m_partlySentFile.isEmpty());
}

void DataFileCommands::fileOpen() {
    m_parts.closeWindows();
    const QString path =
        m_parts.chooseFile(QStringLiteral("Open"), kEcuFilter, FileDialogMode::Open);
    if (!path.isEmpty()) {
        openDataFile(path);
    }
}

void DataFileCommands::openDataFile(const QString& path) {
    m_parts.closeWindows();
    EcuFileReadResult result;
    {
        BusyGuard busy(m_parts.ui);
        result = loadEcuFileForSending(path, m_parts.store.settings());
        if (result.ok()) {
            m_parts.store.replace(*result.settings, ChangeOrigin::File);
            m_parts.session.checkSettings();
        }
    }
    if (!result.ok()) {
        // A refused version, a malformed file or one that could not be read
        // leaves the settings as they were, sends nothing and does not
        // become the current file, so that Save cannot write over it.
        m_parts.ui.message(result.error);
        return;
    }
    emit dataFileOpened(path, *result.settings);
    setCurrentFile(path);
    m_parts.recentFiles.add(path);
    showFileState();
    sendDataFile(path);
}

void DataFileCommands::sendDataFile(const QString& path) {
    switch (m_parts.session.sendAllDataToEcu(path)) {
    case SendOutcome::Sent:
        m_partlySentFile.clear();
        break;
    case SendOutcome::CutOff:
        m_partlySentFile = path;
        m_parts.ui.message(tr("The send of %1 was cut off: the ECU holds only part of it.\r\n"
                              "Once the ECU answers again, Find ECU offers to send the file again.")
                               .arg(fileTitle(path)),
                           Icon::Warning);
        break;
    case SendOutcome::NotSent:
        break;
    }
    showFileState();
}

void DataFileCommands::findEcuCommand() {
    // After a whole read, a file whose send was cut off is the history's
    // question, asked when the ECU's settings differ from it.
    if (!m_parts.session.findEcuCommand()) {
        offerSendAgain();
    }
}

void DataFileCommands::offerSendAgain() {
    if (m_partlySentFile.isEmpty() || !m_parts.state.EcuOnline) {
        return;
    }
    const QString title = fileTitle(m_partlySentFile);
    if (m_parts.ui.message(tr("The ECU holds only part of %1: its send was cut off.\r\n"
                              "Send %1 again?")
                               .arg(title),
                           Icon::Warning, Buttons::YesNo) == Answer::Yes) {
        fileSendAgain();
    }
}

void DataFileCommands::fileSendAgain() {
    if (!m_partlySentFile.isEmpty()) {
        openDataFile(m_partlySentFile);
    }
}

QString DataFileCommands::chooseFileToSave() {
    const QString chosen =
        m_parts.chooseFile(QStringLiteral("Save As"), kEcuFilter, FileDialogMode::Save);
    if (chosen.isEmpty()) {
        return {};
    }
    // The question is asked here rather than by the dialog, so that it is
    // about the name the file gets.
    const QString path = withEcuExtension(chosen);
    if (QFileInfo::exists(path) &&
        m_parts.ui.message(
            tr("%1 already exists.\r\nDo you want to replace it?").arg(fileTitle(path)),
            Icon::Warning, Buttons::YesNo) != Answer::Yes) {
        return {};
    }
    return path;
}

void DataFileCommands::fileSaveAs() {
    const QString path = chooseFileToSave();
    if (!path.isEmpty()) {
        saveDataFile(path);
    }
}

void DataFileCommands::fileSave() {
    if (m_parts.state.CurrentFileTitle.isEmpty()) {
        fileSaveAs();
        return;
    }
    saveDataFile(m_parts.state.CurrentFileName);
}

void DataFileCommands::saveDataFile(const QString& path) {
    if (!m_partlySentFile.isEmpty() && sameFile(path, m_partlySentFile) &&
        m_parts.ui.message(
            tr("The ECU holds only part of %1: its send was cut off, so the settings "
               "in the program may be what the ECU took rather than what the file "
               "holds.\r\nWrite them over %1?")
                .arg(fileTitle(path)),
            Icon::Warning, Buttons::YesNo) != Answer::Yes) {
        return;
    }
    setCurrentFile(path);
    if (writeDataFile()) {
        m_parts.recentFiles.add(path);
    }
}

bool DataFileCommands::writeDataFile() {
    showFileState();
    EcuFileSaveResult result;
    {
        BusyGuard busy(m_parts.ui);
        emit dataFileSaving(m_parts.state.CurrentFileName, m_parts.store.settings());
        result = saveEcuFile(m_parts.state.CurrentFileName, m_parts.store.settings());
    }
    if (!result.ok()) {
        m_parts.ui.message(result.error, Icon::Critical);
        return false;
    }
    m_parts.ui.message(QStringLiteral("Data saved to ") + m_parts.state.CurrentFileTitle);
    emit dataFileSaved(m_parts.state.CurrentFileName, m_parts.store.settings(),
                       m_parts.state.EcuOnline ? &m_parts.state.identity : nullptr);
    return true;
}
