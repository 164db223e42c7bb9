// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MenuBuilder.h"

#include "record/AppState.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>

namespace {
QAction* item(QMenu* menu, const char* name, const char* caption, const QKeySequence& keys = {},
              const char* help = nullptr) {
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(keys);
    if (help != nullptr) {
        a->setWhatsThis(QString::fromUtf8(help));
        a->setStatusTip({});
    }
    return a;
}

QAction* separator(QMenu* menu, const char* name = nullptr) {
    QAction* s = menu->addSeparator();
    if (name != nullptr) {
        s->setObjectName(QString::fromLatin1(name));
    }
    return s;
}

QMenu* menu(QMainWindow& window, const char* name, const char* caption) {
    QMenu* m = window.menuBar()->addMenu(QString::fromUtf8(caption));
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name));
    return m;
}

void checkable(QAction* a, bool checked) {
    a->setCheckable(true);
    a->setChecked(checked);
}

void disabled(std::initializer_list<QAction*> actions) {
    for (QAction* a : actions) {
        a->setEnabled(false);
    }
}

void hidden(std::initializer_list<QAction*> actions) {
    for (QAction* a : actions) {
        a->setVisible(false);
    }
}

// The pictures of the table and ECU buttons, drawn because no desktop theme
// has them: a small grid with the table's letter, and a chip with an arrow.
QIcon drawnIcon(const QString& letter, const QColor& colour, bool chip = false) {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (chip) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(60, 60, 60));
        p.drawRect(5, 3, 14, 14);
        for (int y = 5; y < 17; y += 4) {
            p.drawLine(2, y, 5, y);
            p.drawLine(19, y, 22, y);
        }
        p.setPen(QPen(colour, 2));
        p.drawLine(12, 13, 12, 22);
        p.drawLine(8, 18, 12, 22);
        p.drawLine(16, 18, 12, 22);
    } else {
        p.setPen(QPen(Qt::gray, 1));
        p.setBrush(Qt::white);
        p.drawRect(1, 1, 21, 21);
        for (int i = 6; i < 22; i += 5) {
            p.drawLine(i, 1, i, 22);
            p.drawLine(1, i, 22, i);
        }
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(16);
        p.setFont(f);
        p.setPen(colour);
        p.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, letter);
    }
    return QIcon(pm);
}

QIcon themeIcon(const char* name, const QIcon& fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name), fallback);
}

QIcon animateIcon() {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 160, 0));
    p.drawEllipse(QPoint(12, 12), 8, 8);
    return QIcon(pm);
}
} // namespace

QList<QAction*> MainMenus::modifyCommands() const {
    return {modifyAdd,
            modifySubtract,
            modifyMult,
            modifyDivide,
            modifySmooth,
            modifyAddCurrent,
            modifySubtractCurrent,
            modifyMultCurrent,
            modifyDivideCurrent};
}

