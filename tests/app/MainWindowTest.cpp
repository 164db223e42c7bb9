// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"
#include "RecordingInteraction.h"
#include "StoreRecord.h"
#include "app/QtInteraction.h"
#include "app/SettingsFile.h"
#include "app/Startup.h"
#include "comm/EcuLine.h"
#include "comm/EcuProtocol.h"
#include "comm/QtSerialLink.h"
#include "config/Comp2Window.h"
#include "files/EcuFile.h"
#include "monitor/Acquisition.h"
#include "monitor/DataWindow.h"
#include "monitor/LoggingController.h"
#include "monitor/StatusBarWidget.h"
#include "record/AppState.h"
#include "session/Session.h"
#ifdef VANTREL_HAVE_PTY
#include "sim/PtyServer.h"
#endif
#include "sim/SimulatedEcu.h"
#include "sim/SimulatedLink.h"
#include "tables/CurveWindow.h"
#include "tables/TableEditorWindow.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStyle>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>

namespace {
const QString kDeg = QString(QChar(176));

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        prepareStartupState(state);
        ecu.setClock([this] { return now; });
    }

    // Builds the window on the simulated ECU and runs the start-up.
    void start(bool runStartup = true) {
        MainWindow::Options options;
        options.settingsPath = settingsPath;
        options.history.path = dir.filePath(QStringLiteral("history.sqlite"));
        options.portGiven = true;
        options.screenSize = screenSize;
        options.chooseFile = [this](const QString& title, const QString&,
                                    MainWindow::FileDialogMode mode) {
            dialogTitles << title;
            dialogModes.push_back(mode);
            return chosenFile;
        };
        window = std::make_unique<MainWindow>(state, ui, link, options);
        window->show();
        if (runStartup) {
            window->runStartup();
        }
    }

    // Leaves a settings file of the given state where the window reads it.
    void writeSettings(const AppState& saved) {
        QFile ini(dir.filePath(QStringLiteral("Vantrel.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(settingsFileBytes(saved, true));
    }

    int count(const QString& text) const { return static_cast<int>(ui.texts().count(text)); }

    QString cell(int row, int column) const {
        const QTableWidgetItem* item = window->dataWindow()->grid()->item(row, column);
        return item != nullptr ? item->text() : QString();
    }

    QTemporaryDir dir;
    QString settingsPath = dir.filePath(QStringLiteral("Vantrel.ini"));
    qint64 now = 0;
    AppState state;
    RecordingInteraction ui;
    SimulatedEcu ecu;
    SimulatedLink link{&ecu};
    std::unique_ptr<MainWindow> window;
    QStringList dialogTitles;
    std::vector<MainWindow::FileDialogMode> dialogModes;
    QString chosenFile;
    QSize screenSize;
};

TEST_F(MainWindowTest, StartupFindsAndReadsTheSimulatedEcu) {
    EcuSettings image = SimulatedEcu::defaultImage();
    image.RevLimit = 7650;
    image.FuelTable[3][4] = 77;
    ecu.setSettings(image);
    start();

    const QStringList texts = ui.texts();
    ASSERT_GE(texts.size(), 3);
    EXPECT_EQ(texts[0], "INI file not found or file error\r\nUsing Default");
    EXPECT_EQ(ui.messages[0].icon, UserInteraction::Icon::Information);
    EXPECT_EQ(texts[1], "Search for ECU?");
    EXPECT_TRUE(texts[2].startsWith("Found ECU - Version 2.051"));
    EXPECT_TRUE(state.EcuOnline);
    EXPECT_TRUE(state.StartupComplete);
    EXPECT_EQ(window->store().settings().RevLimit, 7650);
    EXPECT_EQ(window->store().settings().FuelTable[3][4], 77);
    EXPECT_TRUE(window->pollTimerActive());
    EXPECT_EQ(window->statusBarWidget()->panel(2)->text(), "Online ");
    EXPECT_TRUE(window->statusBarWidget()->panel(15)->text().startsWith("ECU Version: 2.051"));
    // Outside developer mode a click on the online panel does nothing.
    emit window->statusBarWidget()->panelClicked(2);
    EXPECT_TRUE(state.EcuOnline);
}

#ifdef VANTREL_HAVE_PTY
TEST_F(MainWindowTest, StartupOverThePseudoTerminalSimulator) {
    PtySimulator simulator;
    simulator.setConfigure([](SimulatedEcu& e) { e.startEngine(); });
    QString problem;
    ASSERT_TRUE(simulator.start(&problem)) << problem.toStdString();
    QtSerialLink port;
    port.setDevice(simulator.devicePath());
    MainWindow::Options options;
    options.settingsPath = dir.filePath(QStringLiteral("Vantrel.ini"));
    options.history.path = dir.filePath(QStringLiteral("history.sqlite"));
    options.portGiven = true;
    MainWindow pty(state, ui, port, options);
    pty.runStartup();
    pty.stopPollTimer();
    EXPECT_TRUE(state.EcuOnline);
    pty.menus().tuningFuel->trigger();
    pty.pollTick();
    EXPECT_TRUE(state.EcuOnline);
    EXPECT_EQ(ui.texts().count("Communication Lost!"), 0);
    pty.close();
    simulator.stop();
}
#endif

TEST_F(MainWindowTest, DeclinedSearchStartsOfflineWithThePollTimerRunning) {
    ui.answers = {UserInteraction::Answer::Ok, UserInteraction::Answer::No};
    start();
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_TRUE(window->pollTimerActive());
    EXPECT_EQ(window->statusBarWidget()->panel(2)->text(), "Offline ");
    window->pollTick();
    EXPECT_FALSE(window->animationImage()->isVisible());
    // Logging needs the ECU.
    ui.clear();
    window->setupLogData();
    EXPECT_EQ(ui.texts(), QStringList{"ECU offline - no data to log!"});
    EXPECT_FALSE(window->session().logging().active());
}

TEST_F(MainWindowTest, DataWindowShowsLiveValuesInTheirFormats) {
    ecu.startEngine();
    now = 10000; // long past cranking: running
    start();
    ui.clear();
    window->menus().tuningFuel->trigger();
    ASSERT_NE(window->dataWindow(), nullptr);
    EXPECT_EQ(window->dataWindow()->windowTitle(), "Engine Data");
    // The fuel editor opens after the data window and takes the focus.
    EXPECT_EQ(window->activeWindow(), WindowCode::Fuel);
    EXPECT_TRUE(ui.messages.empty());

    window->pollTick();
    const SimulatedLiveValues live = ecu.liveValues();
    ASSERT_GT(live.enginePeriod, 0);
    // rpm = 60 / (period x 24 us), rounded, then cut to a multiple of 50.
    const long rpm = std::lround(60.0 / (live.enginePeriod * 0.000024)) / 50 * 50;
    EXPECT_EQ(cell(0, 0), "RPM");
    EXPECT_EQ(cell(0, 1), QString::number(rpm));
    const double volts = std::floor(live.battery * 158 / 255.0) / 10.0;
    EXPECT_EQ(cell(1, 5), QString::number(volts, 'f', 1) + " V");
    EXPECT_TRUE(cell(0, 7).endsWith(" ms"));
    EXPECT_TRUE(cell(1, 7).endsWith(" " + kDeg));
    EXPECT_TRUE(cell(0, 3).endsWith(" " + kDeg + "F"));
    EXPECT_TRUE(window->animationImage()->isVisible());
    EXPECT_EQ(window->acquisition().indicator().frame(), 7);
}

TEST_F(MainWindowTest, SilentEcuGivesExactlyOneCommunicationLost) {
    start();
    ASSERT_TRUE(state.EcuOnline);
    window->pollTick();
    EXPECT_TRUE(window->animationImage()->isVisible());
    ui.clear();

    ecu.setSilent(true);
    window->pollTick();
    window->pollTick();
    window->pollTick();

    EXPECT_EQ(count("Communication Lost!"), 1);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(window->statusBarWidget()->panel(2)->text(), "Offline ");
    EXPECT_FALSE(window->animationImage()->isVisible());
}

TEST_F(MainWindowTest, ExitPromptStoresOnYesAndCloses) {
    start();
    window->line().command(194); // a write: the ECU's working copy changed
    ASSERT_TRUE(state.EcuDataChanged);
    ui.clear();
    ui.answers = {UserInteraction::Answer::Yes};

    window->menus().fileExit->trigger();

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Data in ECU has Changed!    Save it?");
    EXPECT_EQ(ui.messages[0].buttons, UserInteraction::Buttons::YesNoCancel);
    EXPECT_EQ(ecu.storeCount(), 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(link.isOpen());
    EXPECT_TRUE(QFile::exists(dir.filePath("Vantrel.ini")));
}

TEST_F(MainWindowTest, CancelledCloseKeepsTheWindowButClosesItsChildren) {
    start();
    window->line().command(194);
    window->menus().tuningFuel->trigger();
    ASSERT_NE(window->dataWindow(), nullptr);
    ui.clear();
    ui.answers = {UserInteraction::Answer::Cancel};

    window->close();

    EXPECT_EQ(count("Data in ECU has Changed!    Save it?"), 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->exitConfirmed());
    EXPECT_EQ(ecu.storeCount(), 0);
    EXPECT_TRUE(window->mdiArea()->subWindowList().isEmpty());
    EXPECT_TRUE(link.isOpen());
}

TEST_F(MainWindowTest, NoPromptWithoutChangesAndSettingsWrittenAtExit) {
    start();
    ui.clear();
    window->close();
    EXPECT_TRUE(ui.messages.empty());
    QFile ini(dir.filePath("Vantrel.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readLine().startsWith("\"IniFile Version  #  \",2"));
}

TEST_F(MainWindowTest, FailedSettingsWriteIsReported) {
    // The settings path lies under a plain file, so it cannot be created.
    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    settingsPath = dir.filePath("blocker/Vantrel.ini");
    start(false);
    ui.clear();
    window->close();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].icon, UserInteraction::Icon::Critical);
    EXPECT_TRUE(ui.messages[0].text.contains("blocker/Vantrel.ini"));
}

TEST_F(MainWindowTest, RoutedCommandsShowTheirMessages) {
    start(false);
    ui.clear();
    recordOf(window->store()).UserInputAnalogMode = {0, 0, 0};
    window->menus().tuningUserInputs->trigger();
    window->menus().tuningEgo->trigger();
    window->runToolBarButton(7);
    EXPECT_EQ(ui.texts(),
              (QStringList{"No User Inputs Defined", "EGO Channel Not Selected!\r\nGoto Setup",
                           "Button Not Found"}));
    EXPECT_EQ(ui.messages[0].title, "Vantrel");
    recordOf(window->store()).UserInputAnalogMode = {0, 2, 0};
    window->menus().tuningUserInputs->trigger();
    EXPECT_NE(window->findChild<InputWindow*>(), nullptr);

    // Engine setup by edition.
    ui.clear();
    state.Edition = Edition::Kelmsby;
    window->menus().engineSetup->trigger();
    EXPECT_TRUE(ui.messages.empty());
    state.Edition = Edition::Gullwick;
    window->menus().engineSetup->trigger();
    EXPECT_EQ(ui.texts(), QStringList{"Gullwick Mode Not Supported"});
    state.Edition = Edition::Ostrand;
    window->menus().engineSetup->trigger();
    EXPECT_EQ(window->activeWindow(), WindowCode::Setup);
}

TEST_F(MainWindowTest, LoggingAsksForAFileAcceptingNewNamesAndAppends) {
    start();
    ui.clear();
    window->setupLogData();
    EXPECT_EQ(ui.texts(), QStringList{"No data to log!"});

    window->menus().tuningFuel->trigger(); // opens the data window
    ui.clear();
    chosenFile = dir.filePath("run.log");
    window->menus().tuningLogData->trigger();
    EXPECT_TRUE(window->session().logging().active());
    EXPECT_TRUE(window->menus().tuningLogData->isChecked());
    EXPECT_EQ(window->statusBarWidget()->panel(14)->text(), "Logging Data ");

    window->pollTick();
    window->pollTick();
    ASSERT_EQ(dialogTitles, QStringList{"Open"});
    EXPECT_EQ(dialogModes[0], MainWindow::FileDialogMode::OpenOrCreate);
    QFile log(chosenFile);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().split('\n');
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[0].trimmed(), QByteArray(110, '-'));
    EXPECT_TRUE(lines[2].startsWith("    Time"));

    // Switching off closes the file; switching on again asks again, and a
    // cancelled dialog switches logging off without a word.
    window->setupLogData();
    EXPECT_FALSE(window->session().logging().active());
    EXPECT_EQ(window->statusBarWidget()->panel(14)->text(), "Log Data");
    window->setupLogData();
    ui.clear();
    chosenFile.clear();
    window->pollTick();
    EXPECT_EQ(dialogTitles.size(), 2);
    EXPECT_FALSE(window->session().logging().active());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(window->menus().tuningLogData->isChecked());
}

