#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/Installation.h"
#include "app/SettingsFile.h"
#include "app/Startup.h"
#include "comm/EcuProtocol.h"
#include "monitor/DataLog.h"
#include "monitor/DataWindow.h"
#include "monitor/StatusBarWidget.h"
#include "monitor/TimeHistoryWindow.h"
#include "record/AppState.h"
#include "record/UserInteraction.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>
#include <cmath>

namespace {
constexpr int kPollIntervalMs = 500;
constexpr const char* kCodeProperty = "windowCode";

struct Branding {
    const char* caption;
    const char* picture;
};

Branding brandingOf(int edition) {
    switch (edition) {
    case 2:
        return {"Gullwick - Vantrel by Marrowby", "board.jpg"};
    case 3:
        return {"Vantrel by Ostrand", "background3.jpg"};
    case 4:
        return {"Vantrel by Kelmsby", "kelmsby.jpg"};
    default:
        return {"Vantrel by Marrowby", "background.jpg"};
    }
}

QString chooseFileWithDialog(QWidget* parent, const QString& title, const QString& filter,
                             MainWindow::FileDialogMode mode) {
    using Mode = MainWindow::FileDialogMode;
    switch (mode) {
    case Mode::Open:
        return QFileDialog::getOpenFileName(parent, title, {}, filter);
    case Mode::OpenOrCreate:
    case Mode::Save:
        return QFileDialog::getSaveFileName(parent, title, {}, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    case Mode::SaveAsking:
        break;
    }
    return QFileDialog::getSaveFileName(parent, title, {}, filter);
}

} // namespace

MainWindow::MainWindow(AppState& state, UserInteraction& ui, SerialLink& link, Options options,
                       QWidget* parent)
    : QMainWindow(parent), m_state(state), m_ui(ui), m_link(link), m_options(std::move(options)),
      m_protocol(std::make_unique<EcuProtocol>(state, link, ui)),
      m_log(std::make_unique<DataLog>(state)) {
    setObjectName(QStringLiteral("frmMain"));
    QApplication::setWindowIcon(applicationIcon()); // every window, dialogs too
    if (!m_options.chooseFile) {
        m_options.chooseFile = [this](const QString& title, const QString& filter,
                                      FileDialogMode mode) {
            return chooseFileWithDialog(this, title, filter, mode);
        };
    }
    m_protocol->setOnlineObserver([this](EcuProtocol::OnlineChange) { onProtocolOffline(); });
    buildWindow();
    connectMenus();
    applyBranding();
    m_helpFile = m_options.manualPath.isEmpty() ? userManualPath() : m_options.manualPath;
    readSettings();
    applyDeveloperMode();
    if (m_options.portGiven) {
        m_protocol->openCommPort();
    } else if (m_state.display.ComPortNumber >= 1 && m_state.display.ComPortNumber <= 5) {
        selectComPort(m_state.display.ComPortNumber);
    }
    m_menus.comFuelLoadLine->setChecked(m_state.display.PlotLoadLineFuel);
    m_menus.comIgnLoadLine->setChecked(m_state.display.PlotLoadLineIgnition);
    m_menus.setup3DFuel->setChecked(m_state.display.Fuel3DPlotFlag);
    m_menus.setup3DIgnition->setChecked(m_state.display.Ignition3DPlotFlag);
    m_menus.setupDisplayFuelCrossHair->setChecked(m_state.display.DisplayFuelCrossHair);
    m_menus.setupDisplayIgnCrossHair->setChecked(m_state.display.DisplayIgnitionCrossHair);
    setupStatusBar();
    m_exitConfirmed = false;
    applyPlacement();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildWindow() {
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDIArea"));
    setCentralWidget(m_mdi);
    m_menus = buildMainMenus(*this);
    m_toolBars = buildMainToolBars(*this);
    m_statusBar = new StatusBarWidget(this);
    setStatusBar(m_statusBar);

    m_animation = new QLabel(this);
    m_animation->setObjectName(QStringLiteral("AnimationImage"));
    m_animation->setFixedSize(24, 24);
    m_animation->setToolTip(tr("ECU online"));
    m_animation->setWhatsThis(tr("Turns while the ECU answers the live data requests."));
    m_animation->hide();

    m_pollTimer = new QTimer(this);
    m_pollTimer->setObjectName(QStringLiteral("TimerMain"));
    m_pollTimer->setInterval(kPollIntervalMs);
    connect(m_pollTimer, &QTimer::timeout, this, &MainWindow::pollTick);

    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (window != nullptr) {
            m_activeWindow = window->property(kCodeProperty).toInt();
        }
    });
    connect(m_statusBar, &StatusBarWidget::panelClicked, this, [this](int number) {
        if (number == StatusBarView::kOnline + 1 && m_state.DeveloperMode) {
            m_state.EcuOnline = !m_state.EcuOnline;
            setupStatusBar();
        } else if (number == StatusBarView::kLog + 1) {
            setupLogData();
        }
    });
    connect(m_statusBar, &StatusBarWidget::panelDoubleClicked, this,
            [this](int) { closeLogFile(); });
}