MainMenus buildMainMenus(QMainWindow& window) {
    MainMenus m;

    m.file = menu(window, "mnuFile", "&File");
    m.fileOpen = item(m.file, "mnuFileOpen", "&Open...", QKeySequence(Qt::CTRL | Qt::Key_O),
                      "Loads an ECU data file (.ecu) and sends its settings to the ECU.");
    m.fileOpenLog = item(m.file, "mnuFileOpenLog", "Open &Log...",
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
                         "Reads a data log (.log) or a CSV file back into the log review: "
                         "stacked plots against time and a scatter plot.");
    m.fileCloseActiveWindow =
        item(m.file, "mnuFileCloseActiveWindow", "&Close Active Window",
             QKeySequence(Qt::CTRL | Qt::Key_C), "Closes the tool window that was used last.");
    separator(m.file);
    m.fileSave = item(m.file, "mnuFileSave", "&Save", {},
                      "Saves the settings to the current ECU data file.");
    m.fileSaveAs = item(m.file, "mnuFileSaveAs", "Save &As...", {},
                        "Saves the settings to a new ECU data file.");
    m.fileCompare = item(m.file, "mnuFileCompare", "Co&mpare with ECU...", {},
                         "Lists the values in which a data file differs from the settings in "
                         "the program; nothing is sent.");
    m.fileHistory = item(m.file, "mnuFileHistory", "&History...", {},
                         "Lists every kept state of the tune: read from or sent to the ECU, "
                         "stored in it, data files opened and saved. Compares them and restores "
                         "a whole snapshot, a table, a curve or a setting.");
    m.fileSendAgain = item(m.file, "mnuFileSendAgain", "Se&nd Again", {},
                           "Sends the data file again whose send to the ECU was cut off, so "
                           "that the ECU holds all of it.");
    m.fileSendAgain->setVisible(false);
    separator(m.file);
    m.filePrint = item(m.file, "mnuFilePrint", "&Print Data...", {},
                       "Prints a report of all settings and tables.");
    m.filePrintPlot =
        item(m.file, "mnuFilePrintPlot", "Print Plo&t...", {}, "Prints the time history plot.");
    separator(m.file);
    for (int i = 1; i <= 3; ++i) {
        QAction* mru = m.file->addAction(QString());
        mru->setObjectName(QStringLiteral("mnuFileMRU%1").arg(i));
        mru->setVisible(false);
        m.fileMru << mru;
    }
    m.fileMruBar = separator(m.file, "mnuFileBar3");
    m.fileMruBar->setVisible(false);
    m.fileExit = item(m.file, "mnuFileExit", "E&xit", {}, "Ends the program.");

    m.engine = menu(window, "mnuEngine", "&Engine");
    m.engineFindEcu =
        item(m.engine, "mnuEngineFindECU", "Find EC&U", QKeySequence(Qt::CTRL | Qt::Key_U),
             "Searches for the ECU on the selected com port and reads all of its "
             "settings.");
    m.engineSetup = item(m.engine, "mnuEngineSetup", "&Setup", {}, "Engine and sensor setup.");
    separator(m.engine, "mnuEngineBar1");
    m.engineDefaultFuel = item(m.engine, "mnuEngineDefaultFuel", "Default &Fuel Table", {},
                               "Builds a default fuel table from a few engine figures.");
    m.engineDefaultIgnition =
        item(m.engine, "mnuEngineDefaultIgnition", "Default &Ignition Table", {},
             "Builds a default ignition table from a few engine figures.");
    m.engineBar2 = separator(m.engine, "mnuEngineBar2");
    m.sensorCheck = item(m.engine, "mnuSensorCheck", "&Diagnostics", {},
                         "Checks the sensors and tests the outputs.");
    m.engineStop = item(m.engine, "mnuEngineStop", "S&top Engine",
                        QKeySequence(Qt::CTRL | Qt::Key_K), "Makes the ECU stop the engine.");
    m.engineExtra = item(m.engine, "mnuEngineExtra", "&Extra", {}, "Extra ECU parameters.");
    m.engineHigh = item(m.engine, "mnuEngineHigh", "&High Speed Data", {},
                        "Reads the fuel table from the ECU in one block.");
    hidden({m.engineExtra, m.engineHigh});

    m.tuning = menu(window, "mnuTuning", "&Tuning");
    m.tuningFuel =
        item(m.tuning, "mnuTuningFuel", "&Fuel", {}, "Opens the fuel table with the engine data.");
    m.tuningIgnition = item(m.tuning, "mnuTuningIgnition", "&Ignition", {},
                            "Opens the ignition table with the engine data.");
    separator(m.tuning, "mnuTuningBar1");
    m.tuningComp1 = item(m.tuning, "mnuTuningComp1", "&Air/Water/Battery Compensation", {},
                         "Fuel and ignition compensation for air and water temperature and "
                         "battery voltage.");
    m.tuningComp2 = item(m.tuning, "mnuTuningComp2", "Starting/Accel/&Decel/Cylinder Compensation",
                         {}, "Starting, acceleration, deceleration and cylinder compensation.");
    m.tuningIac =
        item(m.tuning, "mnuTuningIAC", "I&dle Air Control", {}, "Idle air control settings.");
    m.tuningUserInputs = item(m.tuning, "mnuTuningUserInputs", "&User Inputs", {},
                              "Curves of the analog user inputs.");
    separator(m.tuning, "mnuTuningBar2");
    m.tuningEgo = item(m.tuning, "mnuTuningEGO", "&Closed Loop EGO", {},
                       "Closed-loop control from the exhaust gas oxygen sensor.");
    m.tuningEgo->setVisible(false);
    m.tuningAutotune = item(m.tuning, "mnuTuningAutotune", "Au&totune...", {},
                            "Corrects the fuel table from the EGO sensor's readings in logs or "
                            "in the live data.");
    m.tuningBar3 = separator(m.tuning, "mnuTuningBar3");
    m.tuningLogData =
        item(m.tuning, "mnuTuningLogData", "&Log Data", QKeySequence(Qt::CTRL | Qt::Key_L),
             "Switches logging of the engine data to a .log file on or off.");
    m.tuningLogData->setCheckable(true);
    // F12 is a key no other command uses, at the end of the row where a hand
    // finds it without looking.
    m.tuningLogNote =
        item(m.tuning, "mnuTuningLogNote", "&Note in Log...", QKeySequence(Qt::Key_F12),
             "While logging, writes a marker line with a note you type into the "
             "log, where you pressed the key.");
    m.tuningLogMarkers =
        item(m.tuning, "mnuTuningLogMarkers", "Log &Markers", {},
             "Marker lines in the log: where the link was lost and found, where the poll "
             "came late, and your notes. Untick it for the bare layout of records.");
    checkable(m.tuningLogMarkers, true);
    m.tuningSaveSettingsToEcu =
        item(m.tuning, "mnuTuningSaveSettingsToEcu", "&Save Settings to ECU",
             QKeySequence(Qt::CTRL | Qt::Key_S),
             "Makes the ECU keep its present settings when the power is off.");

    m.modify = menu(window, "mnuModify", "&Modify");
    m.modifyAdd = item(m.modify, "mnuModifyAdd", "Add", QKeySequence(Qt::Key_F5),
                       "Adds a value to the marked cells of the active table.");
    m.modifySubtract = item(m.modify, "mnuModifySubtract", "Subtract", QKeySequence(Qt::Key_F6),
                            "Subtracts a value from the marked cells of the active table.");
    m.modifyMult = item(m.modify, "mnuModifyMult", "Multiply", QKeySequence(Qt::Key_F7),
                        "Multiplies the marked cells of the active table.");
    m.modifyDivide = item(m.modify, "mnuModifyDivide", "Divide", QKeySequence(Qt::Key_F8),
                          "Divides the marked cells of the active table.");
    m.modifySmooth = item(m.modify, "mnuModifySmooth", "Smooth", QKeySequence(Qt::Key_F9),
                          "Smooths the marked cells of the active table.");
    m.modifyAddCurrent =
        item(m.modify, "mnuModifyAddCurrent", "Smart Add", QKeySequence(Qt::SHIFT | Qt::Key_F5));
    m.modifySubtractCurrent = item(m.modify, "mnuModifySubtractCurrent", "Smart Subtract",
                                   QKeySequence(Qt::SHIFT | Qt::Key_F6));
    m.modifyMultCurrent = item(m.modify, "mnuModifyMultCurrent", "Multiply Current",
                               QKeySequence(Qt::CTRL | Qt::Key_F7));
    m.modifyDivideCurrent = item(m.modify, "mnuModifyDivideCurrent", "Divide Current",
                                 QKeySequence(Qt::CTRL | Qt::Key_F8));
    disabled({m.modifyAdd, m.modifySubtract, m.modifyMult, m.modifyDivide, m.modifySmooth,
              m.modifyAddCurrent, m.modifySubtractCurrent, m.modifyMultCurrent,
              m.modifyDivideCurrent});
    hidden(
        {m.modifyAddCurrent, m.modifySubtractCurrent, m.modifyMultCurrent, m.modifyDivideCurrent});

    m.window = menu(window, "mnuWindow", "&Window");
    m.windowDefault = item(m.window, "mnuWindowDefault", "&Default");
    m.windowCascade = item(m.window, "mnuWindowCascade", "&Cascade");
    m.windowTileHorizontal = item(m.window, "mnuWindowTileHorizontal", "Tile &Horizontal");
    m.windowTileVertical = item(m.window, "mnuWindowTileVertical", "Tile &Vertical");
    hidden({m.windowDefault, m.window->menuAction()});

    m.com = menu(window, "mnuCom", "&Setup");
    for (int port = 1; port <= 5; ++port) {
        QAction* a = m.com->addAction(QStringLiteral("Com Port &%1").arg(port));
        a->setObjectName(QStringLiteral("mnuComPort%1").arg(port));
        a->setCheckable(true);
        a->setWhatsThis(QStringLiteral("Talks to the ECU on serial port COM%1.").arg(port));
        m.comPort << a;
    }
    separator(m.com);
    m.comPortChoose = item(m.com, "mnuComPortChoose", "&Port...", {},
                           "Lists the serial ports of this machine and chooses the one a COM "
                           "port number stands for.");

    m.display = menu(window, "mnuDisplay", "&Display");
    m.plotRealTime = item(m.display, "mnuPlotRealTime", "&Time History", {},
                          "Plots engine values against time.");
    m.displayGauges = item(m.display, "mnuDisplayGauges", "&Gauges", {},
                           "Shows the live values as dial, bar and number gauges that turn amber "
                           "and red in their warning and danger ranges.");
    separator(m.display);
    m.comFuelLoadLine = item(m.display, "mnuComFuelLoadLine", "&Fuel Load Line Display", {},
                             "Shows the load line beside the fuel table.");
    m.setup3DFuel = item(m.display, "mnuSetup3DFuel", "Fuel 3D Plot Display", {},
                         "Shows the fuel table as a 3D surface.");
    m.setupDisplayFuelCrossHair =
        item(m.display, "mnuSetupDisplayFuelCrossHair", "Fuel CrossHair Display", {},
             "Marks the operating point on the fuel table.");
    separator(m.display);
    m.comIgnLoadLine = item(m.display, "mnuComIgnLoadLine", "&Ignition Load Line Display", {},
                            "Shows the load line beside the ignition table.");
    m.setup3DIgnition = item(m.display, "mnuSetup3DIgnition", "Ignition 3D Plot Display", {},
                             "Shows the ignition table as a 3D surface.");
    m.setupDisplayIgnCrossHair =
        item(m.display, "mnuSetupDisplayIgnCrossHair", "Ignition CrossHair Display", {},
             "Marks the operating point on the ignition table.");
    checkable(m.comFuelLoadLine, false);
    checkable(m.setup3DFuel, false);
    checkable(m.setupDisplayFuelCrossHair, true);
    checkable(m.comIgnLoadLine, false);
    checkable(m.setup3DIgnition, false);
    checkable(m.setupDisplayIgnCrossHair, false);

    m.help = menu(window, "mnuHelp", "&Help");
    m.helpContents = item(m.help, "mnuHelpContents", "&Contents", QKeySequence(Qt::Key_F1),
                          "Opens the help file.");
    separator(m.help)->setVisible(false);
    m.helpWhatsThis =
        item(m.help, "mnuHelpWhatsThis", "&What's This?", QKeySequence(Qt::SHIFT | Qt::Key_F1),
             "Click this, then click any control to read what it does.");
    separator(m.help);
    m.helpAbout = item(m.help, "mnuHelpAbout", "&About", {}, "Shows the program's version.");

    m.popup = new QMenu(QStringLiteral("Popup"), &window);
    m.popup->setObjectName(QStringLiteral("mnuPopup"));
    m.helpWhatsThisAgain = item(m.popup, "mnuHelpWhatsThisAgain", "&What's This?");
    m.helpWhatsThisAgain->setVisible(false);
    m.popupClose = item(m.popup, "mnuPopupClose", "Close");
    m.popupZoom = item(m.popup, "mnuPopupZoom", "Zoom/UnZoom");
    separator(m.popup);
    m.popupPrint = item(m.popup, "mnuPopupPrint", "Print");

    m.test = menu(window, "mnuTest", "Test");
    m.testInvalidIsr = item(m.test, "mnuTestInvalidIRS", "Invalid ISR");
    m.testInvalidCommand = item(m.test, "mnuTestInvalidCommand", "Invalid Command");
    m.testLogExtra = item(m.test, "mnuTestLogExtra", "Log Extra");
    m.testLogExtra->setCheckable(true);

    return m;
}

