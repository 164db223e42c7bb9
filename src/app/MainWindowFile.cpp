// The main window's file commands: Open, Save and Save As of the data file,
// and Open Log.

#include "app/EcuController.h"
#include "app/MainWindow.h"
#include "files/EcuFile.h"
#include "files/WireRangeCheck.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"
#include "review/LogReviewWindow.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {
const QString kEcuFilter = QStringLiteral("Ecu (*.ecu);;All Files (*.*)");
} // namespace

void MainWindow::setCurrentFile(const QString& path) {
    m_state.CurrentFileName = path;
    m_state.CurrentFileTitle = QFileInfo(path).fileName();
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
    auto* review = m_windows->find<LogReviewWindow>();
    if (review == nullptr) {
        review = new LogReviewWindow(m_ui, reviewLayoutPath(m_options.settingsPath));
        m_windows->show(review, WindowCode::LogReview)->resize(m_mdi->viewport()->size());
    } else {
        m_windows->raise(WindowCode::LogReview);
    }
    review->openLog(path);
}

void MainWindow::openDataFile(const QString& path) {
    setCurrentFile(path);
    unloadAllWindows();
    if (readDataFile()) {
        rememberFile();
    }
    m_reporter.showFile(m_state.CurrentFileTitle);
    showStatusBar();
}

void MainWindow::fileSaveAs() {
    const QString path =
        m_options.chooseFile(QStringLiteral("Save As"), kEcuFilter, FileDialogMode::SaveAsking);
    if (path.isEmpty()) {
        return;
    }
    setCurrentFile(path);
    if (writeDataFile()) {
        rememberFile();
    }
}

void MainWindow::fileSave() {
    if (m_state.CurrentFileTitle.isEmpty()) {
        const QString path =
            m_options.chooseFile(QStringLiteral("Save"), kEcuFilter, FileDialogMode::Save);
        if (path.isEmpty()) {
            return;
        }
        setCurrentFile(path);
    }
    if (writeDataFile()) {
        rememberFile();
    }
}

bool MainWindow::writeDataFile() {
    m_reporter.showFile(m_state.CurrentFileTitle);
    showStatusBar();
    EcuFileSaveResult result;
    {
        BusyGuard busy(m_ui);
        result = saveEcuFile(m_state.CurrentFileName, m_state.settings);
    }
    if (!result.ok()) {
        m_ui.message(result.error, UserInteraction::Icon::Critical);
        return false;
    }
    m_ui.message(QStringLiteral("Data saved to ") + m_state.CurrentFileTitle);
    return true;
}

bool MainWindow::readDataFile() {
    EcuFileReadResult result;
    {
        BusyGuard busy(m_ui);
        result = loadEcuFileForSending(m_state.CurrentFileName, m_state.settings);
        if (result.ok()) {
            m_store->replace(*result.settings, ChangeOrigin::File);
            m_ecu->checkSettings();
        }
    }
    if (!result.ok()) {
        // A refused version or a malformed file leaves the settings as they
        // were and sends nothing.
        m_ui.message(result.error);
        return false;
    }
    m_ecu->sendAllDataToEcu();
    return true;
}