TEST_F(MainWindowTest, DoubleClickOnTheLogPanelIsOneSwitchNotTwo) {
    // A double-click on panel 14 is one click (logging on) and one double-click
    // (close the log file, none being open); the release that ends the
    // double-click must not switch logging off again.
    start();
    window->menus().tuningFuel->trigger();
    ui.clear();
    QLabel* panel = window->statusBarWidget()->panel(14);
    const QPointF at(2, 2);
    auto send = [&](QEvent::Type type) {
        QMouseEvent event(type, at, panel->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(panel, &event);
    };
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    send(QEvent::MouseButtonDblClick);
    send(QEvent::MouseButtonRelease);
    EXPECT_TRUE(window->session().logging().active());
    EXPECT_EQ(panel->text(), "Logging Data ");
    EXPECT_TRUE(ui.messages.empty());

    // A later single click switches it off.
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    EXPECT_FALSE(window->session().logging().active());
    EXPECT_EQ(panel->text(), "Log Data");
}

TEST_F(MainWindowTest, ComPortFailureLeavesNoPortTicked) {
    start(false);
    link.setOpenError(QStringLiteral("no such device"));
    ui.clear();
    window->menus().comPort[2]->trigger();
    EXPECT_EQ(state.display.ComPortNumber, 3);
    for (QAction* a : window->menus().comPort) {
        EXPECT_FALSE(a->isChecked());
    }
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Com Port Error - no such device");
    EXPECT_FALSE(state.EcuOnline);
}
TEST_F(MainWindowTest, TimeHistoryOpensFromTheDisplayMenuAndCountsAsALogView) {
    start();
    window->menus().plotRealTime->trigger();
    ASSERT_NE(window->timeHistoryWindow(), nullptr);
    EXPECT_EQ(window->activeWindow(), WindowCode::TimeHistory);
    ui.clear();
    window->setupLogData();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(window->session().logging().active());

    // The EGO window closes every child except the plot.
    window->menus().tuningFuel->trigger();
    recordOf(window->store()).UserInputAnalogMode = {0, 3, 0};
    window->menus().tuningEgo->trigger();
    EXPECT_EQ(window->dataWindow(), nullptr);
    EXPECT_NE(window->timeHistoryWindow(), nullptr);
}
class DeveloperMainWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        AppState saved = state;
        saved.DeveloperMode = true;
        writeSettings(saved);
    }
};

