// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/DataFileCommands.h"
#include "app/Installation.h"
#include "app/ModifyMenu.h"
#include "app/PageKeys.h"
#include "app/PrintCommands.h"
#include "app/RecentFilesMenu.h"
#include "app/SettingsFile.h"
#include "app/Startup.h"
#include "app/StatusBarPresenter.h"
#include "app/WindowTable.h"
#include "comm/EcuLine.h"
#include "history/HistoryRecorder.h"
#include "monitor/Acquisition.h"
#include "monitor/DataWindow.h"
#include "monitor/LoggingController.h"
#include "monitor/TimeHistoryWindow.h"
#include "plot3d/Plot3DViews.h"
#include "record/AppState.h"
#include "record/AreaFit.h"
#include "record/SettingCodes.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"
#include "review/LogDrop.h"
#include "review/LogReviewWindow.h"
#include "session/Session.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QUrl>
#include <cmath>

namespace {
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
      m_session(std::make_unique<Session>(state, ui, link, m_options.clock)),
      m_store(&m_session->store()),
      m_history(std::make_unique<HistoryRecorder>(ui, m_options.history)) {
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
    wireHistory();
    applyBranding();
    m_helpFile = m_options.manualPath.isEmpty() ? userManualPath() : m_options.manualPath;
    readSettings();
    applyDeveloperMode();
    if (m_options.portGiven) {
        m_session->openPort();
    } else if (m_state.display.ComPortNumber >= 1 && m_state.display.ComPortNumber <= 5) {
        selectComPort(m_state.display.ComPortNumber);
    }
    tickDisplayMenu(m_menus, m_state.display);
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
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] { m_status->placeIndicator(); });
    // The menu commands keep their keys while a child window has the focus.
    qApp->installEventFilter(this);
    qApp->installEventFilter(new PageKeys(this));
    new LogDrop(this, [this](const QString& path) { openLog(path); });
    m_menus = buildMainMenus(*this);
    m_toolBars = buildMainToolBars(*this, m_menus);
    m_status = std::make_unique<StatusBarPresenter>(
        StatusBarPresenter::Parts{m_state, *m_session, *this, m_menus.tuningLogData});
}

// The window shows what the session tells: the status bar presenter takes
// the status and the samples; a whole read closes the child windows first.
void MainWindow::wireParts() {
    m_session->setPump(m_options.pump);
    connect(m_session.get(), &Session::recordReplacing, this, &MainWindow::unloadAllWindows);
    connect(m_session.get(), &Session::codeSectionsChanged, this, &MainWindow::showEgoMenu);
    connect(m_session.get(), &Session::transferProgress, this, &MainWindow::showTransferProgress);

    LoggingController& logging = m_session->logging();
    logging.setFileChooser([this] {
        return m_options.chooseFile(QStringLiteral("Open"),
                                    QStringLiteral("log (*.log);;All Files (*.*)"),
                                    FileDialogMode::OpenOrCreate);
    });
    logging.setViews([this] { return dataWindow() != nullptr; },
                     [this] { return timeHistoryWindow() != nullptr; });
}

void MainWindow::openLog(const QString& path) {
    m_windowTable->show(WindowCode::LogReview);
    m_windows->find<LogReviewWindow>()->openLog(path);
}

void MainWindow::applyBranding() {
    const Branding b = brandingOf(m_state.Edition);
    m_files->setCaption(b.caption);
    const QPixmap picture(QCoreApplication::applicationDirPath() + QLatin1Char('/') + b.picture);
    if (m_state.Edition == Edition::Gullwick) {
        m_mdi->setBackground(QColor(0, 0, 255));
    }
    if (!picture.isNull()) {
        m_mdi->setBackground(picture);
    }
}

double MainWindow::twipsPerPixel() const {
    return ::twipsPerPixel(*this);
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
    showForSettingsFile(m_menus, m_state.Edition, m_state.SettingsFileError);
}

void MainWindow::applyDeveloperMode() {
    const bool developer = m_state.DeveloperMode;
    showForDeveloperMode(m_menus, developer);
    m_state.LogExtra = developer;
    if (!developer) {
        m_state.display.DisplayGaugesFlag = false;
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
    m_status->placeIndicator();
}

StatusBarWidget* MainWindow::statusBarWidget() const {
    return m_status->widget();
}

QLabel* MainWindow::animationImage() const {
    return m_status->indicator();
}

const StatusReporter& MainWindow::statusReporter() const {
    return m_status->reporter();
}

// Child windows.

DataWindow* MainWindow::dataWindow() const {
    return m_windows->find<DataWindow>();
}

QWidget* MainWindow::timeHistoryWindow() const {
    return m_windows->find<TimeHistoryWindow>();
}

int MainWindow::pixels(double twips) const {
    return static_cast<int>(std::lround(twips / twipsPerPixel()));
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
    connect(sub, &QMdiSubWindow::windowStateChanged, this, [this] { m_status->placeIndicator(); });
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
    // Before the search, whose read is its first snapshot.
    m_history->open();
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
