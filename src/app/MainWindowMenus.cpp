// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menus and toolbars: what each entry runs. The commands
// that show a window are the window table's.

#include "app/DataFileCommands.h"
#include "app/MainWindow.h"
#include "app/ModifyMenu.h"
#include "app/PrintCommands.h"
#include "app/RecentFilesMenu.h"
#include "app/StatusBarPresenter.h"
#include "app/WindowTable.h"
#include "files/CompareDialog.h"
#include "gauges/GaugeLayout.h"
#include "monitor/LogMarkers.h"
#include "monitor/LoggingController.h"
#include "plot3d/Plot3DViews.h"
#include "record/AppState.h"
#include "record/UserInteraction.h"
#include "review/ReviewLayout.h"
#include "session/Session.h"
#include "tables/TableEditorWindow.h"

#include <QAction>
#include <QInputDialog>
#include <QMdiArea>
#include <QMenu>
#include <QWhatsThis>

namespace {
const QString kLogFilter = QStringLiteral("Logs (*.log *.csv);;All Files (*.*)");
} // namespace

void MainWindow::connectMenus() {
    const MainMenus& m = m_menus;
    auto on = [this](QAction* action, void (MainWindow::*slot)()) {
        connect(action, &QAction::triggered, this, slot);
    };
    m_windowTable = std::make_unique<WindowTable>(WindowTable::Parts{
        m_state, *m_store, *m_session, m_ui, m_session->liveFeed(), m_session->logging(),
        *m_windows, *m_mdi, *this, [this] { m_status->showIdentity(); },
        reviewLayoutPath(m_options.settingsPath), gaugeLayoutPath(m_options.settingsPath),
        *m_history,
        [this](const EcuSettings& settings, const QString& path) {
            restoreSnapshot(settings, path);
        },
        [this] {
            return m_options.chooseFile(QStringLiteral("Autotune Log"), kLogFilter,
                                        FileDialogMode::Open);
        }});
    m_windowTable->connectMenus(m);
    m_modifyMenu = std::make_unique<ModifyMenu>(m, *m_windows, *m_mdi);

    m_recentFiles = std::make_unique<RecentFilesMenu>(
        m_options.recentFilesPath.isEmpty() ? RecentFiles::defaultPath()
                                            : m_options.recentFilesPath,
        m.fileMru, m.fileMruBar, m_ui,
        [this](const QString& path) { m_files->openDataFile(path); });
    m_files = std::make_unique<DataFileCommands>(DataFileCommands::Parts{
        m_state, *m_store, *m_session, m_ui, *m_status, *m_recentFiles, *m.fileSendAgain,
        m_options.chooseFile, [this] { unloadAllWindows(); },
        [this](const QString& title) { setWindowTitle(title); }});
    DataFileCommands* files = m_files.get();
    connect(m.fileOpen, &QAction::triggered, files, &DataFileCommands::fileOpen);
    connect(m.fileOpenLog, &QAction::triggered, this, [this] {
        const QString path =
            m_options.chooseFile(QStringLiteral("Open Log"), kLogFilter, FileDialogMode::Open);
        if (!path.isEmpty()) {
            openLog(path);
        }
    });
    connect(m.fileCloseActiveWindow, &QAction::triggered, m_windows.get(),
            &WindowRegistry::closeActive);
    connect(m.fileSave, &QAction::triggered, files, &DataFileCommands::fileSave);
    connect(m.fileSaveAs, &QAction::triggered, files, &DataFileCommands::fileSaveAs);
    connect(m.fileCompare, &QAction::triggered, this, [this] {
        const QString path = m_options.chooseFile(QStringLiteral("Compare with ECU"),
                                                  QStringLiteral("Ecu (*.ecu);;All Files (*.*)"),
                                                  FileDialogMode::Open);
        if (!path.isEmpty()) {
            showComparison(this, m_store->settings(), path, m_ui);
        }
    });
    connect(m.fileSendAgain, &QAction::triggered, files, &DataFileCommands::fileSendAgain);
    on(m.fileExit, &MainWindow::exitPrompt);

    connect(m.engineFindEcu, &QAction::triggered, files, &DataFileCommands::findEcuCommand);
    connect(m.engineStop, &QAction::triggered, m_session.get(), &Session::engineStop);
    connect(m.engineHigh, &QAction::triggered, m_session.get(), &Session::engineHigh);

    connect(m.tuningLogData, &QAction::triggered, this, [this] {
        // The tick follows the logging state, not the click.
        m_menus.tuningLogData->setChecked(m_session->logging().active());
        setupLogData();
    });
    on(m.tuningLogNote, &MainWindow::noteInLog);
    // The marker setting, kept beside the settings file.
    const QString optionsPath = logOptionsPath(m_options.settingsPath);
    m_session->logging().setMarkers(loadLogOptions(optionsPath).markers);
    m.tuningLogMarkers->setChecked(m_session->logging().markers());
    connect(m.tuningLogMarkers, &QAction::toggled, this, [this, optionsPath](bool on) {
        m_session->logging().setMarkers(on);
        const QString problem = saveLogOptions(optionsPath, LogOptions{on});
        if (!problem.isEmpty()) {
            m_ui.message(
                tr("The log setting could not be saved to %1:\r\n%2").arg(optionsPath, problem),
                UserInteraction::Icon::Critical);
        }
    });
    connect(m.tuningSaveSettingsToEcu, &QAction::triggered, m_session.get(),
            &Session::saveSettingsToEcu);

    connect(m.windowCascade, &QAction::triggered, m_mdi, &QMdiArea::cascadeSubWindows);
    connect(m.windowTileHorizontal, &QAction::triggered, m_windows.get(),
            &WindowRegistry::tileInRows);
    connect(m.windowTileVertical, &QAction::triggered, m_mdi, &QMdiArea::tileSubWindows);

    for (int i = 0; i < m.comPort.size(); ++i) {
        connect(m.comPort[i], &QAction::triggered, this, [this, i] { selectComPort(i + 1); });
    }
    on(m.comPortChoose, &MainWindow::choosePortDevice);

    connectDisplayMenu();
    m_print = std::make_unique<PrintCommands>(PrintCommands::Parts{
        m_state, *m_store, m_ui, *m_windows, *m_plots, *this, m_options.choosePrinter});
    connect(m.filePrint, &QAction::triggered, this, [this] { m_print->printData(); });
    connect(m.filePrintPlot, &QAction::triggered, this, [this] { m_print->printPlot(); });

    on(m.helpContents, &MainWindow::helpContents);
    connect(m.helpWhatsThis, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    connect(m.helpWhatsThisAgain, &QAction::triggered, this,
            [] { QWhatsThis::enterWhatsThisMode(); });
    on(m.helpAbout, &MainWindow::helpAbout);

    connect(m.testInvalidIsr, &QAction::triggered, m_session.get(), &Session::testInvalidIsr);
    on(m.testInvalidCommand, &MainWindow::testInvalidCommand);
    on(m.testLogExtra, &MainWindow::testLogExtra);

    const QList<QAction*>& buttons = m_toolBars.myToolBarButtons;
    const QList<QAction*>& keyed = m_toolBars.tbButtons;
    for (int i = 0; i < buttons.size(); ++i) {
        connect(buttons[i], &QAction::triggered, this, [this, i] { runToolBarButton(i); });
        connect(keyed[i], &QAction::triggered, this, [this, i] { runToolBarButton(i); });
    }
}

// The load lines, the cross-hairs and the 3D plots.
void MainWindow::connectDisplayMenu() {
    const MainMenus& m = m_menus;
    // The load plot changes the editor's layout: the open editor is built
    // again with the new setting.
    connect(m.comFuelLoadLine, &QAction::toggled, this, [this](bool on) {
        m_state.display.PlotLoadLineFuel = on;
        m_windowTable->reopen(WindowCode::Fuel);
    });
    connect(m.comIgnLoadLine, &QAction::toggled, this, [this](bool on) {
        m_state.display.PlotLoadLineIgnition = on;
        m_windowTable->reopen(WindowCode::Ignition);
    });
    connect(m.setupDisplayFuelCrossHair, &QAction::toggled, this,
            [this](bool on) { m_state.display.DisplayFuelCrossHair = on; });
    connect(m.setupDisplayIgnCrossHair, &QAction::toggled, this,
            [this](bool on) { m_state.display.DisplayIgnitionCrossHair = on; });
    m_plots = std::make_unique<Plot3DViews>(m_state, *m_store, m_session->liveFeed(), m_ui, this,
                                            Plot3DMenus{m.setup3DFuel, m.setup3DIgnition, m.popup,
                                                        m.popupClose, m.popupZoom, m.popupPrint});
    // The blue dot: the cell where the open editor's selection starts.
    m_plots->setSelectedCellSource([this](const Plot3DDescription& plot) -> std::optional<QPoint> {
        const TableEditorWindow* editor =
            plot.isIgnition ? static_cast<TableEditorWindow*>(m_windows->find<IgnWindow>())
                            : m_windows->find<FuelWindow>();
        if (editor == nullptr) {
            return std::nullopt;
        }
        const GridSelection selection = editor->selection();
        return QPoint(selection.column, selection.row);
    });
}

void MainWindow::runToolBarButton(int index) {
    const QList<QAction*>& commands = m_toolBars.commands;
    if (index < 0 || index >= commands.size()) {
        m_ui.message(QStringLiteral("Button Not Found"));
        return;
    }
    commands[index]->trigger();
}

void MainWindow::noteInLog() {
    LoggingController& logging = m_session->logging();
    if (!logging.markers()) {
        m_ui.message(tr("Log Markers is off: no note is written to the log."),
                     UserInteraction::Icon::Information);
        return;
    }
    // The records that come while the note is typed follow it in the log.
    if (!logging.beginNote()) {
        m_ui.message(tr("Log Data is off: there is no log to write a note in."),
                     UserInteraction::Icon::Information);
        return;
    }
    bool ok = false;
    const QString note = QInputDialog::getText(this, tr("Note in Log"), tr("&Note:"),
                                               QLineEdit::Normal, QString(), &ok);
    logging.endNote(ok ? std::optional<QString>(note) : std::nullopt);
}