TEST_F(DeveloperMainWindowTest, DeveloperWordShowsTheTestMenuAndTurnsOnLogExtra) {
    start();
    EXPECT_TRUE(state.DeveloperMode);
    EXPECT_TRUE(window->menus().test->menuAction()->isVisible());
    EXPECT_TRUE(window->menus().engineExtra->isVisible());
    EXPECT_TRUE(state.LogExtra);
    EXPECT_TRUE(window->menus().testLogExtra->isChecked());
    EXPECT_EQ(ui.texts().count(settingsFileErrorText()), 0);

    window->menus().testLogExtra->trigger();
    EXPECT_FALSE(state.LogExtra);
    EXPECT_FALSE(window->menus().testLogExtra->isChecked());
}

TEST_F(DeveloperMainWindowTest, InvalidCommandShowsTheReply) {
    start();
    window->stopPollTimer();
    ui.clear();
    link.clearWritten();
    window->menus().testInvalidCommand->trigger();
    EXPECT_EQ(link.written(), QByteArray(1, 5));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.startsWith("Sending Invalid Command:  Response = "));

    ui.clear();
    link.clearWritten();
    window->menus().testInvalidIsr->trigger();
    EXPECT_EQ(link.written(), QByteArray(1, 10));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DeveloperMainWindowTest, OnlinePanelClickTogglesOnline) {
    start();
    ASSERT_TRUE(state.EcuOnline);
    emit window->statusBarWidget()->panelClicked(2);
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(window->statusBarWidget()->panel(2)->text(), "Offline ");
}