void MainWindow::connectMenus() {
    const MainMenus& m = m_menus;
    auto on = [this](QAction* action, void (MainWindow::*slot)()) {
        connect(action, &QAction::triggered, this, slot);
    };
    auto onWindow = [this](QAction* action, const QString& name) {
        connect(action, &QAction::triggered, this, [this, name] { notAvailable(name); });
    };

    on(m.fileOpen, &MainWindow::fileOpen);
    on(m.fileCloseActiveWindow, &MainWindow::closeActiveWindow);
    on(m.fileSave, &MainWindow::fileSave);
    on(m.fileSaveAs, &MainWindow::fileSaveAs);
    onWindow(m.filePrint, tr("printed data report"));
    onWindow(m.filePrintPlot, tr("plot printing"));
    on(m.fileExit, &MainWindow::exitPrompt);

    on(m.engineFindEcu, &MainWindow::engineFindEcu);
    on(m.engineSetup, &MainWindow::engineSetup);
    onWindow(m.engineDefaultFuel, tr("default fuel table"));
    onWindow(m.engineDefaultIgnition, tr("default ignition table"));
    onWindow(m.sensorCheck, tr("diagnostics"));
    on(m.engineStop, &MainWindow::engineStop);
    onWindow(m.engineExtra, tr("extra parameters"));
    on(m.engineHigh, &MainWindow::engineHigh);

    connect(m.tuningFuel, &QAction::triggered, this,
            [this] { showEditorWithData(tr("fuel table")); });
    connect(m.tuningIgnition, &QAction::triggered, this,
            [this] { showEditorWithData(tr("ignition table")); });
    connect(m.tuningComp1, &QAction::triggered, this,
            [this] { showEditorWithData(tr("air/water/battery compensation")); });
    connect(m.tuningComp2, &QAction::triggered, this,
            [this] { showEditorWithData(tr("starting/accel/decel/cylinder compensation")); });
    onWindow(m.tuningIac, tr("idle air control"));
    on(m.tuningUserInputs, &MainWindow::tuningUserInputs);
    on(m.tuningEgo, &MainWindow::tuningEgo);
    connect(m.tuningLogData, &QAction::triggered, this, [this] {
        // The tick follows the logging state, not the click.
        m_menus.tuningLogData->setChecked(m_state.LogActive);
        setupLogData();
    });
    on(m.tuningSaveSettingsToEcu, &MainWindow::saveSettingsToEcu);

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
    connect(m.setup3DFuel, &QAction::triggered, this, [this] {
        m_menus.setup3DFuel->setChecked(m_state.display.Fuel3DPlotFlag);
        notAvailable(tr("fuel 3D plot"));
    });
    connect(m.setup3DIgnition, &QAction::triggered, this, [this] {
        m_menus.setup3DIgnition->setChecked(m_state.display.Ignition3DPlotFlag);
        notAvailable(tr("ignition 3D plot"));
    });

    on(m.helpContents, &MainWindow::helpContents);
    connect(m.helpWhatsThis, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    connect(m.helpWhatsThisAgain, &QAction::triggered, this,
            [] { QWhatsThis::enterWhatsThisMode(); });
    on(m.helpAbout, &MainWindow::helpAbout);

    on(m.testInvalidIsr, &MainWindow::testInvalidIsr);
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

void MainWindow::applyBranding() {
    const Branding b = brandingOf(m_state.Edition);
    setWindowTitle(QString::fromLatin1(b.caption));
    const QPixmap picture(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                          QString::fromLatin1(b.picture));
    if (m_state.Edition == 2) {
        m_mdi->setBackground(QColor(0, 0, 255));
    }
    if (!picture.isNull()) {
        m_mdi->setBackground(picture);
    }
}

double MainWindow::twipsPerPixel() const {
    const QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    const double dpi = s != nullptr ? s->logicalDotsPerInchX() : 96.0;
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

void MainWindow::readSettings() {
    ScreenMetrics metrics;
    metrics.twipsPerPixel = twipsPerPixel();
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        metrics.widthTwips = s->size().width() * metrics.twipsPerPixel;
        metrics.heightTwips = s->size().height() * metrics.twipsPerPixel;
    }
    readSettingsFile(m_state, m_options.settingsPath, metrics);
    if (!m_state.SettingsFileError && m_state.Edition == 2) {
        m_menus.engineDefaultFuel->setVisible(false);
        m_menus.engineDefaultIgnition->setVisible(false);
        m_menus.engineBar2->setVisible(false);
        m_menus.tuningUserInputs->setVisible(false);
    }
    if (m_state.SettingsFileError) {
        m_menus.engineExtra->setVisible(false);
        m_menus.tuningEgo->setVisible(false);
        m_menus.tuningBar3->setVisible(false);
    }
}

void MainWindow::applyDeveloperMode() {
    const bool developer = m_state.DeveloperMode;
    m_menus.test->menuAction()->setVisible(developer);
    m_menus.engineExtra->setVisible(developer);
    m_state.LogExtra = developer;
    m_menus.testLogExtra->setChecked(developer);
    if (!developer) {
        m_menus.tuningBar3->setVisible(false);
        m_state.display.DisplayGaugesFlag = false;
        m_menus.tuningIac->setVisible(false);
    }
}

void MainWindow::applyPlacement() {
    const WindowPlacement& p = m_state.display.MainWindow;
    const double tpp = twipsPerPixel();
    const auto px = [tpp](double twips) { return static_cast<int>(std::lround(twips / tpp)); };
    setGeometry(px(p.Left), px(p.Top), std::max(px(p.Width), 200), std::max(px(p.Height), 150));
    switch (p.State) {
    case 1:
        setWindowState(Qt::WindowMinimized);
        break;
    case 2:
        setWindowState(Qt::WindowMaximized);
        break;
    default:
        setWindowState(Qt::WindowNoState);
        break;
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placeAnimation();
}

void MainWindow::placeAnimation() {
    const double tpp = twipsPerPixel();
    const double widthTwips = width() * tpp;
    const double leftTwips = widthTwips < 5000 ? 5000 : widthTwips - 500;
    m_animation->move(static_cast<int>(leftTwips / tpp), static_cast<int>(100 / tpp));
    m_animation->raise();
}

// Child windows.

QMdiSubWindow* MainWindow::findChild(int code) const {
    for (QMdiSubWindow* w : m_mdi->subWindowList()) {
        if (w->property(kCodeProperty).toInt() == code) {
            return w;
        }
    }
    return nullptr;
}

QMdiSubWindow* MainWindow::showChild(QWidget* widget, int code) {
    QMdiSubWindow* sub = m_mdi->addSubWindow(widget);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setProperty(kCodeProperty, code);
    sub->show();
    m_mdi->setActiveSubWindow(sub);
    widget->setFocus();
    return sub;
}

DataWindow* MainWindow::dataWindow() const {
    QMdiSubWindow* sub = findChild(DataCode);
    return sub != nullptr ? qobject_cast<DataWindow*>(sub->widget()) : nullptr;
}

QWidget* MainWindow::timeHistoryWindow() const {
    QMdiSubWindow* sub = findChild(TimeHistoryCode);
    return sub != nullptr ? sub->widget() : nullptr;
}

void MainWindow::showDataWindow() {
    if (QMdiSubWindow* existing = findChild(DataCode)) {
        existing->show();
        m_mdi->setActiveSubWindow(existing);
        return;
    }
    auto* window = new DataWindow(m_state);
    connect(window, &DataWindow::closed, this, &MainWindow::dataWindowClosed);
    QMdiSubWindow* sub = showChild(window, DataCode);
    const double tpp = twipsPerPixel();
    const int narrower = static_cast<int>(std::lround(DataWindow::kNarrowerTwips / tpp));
    const int height = static_cast<int>(std::lround(DataWindow::kHeightTwips / tpp));
    sub->setGeometry(0, 0, std::max(m_mdi->viewport()->width() - narrower, 200),
                     std::max(height, sub->minimumSizeHint().height()));
}

void MainWindow::showTimeHistory() {
    if (QMdiSubWindow* existing = findChild(TimeHistoryCode)) {
        m_mdi->setActiveSubWindow(existing);
        return;
    }
    auto* window = new TimeHistoryWindow(m_state, m_protocol->commandSender(), m_ui);
    TimeHistoryWindow::LogHooks hooks;
    hooks.dataWindowOpen = [this] { return dataWindow() != nullptr; };
    hooks.setupLogData = [this] { setupLogData(); };
    hooks.log = m_log.get();
    hooks.openLogFile = [this] { return ensureLogFileOpen(); };
    hooks.loggingStopped = [this] { stopLogging(); };
    window->setLogHooks(std::move(hooks));
    QMdiSubWindow* sub = showChild(window, TimeHistoryCode);
    sub->resize(TimeHistoryWindow::openingSize(m_mdi->viewport()->size(), logicalDpiY()));
}

void MainWindow::notAvailable(const QString& windowName) {
    m_ui.message(tr("The %1 window is not available yet.").arg(windowName),
                 UserInteraction::Icon::Information);
}

void MainWindow::showEditorWithData(const QString& windowName) {
    showDataWindow();
    notAvailable(windowName);
}

void MainWindow::closeActiveWindow() {
    if (QMdiSubWindow* window = findChild(m_activeWindow)) {
        window->close();
    }
}

void MainWindow::unloadAllWindows() {
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        window->close();
    }
}

void MainWindow::modifySetup(bool enabled) {
    for (QAction* a : {m_menus.modifyAdd, m_menus.modifySubtract, m_menus.modifyMult,
                       m_menus.modifyDivide, m_menus.modifySmooth}) {
        a->setEnabled(enabled);
    }
}

// Menu commands that route before opening a window.

void MainWindow::engineSetup() {
    switch (m_state.Edition) {
    case 1:
    case 3:
        notAvailable(tr("engine setup"));
        break;
    case 2:
        m_ui.message(QStringLiteral("Gullwick Mode Not Supported"));
        break;
    default:
        break;
    }
}

void MainWindow::tuningUserInputs() {
    const auto& modes = m_state.settings.UserInputAnalogMode;
    const bool any = std::any_of(modes.begin(), modes.end(), [](int16_t m) { return m != 0; });
    if (any) {
        notAvailable(tr("user inputs"));
    } else {
        m_ui.message(QStringLiteral("No User Inputs Defined"));
    }
}

void MainWindow::tuningEgo() {
    const auto& modes = m_state.settings.UserInputAnalogMode;
    const bool ego = std::any_of(modes.begin(), modes.end(), [](int16_t m) { return m == 3; });
    if (!ego) {
        m_ui.message(QStringLiteral("EGO Channel Not Selected!\r\nGoto Setup"));
        return;
    }
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (window->property(kCodeProperty).toInt() != TimeHistoryCode) {
            window->close();
        }
    }
    notAvailable(tr("closed loop EGO"));
}

void MainWindow::helpContents() {
    if (!QFileInfo::exists(m_helpFile)) {
        m_ui.message(tr("The user manual %1 was not found.").arg(m_helpFile),
                     UserInteraction::Icon::Critical);
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(m_helpFile))) {
        m_ui.message(tr("No help viewer could open %1.").arg(m_helpFile),
                     UserInteraction::Icon::Critical);
    }
}

