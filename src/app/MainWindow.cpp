#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/Installation.h"
#include "app/PageKeys.h"
#include "app/SettingsFile.h"
#include "app/Startup.h"
#include "comm/EcuLine.h"
#include "config/SetupWindow.h"
#include "files/RecentFiles.h"
#include "monitor/Acquisition.h"
#include "monitor/DataWindow.h"
#include "monitor/LoggingController.h"
#include "monitor/StatusBarWidget.h"
#include "monitor/TimeHistoryWindow.h"
#include "plot3d/Plot3DViews.h"
#include "record/AppState.h"
#include "record/AreaFit.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"
#include "session/Session.h"
#include "tables/TableUndoHistory.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>
#include <cmath>

namespace {
// Pixels between the online indicator and a maximised child's buttons.
constexpr int kIndicatorGap = 4;

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
    if (mode == MainWindow::FileDialogMode::Open) {
        return QFileDialog::getOpenFileName(parent, title, {}, filter);
    }
    return QFileDialog::getSaveFileName(parent, title, {}, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

} // namespace

MainWindow::MainWindow(AppState& state, UserInteraction& ui, SerialLink& link, Options options,
                       QWidget* parent)
    : QMainWindow(parent), m_state(state), m_ui(ui), m_link(link), m_options(std::move(options)),
      m_session(std::make_unique<Session>(state, ui, link)), m_store(&m_session->store()),
      m_recentFiles(std::make_unique<RecentFiles>(m_options.recentFilesPath.isEmpty()
                                                      ? RecentFiles::defaultPath()
                                                      : m_options.recentFilesPath)) {
    setObjectName(QStringLiteral("frmMain"));
    QApplication::setWindowIcon(applicationIcon()); // every window, dialogs too
    if (!m_options.chooseFile) {
        m_options.chooseFile = [this](const QString& title, const QString& filter,
                                      FileDialogMode mode) {
            return chooseFileWithDialog(this, title, filter, mode);
        };
    }
    if (!m_options.pump) {
        m_options.pump = [] {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        };
    }
    buildWindow();
    wireParts();
    connectMenus();
    showRecentFiles();
    applyBranding();
    m_helpFile = m_options.manualPath.isEmpty() ? userManualPath() : m_options.manualPath;
    readSettings();
    applyDeveloperMode();
    if (m_options.portGiven) {
        m_session->openPort();
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

EcuLine& MainWindow::line() {
    return m_session->line();
}

Acquisition& MainWindow::acquisition() {
    return m_session->acquisition();
}

MainWindow::~MainWindow() {
    // The child windows go down first, while the parts they use still exist
    // (a box with the focus takes its entry as it goes); their last signals
    // must not reach this window.
    disconnect(m_mdi, nullptr, this, nullptr);
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        disconnect(window, nullptr, this, nullptr);
    }
    qDeleteAll(m_mdi->subWindowList());
}

void MainWindow::buildWindow() {
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDIArea"));
    setCentralWidget(m_mdi);
    m_windows = std::make_unique<WindowRegistry>(m_mdi);
    connect(m_windows.get(), &WindowRegistry::windowAdded, this, &MainWindow::childAdded);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &MainWindow::placeAnimation);
    // The menu commands keep their keys while a child window has the focus.
    qApp->installEventFilter(this);
    qApp->installEventFilter(new PageKeys(this));
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

    connect(m_statusBar, &StatusBarWidget::panelClicked, this, [this](int number) {
        if (number == StatusBarView::kOnline + 1 && m_state.DeveloperMode) {
            m_state.EcuOnline = !m_state.EcuOnline;
            setupStatusBar();
        } else if (number == StatusBarView::kLog + 1) {
            setupLogData();
        }
    });
    connect(m_statusBar, &StatusBarWidget::panelDoubleClicked, &m_session->logging(),
            &LoggingController::closeLogFile);
}

// The window shows what the session tells; the indicator turns with each
// sample, before the child windows take it.
void MainWindow::wireParts() {
    m_session->setPump(m_options.pump);
    connect(m_session.get(), &Session::statusChanged, this, &MainWindow::showStatusBar);
    connect(&m_session->liveFeed(), &LiveFeed::sampled, this, &MainWindow::showIndicator);
    connect(m_session.get(), &Session::loggingChanged, this, &MainWindow::showLogging);
    connect(m_session.get(), &Session::recordReplacing, this, &MainWindow::unloadAllWindows);
    connect(m_session.get(), &Session::codeSectionsChanged, this, &MainWindow::showEgoMenu);

    LoggingController& logging = m_session->logging();
    logging.setFileChooser([this] {
        return m_options.chooseFile(QStringLiteral("Open"),
                                    QStringLiteral("log (*.log);;All Files (*.*)"),
                                    FileDialogMode::OpenOrCreate);
    });
    logging.setViews([this] { return dataWindow() != nullptr; },
                     [this] { return timeHistoryWindow() != nullptr; });
}

void MainWindow::applyBranding() {
    const Branding b = brandingOf(m_state.Edition);
    m_caption = QString::fromLatin1(b.caption);
    setWindowTitle(m_caption);
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
    QSize size = m_options.screenSize;
    if (!size.isValid()) {
        if (const QScreen* s = QGuiApplication::primaryScreen()) {
            size = s->size();
        }
    }
    if (size.isValid()) {
        metrics.widthTwips = size.width() * metrics.twipsPerPixel;
        metrics.heightTwips = size.height() * metrics.twipsPerPixel;
    }
    const SettingsReadResult read = readSettingsFile(m_state, m_options.settingsPath, metrics);
    if (read.refused) {
        m_settingsRefusal = read.problem;
    }
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
    setGeometry(pixels(p.Left), pixels(p.Top), std::max(pixels(p.Width), 200),
                std::max(pixels(p.Height), 150));
    keepOnScreen();
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

void MainWindow::keepOnScreen() {
    if (windowState() != Qt::WindowNoState) {
        return;
    }
    const QScreen* s = QGuiApplication::screenAt(geometry().center());
    if (s == nullptr) {
        s = QGuiApplication::primaryScreen();
    }
    if (s != nullptr) {
        setGeometry(keepInside(geometry(), s->availableGeometry(),
                               minimumSizeHint().expandedTo(minimumSize())));
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
    int left = static_cast<int>(leftTwips / tpp);
    // A maximised child window puts its buttons at the right end of the menu
    // bar; the indicator stays left of them.
    const QMenuBar* bar = menuBar();
    const QWidget* buttons = bar->cornerWidget(Qt::TopRightCorner);
    if (buttons != nullptr && !buttons->isHidden()) {
        const int buttonsLeft = bar->x() + bar->width() - buttons->sizeHint().width();
        left = std::min(left, buttonsLeft - m_animation->width() - kIndicatorGap);
    }
    m_animation->move(left, static_cast<int>(100 / tpp));
    m_animation->raise();
}

// Child windows.

DataWindow* MainWindow::dataWindow() const {
    return m_windows->find<DataWindow>();
}

QWidget* MainWindow::timeHistoryWindow() const {
    return m_windows->find<TimeHistoryWindow>();
}

void MainWindow::showDataWindow() {
    if (m_windows->raise(WindowCode::Data)) {
        return;
    }
    auto* window = new DataWindow(*m_store, &m_session->liveFeed());
    connect(window, &DataWindow::closed, &m_session->logging(),
            &LoggingController::dataWindowClosed);
    // As tall as its two rows: the windows below it are placed by that.
    m_windows->show(window, WindowCode::Data, [this](const QMdiSubWindow& sub) {
        return QRect(0, 0, childWidth(), sub.sizeHint().height());
    });
}

int MainWindow::pixels(double twips) const {
    return static_cast<int>(std::lround(twips / twipsPerPixel()));
}

int MainWindow::childWidth() const {
    return std::max(m_mdi->viewport()->width() - pixels(DataWindow::kNarrowerTwips), 200);
}

int MainWindow::belowDataWindow(int topTwips) const {
    const QMdiSubWindow* data = m_windows->find(WindowCode::Data);
    const int shift = data != nullptr ? data->height() - pixels(DataWindow::kHeightTwips) : 0;
    return pixels(topTwips) + shift;
}

void MainWindow::showTimeHistory() {
    if (m_windows->raise(WindowCode::TimeHistory)) {
        return;
    }
    auto* window = new TimeHistoryWindow(m_state, m_ui, m_session->liveFeed());
    // At the area's top left, whatever else is open, so that it opens whole.
    m_windows->show(window, WindowCode::TimeHistory, [this](const QMdiSubWindow&) {
        return QRect(QPoint(0, 0),
                     TimeHistoryWindow::openingSize(m_mdi->viewport()->size(), logicalDpiY()));
    });
}

void MainWindow::showSetupWindow() {
    if (m_windows->raise(WindowCode::Setup)) {
        return;
    }
    auto* window =
        new SetupWindow({m_state, *m_store, *m_session, m_ui, *m_windows, &m_session->liveFeed()});
    m_windows->show(window, WindowCode::Setup, ownSize);
}

void MainWindow::childAdded(QMdiSubWindow* sub) {
    // The child's own window menu claims keys for closing it (Ctrl+W on some
    // desktops) that belong to the menu commands; it keeps the others.
    if (QMenu* menu = sub->systemMenu()) {
        for (QAction* action : menu->actions()) {
            QList<QKeySequence> keys = action->shortcuts();
            keys.removeIf([this](const QKeySequence& k) { return menuCommandFor(k) != nullptr; });
            action->setShortcuts(keys);
        }
    }
    connect(sub, &QMdiSubWindow::windowStateChanged, this, &MainWindow::placeAnimation);
}

QAction* MainWindow::menuCommandFor(const QKeySequence& keys) const {
    for (const QAction* top : menuBar()->actions()) {
        if (top->menu() == nullptr) {
            continue;
        }
        for (QAction* action : top->menu()->actions()) {
            if (action->shortcuts().contains(keys)) {
                return action;
            }
        }
    }
    return nullptr;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // A widget of a child window asks for the keys it handles itself before
    // shortcuts run; it does not get those of an available menu command.
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType() &&
        m_mdi->isAncestorOf(static_cast<QWidget*>(watched))) {
        const QAction* command =
            menuCommandFor(QKeySequence(static_cast<QKeyEvent*>(event)->keyCombination()));
        if (command != nullptr && command->isEnabled()) {
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::unloadAllWindows() {
    m_windows->closeAll();
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
        showSetupWindow();
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
        showCurveWindow(WindowCode::Input);
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
    m_windows->closeAllExcept(WindowCode::TimeHistory);
    showEgoWindow();
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
            m_session->storeQuietly();
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
    m_session->acquisition().stop();
    BusyGuard busy(m_ui);
    m_plots->closeForExit(); // their positions go into the settings file
    writeSettings();
    m_session->closePort();
    m_session->logging().closeLogFile();
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
        // A file that is there but was refused is named, so that the user
        // can see why the defaults are used.
        m_ui.message(settingsFileErrorText() +
                         (m_settingsRefusal.isEmpty()
                              ? QString()
                              : QStringLiteral("\r\n\r\n") + m_settingsRefusal),
                     UserInteraction::Icon::Information);
    }
    if (const QString problem = m_recentFiles->problem(); !problem.isEmpty()) {
        m_ui.message(tr("The list of recent files was not read: %1").arg(problem),
                     UserInteraction::Icon::Warning);
    }
    setupStatusBar();
    if (m_link.isOpen()) {
        m_state.AskBeforeSearch = true;
        m_session->findEcu();
    }
    m_session->enableCodeSections();
    if (m_state.EcuOnline) {
        m_session->getAllDataFromEcu();
    }
    setupStatusBar();
    // The status bar's texts may have made the window wider.
    keepOnScreen();
    m_state.StartupComplete = true;
    m_plots->openAtStartup();
    startPollTimer();
}