TEST_F(MainWindowTest, GeometryKeptInTwipsAtTheScreenResolution) {
    AppState saved = state;
    saved.display.MainWindow = {1500, 1500, 10500, 6000, 0}; // top, left, width, height
    writeSettings(saved);
    start(false);
    const double tpp = window->twipsPerPixel();
    EXPECT_NEAR(tpp, 1440.0 / window->logicalDpiX(), 1e-9);
    const QRect g = window->geometry();
    EXPECT_EQ(g.left(), std::lround(1500 / tpp));
    EXPECT_EQ(g.width(), std::lround(10500 / tpp));

    window->close();
    AppState reread;
    prepareStartupState(reread);
    readSettingsFile(reread, dir.filePath(QStringLiteral("Vantrel.ini")), ScreenMetrics{});
    EXPECT_NEAR(reread.display.MainWindow.Left, 1500, tpp);
    EXPECT_NEAR(reread.display.MainWindow.Top, 1500, tpp);
    EXPECT_NEAR(reread.display.MainWindow.Width, 10500, tpp);
    EXPECT_NEAR(reread.display.MainWindow.Height, 6000, tpp);
}
TEST_F(MainWindowTest, MenuKeysWinOverTheKeysOfAChildWindow) {
    start();
    window->menus().plotRealTime->trigger();
    window->menus().tuningFuel->trigger();
    QApplication::setActiveWindow(window.get());
    QWidget* grid = window->dataWindow()->grid();
    QWidget* limitBox = window->timeHistoryWindow()->findChild<QLineEdit*>();
    ASSERT_NE(limitBox, nullptr);
    auto* fuel = window->findChild<FuelWindow*>();
    ASSERT_NE(fuel, nullptr);
    const struct {
        QWidget* focus;
        QKeyCombination keys;
        bool opensComp2; // else the active window closes
    } cases[] = {
        {fuel->grid(), Qt::CTRL | Qt::Key_A, true},
        {limitBox, Qt::CTRL | Qt::Key_A, true},
        {limitBox, Qt::CTRL | Qt::Key_C, false},
    };
    for (const auto& c : cases) {
        c.focus->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), c.focus);
        QTest::keyClick(c.focus, c.keys.key(), c.keys.keyboardModifiers());
        if (c.opensComp2) {
            auto* comp2 = window->findChild<Comp2Window*>();
            ASSERT_NE(comp2, nullptr);
            delete comp2->parentWidget();
        } else {
            EXPECT_EQ(window->timeHistoryWindow(), nullptr);
        }
    }
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_W, Qt::ControlModifier);
    EXPECT_NE(window->findChild<Comp1Window*>(), nullptr);
    // The editor's own keys act while its grid has the focus.
    const int before = window->store().settings().FuelTable[0][0];
    fuel->arithmetic(BlockArithmetic::Subtract);
    ASSERT_NE(window->store().settings().FuelTable[0][0], before);
    fuel->grid()->setFocus();
    QTest::keyClick(fuel->grid(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->store().settings().FuelTable[0][0], before);
}

