// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/SettingCodes.h"

#include <QList>

struct DisplaySettings;
class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

// Every command of the main window's menus, named after its menu item. The
// actions carry their captions, shortcuts, ticks and initial visibility; the
// main window connects them. The commands that show a window take their keys
// from the window table.
struct MainMenus {
    QMenu* file = nullptr;
    QAction* fileOpen = nullptr;
    QAction* fileOpenLog = nullptr; // a data log or CSV into the log review
    QAction* fileCloseActiveWindow = nullptr;
    QAction* fileSave = nullptr;
    QAction* fileSaveAs = nullptr;
    QAction* fileCompare = nullptr;
    // The tune history: snapshots, their differences and restores.
    QAction* fileHistory = nullptr;
    // Shown while the ECU holds part of a data file whose send was cut off.
    QAction* fileSendAgain = nullptr;
    QAction* filePrint = nullptr;
    QAction* filePrintPlot = nullptr;
    QList<QAction*> fileMru;
    QAction* fileMruBar = nullptr;
    QAction* fileExit = nullptr;

    QMenu* engine = nullptr;
    QAction* engineFindEcu = nullptr;
    QAction* engineSetup = nullptr;
    QAction* engineDefaultFuel = nullptr;
    QAction* engineDefaultIgnition = nullptr;
    QAction* engineBar2 = nullptr;
    QAction* sensorCheck = nullptr;
    QAction* engineStop = nullptr;
    QAction* engineExtra = nullptr;
    QAction* engineHigh = nullptr;

    QMenu* tuning = nullptr;
    QAction* tuningFuel = nullptr;
    QAction* tuningIgnition = nullptr;
    QAction* tuningComp1 = nullptr;
    QAction* tuningComp2 = nullptr;
    QAction* tuningIac = nullptr;
    QAction* tuningUserInputs = nullptr;
    QAction* tuningEgo = nullptr;
    QAction* tuningAutotune = nullptr; // the fuel table from the EGO sensor's readings
    QAction* tuningBar3 = nullptr;
    QAction* tuningLogData = nullptr;
    QAction* tuningLogNote = nullptr;    // a marker line with a note typed (F12)
    QAction* tuningLogMarkers = nullptr; // whether logs get marker lines
    QAction* tuningSaveSettingsToEcu = nullptr;

    QMenu* modify = nullptr;
    QAction* modifyAdd = nullptr;
    QAction* modifySubtract = nullptr;
    QAction* modifyMult = nullptr;
    QAction* modifyDivide = nullptr;
    QAction* modifySmooth = nullptr;
    QAction* modifyAddCurrent = nullptr;
    QAction* modifySubtractCurrent = nullptr;
    QAction* modifyMultCurrent = nullptr;
    QAction* modifyDivideCurrent = nullptr;

    QMenu* window = nullptr;
    QAction* windowDefault = nullptr;
    QAction* windowCascade = nullptr;
    QAction* windowTileHorizontal = nullptr;
    QAction* windowTileVertical = nullptr;

    QMenu* com = nullptr;
    QList<QAction*> comPort;          // ports 1..5 at 0..4
    QAction* comPortChoose = nullptr; // "Port...": maps a port number to a device

    QMenu* display = nullptr;
    QAction* plotRealTime = nullptr;
    QAction* displayGauges = nullptr; // dial, bar and number gauges of the live values
    QAction* comFuelLoadLine = nullptr;
    QAction* setup3DFuel = nullptr;
    QAction* setupDisplayFuelCrossHair = nullptr;
    QAction* comIgnLoadLine = nullptr;
    QAction* setup3DIgnition = nullptr;
    QAction* setupDisplayIgnCrossHair = nullptr;

    QMenu* help = nullptr;
    QAction* helpContents = nullptr;
    QAction* helpWhatsThis = nullptr;
    QAction* helpAbout = nullptr;

    // Shown only as the right-click menu of the 3D plots.
    QMenu* popup = nullptr;
    QAction* helpWhatsThisAgain = nullptr;
    QAction* popupClose = nullptr;
    QAction* popupZoom = nullptr;
    QAction* popupPrint = nullptr;

    QMenu* test = nullptr;
    QAction* testInvalidIsr = nullptr;
    QAction* testInvalidCommand = nullptr;
    QAction* testLogExtra = nullptr;

    // The Modify commands that act on the table editors (F5 to F9 and the
    // smart entries).
    QList<QAction*> modifyCommands() const;
};

// Builds the menu bar of the window with every menu, item and separator.
MainMenus buildMainMenus(QMainWindow& window);

// What the menus show once the settings file is read: edition 2 hides the
// default tables and the user inputs; without a usable file the extra
// parameters and the EGO entry are hidden.
void showForSettingsFile(MainMenus& menus, Edition edition, bool settingsFileError);
// Developer mode shows the Test menu, ticks Log Extra and shows the extra
// parameters; without it the idle air entry and the separator after the EGO
// entry are hidden too.
void showForDeveloperMode(MainMenus& menus, bool developer);
// The Display menu's ticks from the display flags.
void tickDisplayMenu(MainMenus& menus, const DisplaySettings& display);

// The two toolbars. MyToolBar holds the picture buttons 0..6; tbToolBar the
// keyed buttons, the last of which ("Animate") does nothing. Only MyToolBar is
// shown at first.
struct MainToolBars {
    QToolBar* myToolBar = nullptr;
    QList<QAction*> myToolBarButtons; // index 0..6
    QToolBar* tbToolBar = nullptr;
    QList<QAction*> tbButtons; // in key order
    // The menu command of each button index 0..6.
    QList<QAction*> commands;
};

// The toolbars, each button with the What's This line of its menu command.
MainToolBars buildMainToolBars(QMainWindow& window, const MainMenus& menus);