void showForSettingsFile(MainMenus& m, Edition edition, bool settingsFileError) {
    if (!settingsFileError && edition == Edition::Gullwick) {
        hidden({m.engineDefaultFuel, m.engineDefaultIgnition, m.engineBar2, m.tuningUserInputs});
    }
    if (settingsFileError) {
        hidden({m.engineExtra, m.tuningEgo, m.tuningBar3});
    }
}

void showForDeveloperMode(MainMenus& m, bool developer) {
    m.test->menuAction()->setVisible(developer);
    m.engineExtra->setVisible(developer);
    m.testLogExtra->setChecked(developer);
    if (!developer) {
        hidden({m.tuningBar3, m.tuningIac});
    }
}

void tickDisplayMenu(MainMenus& m, const DisplaySettings& display) {
    m.comFuelLoadLine->setChecked(display.PlotLoadLineFuel);
    m.comIgnLoadLine->setChecked(display.PlotLoadLineIgnition);
    m.setup3DFuel->setChecked(display.Fuel3DPlotFlag);
    m.setup3DIgnition->setChecked(display.Ignition3DPlotFlag);
    m.setupDisplayFuelCrossHair->setChecked(display.DisplayFuelCrossHair);
    m.setupDisplayIgnCrossHair->setChecked(display.DisplayIgnitionCrossHair);
}