TEST_F(MainWindowTest, FirstStartOnAnEightHundredPixelScreenOpensMaximisedAndFits) {
    screenSize = QSize(800, 600);
    ecu.startEngine();
    now = 10000;
    start();
    window->pollTick(); // every panel has its text: online, running, version
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    EXPECT_TRUE(window->isMaximized());
    EXPECT_FALSE(state.display.PlotLoadLineFuel);
    EXPECT_FALSE(state.display.PlotLoadLineIgnition);
    EXPECT_LE(window->minimumSizeHint().width(), 800);
}

TEST_F(MainWindowTest, OnlineIndicatorLeavesTheButtonsOfAMaximisedChildFree) {
    start();
    window->pollTick();
    ASSERT_TRUE(window->animationImage()->isVisible());
    window->menus().tuningFuel->trigger();
    window->mdiArea()->activeSubWindow()->showMaximized();
    QWidget* corner = window->menuBar()->cornerWidget(Qt::TopRightCorner);
    ASSERT_NE(corner, nullptr);
    const QRect buttons(corner->mapTo(window.get(), QPoint(0, 0)), corner->size());
    EXPECT_FALSE(window->animationImage()->geometry().intersects(buttons));
}

TEST_F(MainWindowTest, StatusPanelsKeepTheirPlacesWhenTheirTextsChange) {
    ui.answers = {UserInteraction::Answer::Ok, UserInteraction::Answer::No};
    start();
    auto places = [this] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        std::vector<QRect> rects;
        for (int number = 2; number <= 14; ++number) {
            QWidget* panel = window->statusBarWidget()->panel(number);
            rects.push_back(QRect(panel->mapTo(window.get(), QPoint(0, 0)), panel->size()));
        }
        return rects;
    };
    ASSERT_EQ(window->statusBarWidget()->panel(2)->text(), "Offline ");
    const std::vector<QRect> offline = places();
    window->menus().engineFindEcu->trigger();
    ASSERT_TRUE(state.EcuOnline);
    EXPECT_EQ(places(), offline);
    window->menus().tuningFuel->trigger();
    chosenFile = dir.filePath("run.log");
    window->setupLogData();
    ASSERT_EQ(window->statusBarWidget()->panel(14)->text(), "Logging Data ");
    EXPECT_EQ(places(), offline);
}