void MainWindow::helpAbout() {
    AboutBox about(this);
    about.exec();
}

// Shutdown.

void MainWindow::exitPrompt() {
    if (askExit()) {
        close();
    }
}

bool MainWindow::askExit() {
    m_exitConfirmed = true;
    if (m_state.EcuDataChanged && m_state.EcuOnline) {
        const auto answer =
            m_ui.message(QStringLiteral("Data in ECU has Changed!    Save it?"),
                         UserInteraction::Icon::None, UserInteraction::Buttons::YesNoCancel);
        if (answer == UserInteraction::Answer::Yes) {
            BusyGuard busy(m_ui);
            m_protocol->getEcuData(36);
        } else if (answer == UserInteraction::Answer::Cancel) {
            m_exitConfirmed = false;
        }
    }
    return m_exitConfirmed;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!m_exitConfirmed && !askExit()) {
        // A cancelled close still closes the child windows.
        unloadAllWindows();
        event->ignore();
        return;
    }
    unloadAllWindows();
    unloadWindow();
    event->accept();
}

void MainWindow::unloadWindow() {
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    m_pollTimer->stop();
    BusyGuard busy(m_ui);
    writeSettings();
    m_protocol->closeCommPort();
    closeLogFile();
}

void MainWindow::writeSettings() {
    MainWindowAtExit atExit;
    if (isMinimized()) {
        atExit.state = 1;
    } else if (isMaximized()) {
        atExit.state = 2;
    } else {
        const double tpp = twipsPerPixel();
        const QRect g = geometry();
        atExit.top = g.top() * tpp;
        atExit.left = g.left() * tpp;
        atExit.width = g.width() * tpp;
        atExit.height = g.height() * tpp;
    }
    const QByteArray bytes = settingsFileBytes(m_state, m_link.isOpen(), atExit);
    const QString problem = saveSettingsFile(m_options.settingsPath, bytes);
    if (!problem.isEmpty()) {
        m_ui.message(
            tr("The settings could not be saved to %1:\r\n%2").arg(m_options.settingsPath, problem),
            UserInteraction::Icon::Critical);
    }
}

// Start-up.

void MainWindow::runStartup() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (m_state.SettingsFileError) {
        m_ui.message(settingsFileErrorText(), UserInteraction::Icon::Information);
    }
    setupStatusBar();
    if (m_link.isOpen()) {
        m_state.AskBeforeSearch = true;
        findEcu();
    }
    enableCodeSections();
    if (m_state.EcuOnline) {
        getAllDataFromEcu();
    }
    setupStatusBar();
    m_state.StartupComplete = true;
    startPollTimer();
}
