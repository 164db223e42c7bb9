#pragma once

#include "app/MenuBuilder.h"
#include "comm/SerialPorts.h"
#include "monitor/Poll.h"
#include "monitor/StatusReport.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

struct AppState;
struct DiscoveryHooks;
struct TransferHooks;
class DataLog;
class DataWindow;
class EcuProtocol;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QTimer;
class SerialLink;
class StatusBarWidget;
class UserInteraction;

// The program's main window: a multiple-document area holding every tool
// window, the menus and toolbars, the status bar, the online indicator and
// the poll timer.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Codes of the child windows as recorded in activeWindow().
    enum WindowCode {
        NoWindow = 0,
        FuelCode = 1,
        DataCode = 2,
        ChargeCode = 3,
        Comp1Code = 5,
        Comp2Code = 6,
        DefaultFuelCode = 7,
        DefaultIgnitionCode = 8,
        IgnitionCode = 9,
        InputCode = 10,
        TimeHistoryCode = 11,
    };

    // How a file dialog behaves: Open needs an existing file; OpenOrCreate
    // takes a new name too (a log file that exists is appended to); Save
    // takes any name without asking; SaveAsking asks before replacing a file.
    enum class FileDialogMode { Open, OpenOrCreate, Save, SaveAsking };
    // Shows a file dialog (title, filter) and returns the chosen path, or an
    // empty text when cancelled.
    using FileChooser =
        std::function<QString(const QString& title, const QString& filter, FileDialogMode mode)>;

    struct Options {
        // Where the settings file is read at start and written at exit.
        QString settingsPath;
        // The file dialogs; the platform's dialogs when left empty.
        FileChooser chooseFile;
        // Points the serial link at COM port 1..5 before it is opened; empty
        // when the link cannot be moved (a simulated ECU in tests).
        std::function<void(int port)> choosePort;
        // A device opened at start instead of the stored port number.
        bool portGiven = false;
        // The serial ports that Setup > Port... lists; the system's when empty.
        SerialPortLister listPorts;
        // The user manual that Help > Contents opens; the installed one when
        // empty.
        QString manualPath;
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
    void modifySetup(bool enabled);
    void findEcu();
    void getAllDataFromEcu();
    void sendAllDataToEcu();
    void enableCodeSections();

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

    // Accessors for the program's own checks and for tests.
    const MainMenus& menus() const { return m_menus; }
    const MainToolBars& toolBars() const { return m_toolBars; }
    StatusBarWidget* statusBarWidget() const { return m_statusBar; }
    QMdiArea* mdiArea() const { return m_mdi; }
    DataWindow* dataWindow() const;
    QWidget* timeHistoryWindow() const;
    QLabel* animationImage() const { return m_animation; }
    const OnlineIndicator& onlineIndicator() const { return m_indicator; }
    const StatusReporter& statusReporter() const { return m_reporter; }
    int activeWindow() const { return m_activeWindow; }
    bool exitConfirmed() const { return m_exitConfirmed; }
    EcuProtocol& protocol() { return *m_protocol; }
    double twipsPerPixel() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildWindow();
    void connectMenus();
    void applyBranding();
    void readSettings();
    void applyDeveloperMode();
    void applyPlacement();
    void writeSettings();
    void unloadWindow();
    // The exit question; true when the program may close.
    bool askExit();

    // Child windows.
    QMdiSubWindow* showChild(QWidget* widget, int code);
    QMdiSubWindow* findChild(int code) const;
    void showDataWindow();
    void showTimeHistory();
    void notAvailable(const QString& windowName);
    void showEditorWithData(const QString& windowName);
    void closeActiveWindow();

    // Menu commands.
    void engineSetup();
    void tuningUserInputs();
    void tuningEgo();
    void selectComPort(int port);
    void choosePortDevice();
    void engineFindEcu();
    void engineStop();
    void engineHigh();
    void saveSettingsToEcu();
    void helpContents();
    void helpAbout();
    void testInvalidCommand();
    void testInvalidIsr();
    void testLogExtra();
    void fileOpen();
    void fileSave();
    void fileSaveAs();
    void setCurrentFile(const QString& path);
    void writeDataFile();
    void readDataFile();

    // Logging.
    void logData();
    bool ensureLogFileOpen();
    void stopLogging();
    void closeLogFile();
    void dataWindowClosed();

    DiscoveryHooks discoveryHooks();
    TransferHooks transferHooks();
    void showEgoMenu(bool show);

    void onProtocolOffline();
    void showStatusBar();
    void showIndicator();
    void placeAnimation();

    AppState& m_state;
    UserInteraction& m_ui;
    SerialLink& m_link;
    Options m_options;
    std::unique_ptr<EcuProtocol> m_protocol;
    std::unique_ptr<DataLog> m_log;

    MainMenus m_menus;
    MainToolBars m_toolBars;
    QMdiArea* m_mdi = nullptr;
    StatusBarWidget* m_statusBar = nullptr;
    QLabel* m_animation = nullptr;
    QTimer* m_pollTimer = nullptr;

    StatusReporter m_reporter;
    OnlineIndicator m_indicator;
    int m_activeWindow = NoWindow;
    bool m_exitConfirmed = false;
    bool m_unloaded = false;
    QString m_helpFile;
};