TEST_F(MainWindowTest, SendingAFileKeepsTheWindowPaintedAndHoldsOtherExchanges) {
    start();
    chosenFile = dir.filePath("tune.ecu");
    ASSERT_TRUE(saveEcuFile(chosenFile, window->store().settings()).ok());
    window->line().setPumpInterval(0);
    int pumps = 0;
    int ticksRun = 0;
    std::vector<int> progress;
    window->line().setPump([&] {
        ++pumps;
        EXPECT_TRUE(window->line().busy());
        ticksRun += window->acquisition().tick() ? 1 : 0;
        progress.push_back(ui.progressSteps);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    ui.clear();
    ui.progressSteps = 0;

    window->menus().fileOpen->trigger();

    EXPECT_GT(pumps, 700); // once for every command of the full send at least
    EXPECT_EQ(ticksRun, 0);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_GT(std::set<int>(progress.begin(), progress.end()).size(), 40u);
    EXPECT_EQ(ui.progressSteps, 42);
}

TEST(MessageBoxTest, ShortMessageLeavesRoomForTheTitle) {
    QtInteraction boxes;
    UserInteraction& ui = boxes;
    int width = 0;
    int needed = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        // The title beside the window icon and the title bar's buttons.
        QFont titleFont = box->font();
        titleFont.setBold(true);
        const int square = box->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, box);
        needed = QFontMetrics(titleFont).horizontalAdvance(box->windowTitle()) + 4 * square;
        width = box->width();
        box->done(QMessageBox::Ok);
    });
    ui.message(QStringLiteral("Data Saved!"));
    EXPECT_GT(needed, 0);
    EXPECT_GE(width, needed);
}
} // namespace

namespace {

TEST_F(MainWindowTest, ModifyMenuFollowsTheActiveTableEditor) {
    ecu.startEngine();
    now = 10000; // running
    start();
    window->stopPollTimer();
    const MainMenus& m = window->menus();
    EXPECT_FALSE(m.modifyAdd->isEnabled());

    m.tuningIgnition->trigger();
    ASSERT_EQ(window->activeWindow(), WindowCode::Ignition);
    EXPECT_NE(window->dataWindow(), nullptr);
    EXPECT_TRUE(m.modifyAdd->isEnabled() && m.modifySmooth->isEnabled());
    const int before = window->store().settings().IgnitionTable[0][0];
    link.clearWritten();
    m.modifyAdd->trigger(); // 0.5 degrees: one count on cell (1, 1)
    const int after = std::min(before + 1, 100);
    EXPECT_EQ(window->store().settings().IgnitionTable[0][0], after);
    EXPECT_EQ(link.written(), QByteArray("\xF1\x00\x00", 3) + char(after));

    m.tuningFuel->trigger();
    ASSERT_EQ(window->activeWindow(), WindowCode::Fuel);
    EXPECT_TRUE(m.modifyAdd->isEnabled());
    window->mdiArea()->setActiveSubWindow(
        qobject_cast<QMdiSubWindow*>(window->dataWindow()->parentWidget()));
    EXPECT_FALSE(m.modifyAdd->isEnabled());

    // The load plot switch builds the open editor again with the new layout.
    m.comFuelLoadLine->trigger();
    auto* fuel = window->findChild<FuelWindow*>();
    ASSERT_NE(fuel, nullptr);
    EXPECT_EQ(fuel->loadPlot() != nullptr, state.display.PlotLoadLineFuel);
}

} // namespace
