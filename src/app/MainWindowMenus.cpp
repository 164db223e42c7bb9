// The main window's menus and toolbars: what each entry runs.

#include "app/MainWindow.h"
#include "config/IdleExtraWindows.h"
#include "monitor/LoggingController.h"
#include "plot3d/Plot3DViews.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"
#include "session/Session.h"
#include "tables/TableEditorWindow.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QWhatsThis>

void MainWindow::connectMenus() {
    const MainMenus& m = m_menus;
    auto on = [this](QAction* action, void (MainWindow::*slot)()) {
        connect(action, &QAction::triggered, this, slot);
    };

    on(m.fileOpen, &MainWindow::fileOpen);
    connect(m.fileCloseActiveWindow, &QAction::triggered, m_windows.get(),
            &WindowRegistry::closeActive);
    on(m.fileSave, &MainWindow::fileSave);
    on(m.fileSaveAs, &MainWindow::fileSaveAs);
    on(m.fileCompare, &MainWindow::fileCompare);
    on(m.fileSendAgain, &MainWindow::fileSendAgain);
    on(m.filePrint, &MainWindow::filePrint);
    on(m.filePrintPlot, &MainWindow::filePrintPlot);
    for (int i = 0; i < m.fileMru.size(); ++i) {
        connect(m.fileMru[i], &QAction::triggered, this, [this, i] { openRecentFile(i); });
    }
    on(m.fileExit, &MainWindow::exitPrompt);

    on(m.engineFindEcu, &MainWindow::findEcuCommand);
    on(m.engineSetup, &MainWindow::engineSetup);
    on(m.sensorCheck, &MainWindow::showSensorCheck);
    connect(m.engineStop, &QAction::triggered, m_session.get(), &Session::engineStop);
    connect(m.engineExtra, &QAction::triggered, this, [this] {
        if (!m_windows->raise(WindowCode::Extra)) {
            auto* extra = new ExtraWindow({m_state, *m_store, *m_session, &m_session->liveFeed()});
            connect(extra, &ExtraWindow::serialNumberChanged, this, [this] {
                StatusReporter& status = m_session->status();
                status.showIdentity(m_state.EcuOnline, m_state.identity);
                showStatusBar(status.view());
            });
            m_windows->show(extra, WindowCode::Extra, ownSize);
        }
    });
    connect(m.engineHigh, &QAction::triggered, m_session.get(), &Session::engineHigh);

    connect(m.tuningComp1, &QAction::triggered, this,
            [this] { showCurveWindow(WindowCode::Comp1); });
    on(m.tuningComp2, &MainWindow::showComp2Window);
    connect(m.tuningIac, &QAction::triggered, this, [this] {
        if (!m_windows->raise(WindowCode::Iac)) {
            m_windows->show(new IacWindow(*m_store), WindowCode::Iac, ownSize);
        }
    });
    on(m.tuningUserInputs, &MainWindow::tuningUserInputs);
    on(m.tuningEgo, &MainWindow::tuningEgo);
    connect(m.tuningLogData, &QAction::triggered, this, [this] {
        // The tick follows the logging state, not the click.
        m_menus.tuningLogData->setChecked(m_session->logging().active());
        setupLogData();
    });
    connect(m.tuningSaveSettingsToEcu, &QAction::triggered, m_session.get(),
            &Session::saveSettingsToEcu);
    connectDisplayMenu();
    connectTableMenus();
}

// The Window, Setup, Display, Help and Test menus and the toolbars.
void MainWindow::connectDisplayMenu() {
    const MainMenus& m = m_menus;
    auto on = [this](QAction* action, void (MainWindow::*slot)()) {
        connect(action, &QAction::triggered, this, slot);
    };

    connect(m.windowCascade, &QAction::triggered, this, [this] { m_mdi->cascadeSubWindows(); });
    connect(m.windowTileHorizontal, &QAction::triggered, this, [this] {
        // Tiling in rows: each child as wide as the area.
        const QList<QMdiSubWindow*> children = m_mdi->subWindowList();
        if (children.isEmpty()) {
            return;
        }
        const QRect area = m_mdi->viewport()->rect();
        const int h = area.height() / static_cast<int>(children.size());
        int y = 0;
        for (QMdiSubWindow* child : children) {
            child->showNormal();
            child->setGeometry(0, y, area.width(), h);
            y += h;
        }
    });
    connect(m.windowTileVertical, &QAction::triggered, this, [this] { m_mdi->tileSubWindows(); });

    for (int i = 0; i < m.comPort.size(); ++i) {
        connect(m.comPort[i], &QAction::triggered, this, [this, i] { selectComPort(i + 1); });
    }
    on(m.comPortChoose, &MainWindow::choosePortDevice);

    on(m.plotRealTime, &MainWindow::showTimeHistory);
    connect(m.comFuelLoadLine, &QAction::toggled, this,
            [this](bool on) { m_state.display.PlotLoadLineFuel = on; });
    connect(m.comIgnLoadLine, &QAction::toggled, this,
            [this](bool on) { m_state.display.PlotLoadLineIgnition = on; });
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

    on(m.helpContents, &MainWindow::helpContents);
    connect(m.helpWhatsThis, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    connect(m.helpWhatsThisAgain, &QAction::triggered, this,
            [] { QWhatsThis::enterWhatsThisMode(); });
    on(m.helpAbout, &MainWindow::helpAbout);

    connect(m.testInvalidIsr, &QAction::triggered, m_session.get(), &Session::testInvalidIsr);
    on(m.testInvalidCommand, &MainWindow::testInvalidCommand);
    on(m.testLogExtra, &MainWindow::testLogExtra);

    const QList<QAction*>& buttons = m_toolBars.myToolBarButtons;
    for (int i = 0; i < buttons.size(); ++i) {
        connect(buttons[i], &QAction::triggered, this, [this, i] { runToolBarButton(i); });
    }
    const QList<QAction*>& keyed = m_toolBars.tbButtons;
    for (int i = 0; i + 1 < keyed.size(); ++i) {
        connect(keyed[i], &QAction::triggered, this, [this, i] { runToolBarButton(i); });
    }
    for (int i = 0; i < buttons.size(); ++i) {
        const QList<QAction*> commands{m.fileOpen,     m.fileSave,       m.filePrint,
                                       m.tuningFuel,   m.tuningIgnition, m.tuningSaveSettingsToEcu,
                                       m.helpWhatsThis};
        buttons[i]->setWhatsThis(commands[i]->whatsThis());
        keyed[i]->setWhatsThis(commands[i]->whatsThis());
    }
}

void MainWindow::runToolBarButton(int index) {
    const QList<QAction*> commands{m_menus.fileOpen,       m_menus.fileSave,
                                   m_menus.filePrint,      m_menus.tuningFuel,
                                   m_menus.tuningIgnition, m_menus.tuningSaveSettingsToEcu,
                                   m_menus.helpWhatsThis};
    if (index < 0 || index >= commands.size()) {
        m_ui.message(QStringLiteral("Button Not Found"));
        return;
    }
    commands[index]->trigger();
}
