// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/FileChooser.h"
#include "app/MenuBuilder.h"
#include "app/WindowRegistry.h"
#include "comm/SerialPorts.h"
#include "history/TuneHistory.h"

#include <QMainWindow>
#include <QSize>
#include <functional>
#include <memory>

struct AppState;
class Acquisition;
class DataFileCommands;
class DataWindow;
class EcuLine;
class HistoryRecorder;
class ModifyMenu;
class Plot3DViews;
class QAction;
class QPrinter;
class PrintCommands;
class RecentFilesMenu;
class QKeySequence;
class QMdiSubWindow;
class QLabel;
class QMdiArea;
struct ReconnectQuestion;
class SerialLink;
class Session;
class SettingsStore;
class StatusBarPresenter;
struct TransferProgress;
class StatusBarWidget;
class StatusReporter;
class UserInteraction;
class WindowTable;

// The program's main window: a multiple-document area holding every tool
// window, the menus and toolbars, the status bar and the online indicator.
// The session does the work (the settings store, the ECU line, the
// acquisition of live values, logging and the ECU commands); the window
// shows it, and runs the window table with the registry of open windows.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    using FileDialogMode = ::FileDialogMode;
    using FileChooser = ::FileChooser;

    struct Options {
        // Where the settings file is read at start and written at exit.
        QString settingsPath;
        // Milliseconds of the steady clock the samples' times come from; the
        // time since the window was made when left empty.
        std::function<qint64()> clock;
        // The file dialogs; the platform's dialogs when left empty.
        FileChooser chooseFile;
        // Points the serial link at COM port 1..5 before it is opened; empty
        // when the link cannot be moved (a simulated ECU in tests).
        std::function<void(int port)> choosePort;
        // A device opened at start instead of the stored port number.
        bool portGiven = false;
        // That device, which Setup > Port... lists as the current one until
        // a COM port is chosen.
        QString givenDevice;
        // Keeps the window painted while an exchange waits on the line; by
        // default pending events other than user input are processed.
        std::function<void()> pump;
        // The screen size in pixels that a first start sizes the window for;
        // the primary screen's when not valid.
        QSize screenSize;
        // The serial ports that Setup > Port... lists; the system's when empty.
        SerialPortLister listPorts;
        // The user manual that Help > Contents opens; the installed one when
        // empty.
        QString manualPath;
        // Where the recent data files are kept; the user's own list when empty.
        QString recentFilesPath;
        // The print dialog (title): sets up the printer and returns false when
        // cancelled; the platform's dialog when left empty.
        std::function<bool(QPrinter& printer, const QString& title)> choosePrinter;
        // The tune history's database and timings; the per-user database
        // when the path is empty.
        TuneHistoryOptions history;
    };

    MainWindow(AppState& state, UserInteraction& ui, SerialLink& link, Options options,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up after the window is shown: settings message, search, full
    // read, poll timer.
    void runStartup();

    // Operations the tool windows use.
    void setupStatusBar();
    void setupLogData();
    void unloadAllWindows();

    // The poll timer.
    void startPollTimer();
    void stopPollTimer();
    bool pollTimerActive() const;
    // Runs one tick now, as the timer does every 500 ms.
    void pollTick();

    // The toolbar's picture buttons by index; any other index is reported.
    void runToolBarButton(int index);

    // Asks about unsaved ECU changes and closes the window unless cancelled.
    void exitPrompt();

    // Reads a data log or CSV file into the log review window, opening it
    // when it is not open (File > Open Log..., a log dropped on the window,
    // a log named on the command line).
    void openLog(const QString& path);

    // Accessors for the program's own checks and for tests.
    const MainMenus& menus() const { return m_menus; }
    const MainToolBars& toolBars() const { return m_toolBars; }
    StatusBarWidget* statusBarWidget() const;
    QMdiArea* mdiArea() const { return m_mdi; }
    DataWindow* dataWindow() const;
    QWidget* timeHistoryWindow() const;
    QLabel* animationImage() const;
    const StatusReporter& statusReporter() const;
    WindowCode activeWindow() const { return m_windows->activeWindow(); }
    bool exitConfirmed() const { return m_exitConfirmed; }
    Session& session() { return *m_session; }
    EcuLine& line();
    SettingsStore& store() { return *m_store; }
    Acquisition& acquisition();
    Plot3DViews& plots3d() { return *m_plots; }
    double twipsPerPixel() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildWindow();
    void wireParts();
    void connectMenus();
    void connectDisplayMenu();
    void applyBranding();
    void readSettings();
    void applyDeveloperMode();
    void applyPlacement();
    // A place kept from a larger screen, or a window grown past the screen's
    // edge, comes back onto the screen.
    void keepOnScreen();
    void writeSettings();
    void unloadWindow();
    // The exit question; true when the program may close.
    bool askExit();

    // Twips as whole pixels of this window's screen.
    int pixels(double twips) const;
    // A child window keeps none of the keys of the menu commands.
    void childAdded(QMdiSubWindow* window);
    // The menu bar's command with this shortcut, if any.
    QAction* menuCommandFor(const QKeySequence& keys) const;

    // Menu commands.
    void selectComPort(int port);
    void choosePortDevice();
    void helpContents();
    void helpAbout();
    void testInvalidCommand();
    void testLogExtra();
    // Tuning > Note in Log... (F12): asks for a note and writes it as a
    // marker where the key was pressed.
    void noteInLog();

    void showEgoMenu(bool show);
    // The full send's progress bar.
    void showTransferProgress(const TransferProgress& progress);

    // The tune history (MainWindowHistory.cpp): the recorder on the signals of
    // the ECU commands and the file commands, the question after a search,
    // and the restore of a whole snapshot.
    void wireHistory();
    void askReconnect(const ReconnectQuestion& question);
    // Puts a whole snapshot in place of the settings and sends it when the
    // ECU is online; path is the data file it came from, if any.
    void restoreSnapshot(const EcuSettings& settings, const QString& path);

    AppState& m_state;
    UserInteraction& m_ui;
    SerialLink& m_link;
    Options m_options;
    std::unique_ptr<Session> m_session;
    // The session's store, which most windows get.
    SettingsStore* m_store = nullptr;
    std::unique_ptr<WindowRegistry> m_windows;
    std::unique_ptr<WindowTable> m_windowTable;
    std::unique_ptr<ModifyMenu> m_modifyMenu;
    std::unique_ptr<StatusBarPresenter> m_status;
    std::unique_ptr<Plot3DViews> m_plots;
    std::unique_ptr<RecentFilesMenu> m_recentFiles;
    std::unique_ptr<DataFileCommands> m_files;
    std::unique_ptr<PrintCommands> m_print;
    std::unique_ptr<HistoryRecorder> m_history;

    MainMenus m_menus;
    MainToolBars m_toolBars;
    QMdiArea* m_mdi = nullptr;

    bool m_exitConfirmed = false;
    bool m_unloaded = false;
    QString m_helpFile;
    // Why the settings file was refused unread, for the start-up message.
    QString m_settingsRefusal;
};