MainToolBars buildMainToolBars(QMainWindow& window, const MainMenus& menus) {
    MainToolBars t;
    t.commands = {menus.fileOpen,     menus.fileSave,       menus.filePrint,
                  menus.tuningFuel,   menus.tuningIgnition, menus.tuningSaveSettingsToEcu,
                  menus.helpWhatsThis};
    struct Button {
        const char* key;
        QIcon icon;
        const char* tip;
    };
    const QList<Button> buttons{
        {"Open", themeIcon("document-open", drawnIcon(QStringLiteral("O"), Qt::darkYellow)),
         "Open"},
        {"Save", themeIcon("document-save", drawnIcon(QStringLiteral("S"), Qt::darkBlue)), "Save"},
        {"Print", themeIcon("document-print", drawnIcon(QStringLiteral("P"), Qt::black)), "Print"},
        {"Fuel Table", drawnIcon(QStringLiteral("F"), QColor(0, 0, 200)), "Fuel Table"},
        {"Ignition Table", drawnIcon(QStringLiteral("I"), QColor(200, 0, 0)), "Ignition Table"},
        {"Save To Ecu", drawnIcon({}, QColor(0, 170, 0), true), "Save To Ecu"},
        {"Whats This?",
         themeIcon("help-whatsthis", themeIcon("help-contextual", drawnIcon("?", Qt::darkGreen))),
         "What's This?"},
    };

    t.myToolBar = window.addToolBar(QStringLiteral("Toolbar"));
    t.myToolBar->setObjectName(QStringLiteral("MyToolBar"));
    for (int i = 0; i < buttons.size(); ++i) {
        QAction* a = t.myToolBar->addAction(buttons[i].icon, QString::fromLatin1(buttons[i].tip));
        a->setObjectName(QStringLiteral("MyToolBarButton%1").arg(i));
        a->setWhatsThis(t.commands[i]->whatsThis());
        t.myToolBarButtons << a;
    }

    t.tbToolBar = window.addToolBar(QStringLiteral("Second Toolbar"));
    t.tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    for (int i = 0; i < buttons.size(); ++i) {
        const Button& b = buttons[i];
        QAction* a = t.tbToolBar->addAction(b.icon, QString::fromLatin1(b.tip));
        a->setObjectName(QString::fromLatin1(b.key));
        a->setData(QString::fromLatin1(b.key));
        a->setWhatsThis(t.commands[i]->whatsThis());
        t.tbButtons << a;
    }
    QAction* animate = t.tbToolBar->addAction(animateIcon(), QStringLiteral("Animate"));
    animate->setObjectName(QStringLiteral("Animate"));
    animate->setData(QStringLiteral("Animate"));
    t.tbButtons << animate;
    // The keyed toolbar repeats the picture buttons, so it starts hidden; the
    // toolbar area's context menu shows it.
    t.tbToolBar->setVisible(false);
    return t;
}
