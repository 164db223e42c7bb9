// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands as the user runs them: each window from its menu
// entry and its keys, the other command keys, and the toolbar buttons.

#include "SimulatedMainWindow.h"
#include "app/SettingsFile.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QWhatsThis>

#include <functional>

namespace {

class MenuCommandsTest : public SimulatedMainWindow {
protected:
    // Starts on an ECU with user input 2 in EGO mode; the developer word
    // shows every entry that opens a window.
    void startWith(bool developer) {
        EcuSettings image = SimulatedEcu::defaultImage();
        image.UserInputAnalogMode = {0, 3, 0};
        ecu.setSettings(image);
        if (developer) {
            AppState saved = state;
            saved.DeveloperMode = true;
            QFile ini(dir.filePath(QStringLiteral("Vantrel.ini")));
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write(settingsFileBytes(saved, true));
        }
        MainWindow::Options options;
        options.manualPath = dir.filePath(QStringLiteral("missing-manual.html"));
        options.chooseFile = [this](const QString& title, const QString&,
                                    MainWindow::FileDialogMode) {
            dialogs << title;
            return QString();
        };
        options.choosePrinter = [this](QPrinter&, const QString& title) {
            dialogs << title;
            return false;
        };
        start(options);
        QApplication::setActiveWindow(window.get());
        ui.clear();
    }

    // The entry of a menu of the bar, both named by their captions.
    QAction* entry(const QString& menu, const QString& item) const {
        for (QAction* top : window->menuBar()->actions()) {
            if (top->text() == menu && top->menu() != nullptr) {
                for (QAction* a : top->menu()->actions()) {
                    if (a->text() == item) {
                        return a;
                    }
                }
            }
        }
        return nullptr;
    }

    void press(const QKeySequence& keys) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : window.get(), keys[0].key(),
                        keys[0].keyboardModifiers());
        settle();
    }

    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    int count(const char* className) const {
        int n = 0;
        for (const QMdiSubWindow* sub : window->mdiArea()->subWindowList()) {
            n += sub->widget()->inherits(className) ? 1 : 0;
        }
        return n;
    }

    // The one window of the class, in front and holding the focus.
    QMdiSubWindow* expectInFront(const char* className) const {
        QMdiSubWindow* active = window->mdiArea()->activeSubWindow();
        EXPECT_TRUE(active != nullptr && active->widget()->inherits(className));
        EXPECT_EQ(count(className), 1);
        const QWidget* focus = QApplication::focusWidget();
        EXPECT_TRUE(active != nullptr && focus != nullptr &&
                    (focus == active->widget() || active->widget()->isAncestorOf(focus)));
        return active;
    }

    QStringList dialogs;
};

// Every window with its menu entry, the keys the entry shows and runs (none
// where it has none), and whether the data window opens above it.
struct WindowCommand {
    const char* menu;
    const char* item;
    const char* keys;
    const char* window;
    bool withData;
};

const WindowCommand kWindowCommands[] = {
    {"&Engine", "&Setup", "Ctrl+E", "SetupWindow", false},
    {"&Engine", "Default &Fuel Table", "", "DefaultFuelWindow", false},
    {"&Engine", "Default &Ignition Table", "", "DefaultIgnitionWindow", false},
    {"&Engine", "&Diagnostics", "Ctrl+D", "SensorCheckWindow", false},
    {"&Engine", "&Extra", "", "ExtraWindow", false},
    {"&Tuning", "&Fuel", "Ctrl+F", "FuelWindow", true},
    {"&Tuning", "&Ignition", "Ctrl+I", "IgnWindow", true},
    {"&Tuning", "&Air/Water/Battery Compensation", "Ctrl+W", "Comp1Window", true},
    {"&Tuning", "Starting/Accel/&Decel/Cylinder Compensation", "Ctrl+A", "Comp2Window", true},
    {"&Tuning", "I&dle Air Control", "", "IacWindow", false},
    {"&Tuning", "&User Inputs", "Ctrl+N", "InputWindow", false},
    {"&Tuning", "&Closed Loop EGO", "", "EgoWindow", false},
    {"&Display", "&Time History", "", "TimeHistoryWindow", false},
    {"&File", "&History...", "Ctrl+H", "HistoryWindow", false},
    {"&Display", "&Gauges", "Ctrl+G", "GaugesWindow", false},
    {"&Tuning", "Au&totune...", "Ctrl+T", "AutotuneWindow", false},
};

TEST_F(MenuCommandsTest, EveryWindowOpensFromItsEntryAndKeysComesToTheFrontAndCloses) {
    startWith(true);
    const WindowCommand& diagnostics = kWindowCommands[3];
    const WindowCommand& history = kWindowCommands[12];
    for (const WindowCommand& c : kWindowCommands) {
        SCOPED_TRACE(c.item);
        window->unloadAllWindows();
        settle();
        QAction* command = entry(c.menu, c.item);
        ASSERT_NE(command, nullptr);
        EXPECT_TRUE(command->isVisible() && command->isEnabled());
        EXPECT_EQ(command->shortcut(), QKeySequence(QString::fromLatin1(c.keys)));
        const auto run = [&] {
            if (*c.keys != '\0') {
                press(QKeySequence(QString::fromLatin1(c.keys)));
            } else {
                command->trigger();
            }
        };

        command->trigger();
        expectInFront(c.window);
        EXPECT_EQ(count("DataWindow"), c.withData ? 1 : 0);
        // Close Active Window closes this window and leaves the data window.
        press(QKeySequence(QStringLiteral("Ctrl+C")));
        EXPECT_EQ(count(c.window), 0);
        EXPECT_EQ(count("DataWindow"), c.withData ? 1 : 0);

        run();
        QMdiSubWindow* opened = expectInFront(c.window);
        // Run again behind another window, it comes to the front as it was;
        // the EGO window closes every window but the time history plot and
        // opens anew.
        const WindowCommand& other = &c == &diagnostics ? history : diagnostics;
        entry(other.menu, other.item)->trigger();
        expectInFront(other.window);
        run();
        settle();
        QMdiSubWindow* again = expectInFront(c.window);
        if (&c == &kWindowCommands[11]) {
            EXPECT_EQ(count(other.window), 0);
        } else {
            EXPECT_EQ(again, opened);
            EXPECT_EQ(count(other.window), 1);
        }

        entry("&File", "&Close Active Window")->trigger();
        settle();
        EXPECT_EQ(count(c.window), 0);
    }
}

// The other command keys run their entries' commands; F5 to F9 and the
// smart entries' keys do nothing while no table editor is active.
TEST_F(MenuCommandsTest, EveryOtherCommandKeyRunsItsEntry) {
    startWith(false);
    struct Case {
        const char* menu;
        const char* item;
        const char* keys;
        std::function<void()> check;
    };
    const auto said = [this](const QString& text) {
        return [this, text] { EXPECT_EQ(ui.texts(), QStringList{text}); };
    };
    const Case cases[] = {
        {"&File", "&Open...", "Ctrl+O", [this] { EXPECT_EQ(dialogs, QStringList{"Open"}); }},
        {"&File", "Open &Log...", "Ctrl+Shift+O",
         [this] { EXPECT_EQ(dialogs, QStringList{"Open Log"}); }},
        {"&Engine", "Find EC&U", "Ctrl+U", said("Ecu Online!")},
        {"&Engine", "S&top Engine", "Ctrl+K",
         [this] { EXPECT_EQ(link.written(), QByteArray::fromHex("7f")); }},
        {"&Tuning", "&Log Data", "Ctrl+L", said("No data to log!")},
        {"&Tuning", "&Save Settings to ECU", "Ctrl+S",
         [&] {
             EXPECT_EQ(link.written(), QByteArray::fromHex("24"));
             said("Data Saved!")();
         }},
        {"&Help", "&Contents", "F1",
         [this] {
             ASSERT_EQ(ui.messages.size(), 1u);
             EXPECT_TRUE(ui.messages[0].text.contains("missing-manual.html"));
         }},
        {"&Help", "&What's This?", "Shift+F1",
         [] {
             EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
             QWhatsThis::leaveWhatsThisMode();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        QAction* command = entry(c.menu, c.item);
        ASSERT_NE(command, nullptr);
        EXPECT_EQ(command->shortcut(), QKeySequence(QString::fromLatin1(c.keys)));
        ui.clear();
        link.clearWritten();
        dialogs.clear();
        press(QKeySequence(QString::fromLatin1(c.keys)));
        c.check();
    }

    const EcuSettings before = window->store().settings();
    ui.clear();
    link.clearWritten();
    for (const char* keys :
         {"F5", "F6", "F7", "F8", "F9", "Shift+F5", "Shift+F6", "Ctrl+F7", "Ctrl+F8"}) {
        press(QKeySequence(QString::fromLatin1(keys)));
    }
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(link.written().isEmpty());
    EXPECT_TRUE(window->store().settings() == before);
    EXPECT_TRUE(window->mdiArea()->subWindowList().isEmpty());
}

// Without the developer word the user sees the menus and entries the window
// starts with, and each toolbar button runs its command.
TEST_F(MenuCommandsTest, TheMenusAndToolbarAsTheyStart) {
    startWith(false);
    const auto visible = [](const QList<QAction*>& actions) {
        QStringList texts;
        for (const QAction* a : actions) {
            if (a->isVisible() && !a->isSeparator()) {
                texts << a->text();
            }
        }
        return texts;
    };
    EXPECT_EQ(
        visible(window->menuBar()->actions()),
        (QStringList{"&File", "&Engine", "&Tuning", "&Modify", "&Setup", "&Display", "&Help"}));
    EXPECT_EQ(visible(window->menus().engine->actions()),
              (QStringList{"Find EC&U", "&Setup", "Default &Fuel Table", "Default &Ignition Table",
                           "&Diagnostics", "S&top Engine"}));
    EXPECT_EQ(visible(window->menus().modify->actions()),
              (QStringList{"Add", "Subtract", "Multiply", "Divide", "Smooth"}));
    EXPECT_FALSE(state.LogExtra);

    // The picture buttons; the keyed toolbar, hidden at first, repeats them.
    QToolBar* pictures = window->toolBars().myToolBar;
    EXPECT_TRUE(pictures->isVisible());
    EXPECT_FALSE(window->toolBars().tbToolBar->isVisible());
    const struct {
        int index;
        std::function<void()> check;
    } buttons[] = {
        {0, [this] { EXPECT_EQ(dialogs, QStringList{"Open"}); }},
        {1, [this] { EXPECT_EQ(dialogs, QStringList{"Save As"}); }},
        {2, [this] { EXPECT_EQ(dialogs, QStringList{"Print Data"}); }},
        {3, [this] { expectInFront("FuelWindow"); }},
        {4, [this] { expectInFront("IgnWindow"); }},
        {5, [this] { EXPECT_EQ(link.written(), QByteArray::fromHex("24")); }},
        {6,
         [] {
             EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
             QWhatsThis::leaveWhatsThisMode();
         }},
    };
    for (const auto& b : buttons) {
        for (QAction* button : {window->toolBars().myToolBarButtons[b.index],
                                window->toolBars().tbButtons[b.index]}) {
            SCOPED_TRACE(button->objectName().toStdString());
            EXPECT_FALSE(button->whatsThis().isEmpty());
            window->unloadAllWindows();
            settle();
            dialogs.clear();
            link.clearWritten();
            button->trigger();
            b.check();
        }
    }
}

} // namespace

// No two commands of the menu tree share keys, so that each key runs one
// command wherever the focus is.
TEST_F(MenuCommandsTest, NoTwoCommandsShareKeys) {
    startWith(true);
    QMap<QString, QString> owner;
    for (QAction* top : window->menuBar()->actions()) {
        for (QAction* a : top->menu() != nullptr ? top->menu()->actions() : QList<QAction*>{}) {
            for (const QKeySequence& keys : a->shortcuts()) {
                const QString name = top->text() + QStringLiteral(" > ") + a->text();
                EXPECT_FALSE(owner.contains(keys.toString()))
                    << keys.toString().toStdString() << ": " << name.toStdString() << " and "
                    << owner.value(keys.toString()).toStdString();
                owner.insert(keys.toString(), name);
            }
        }
    }
    EXPECT_EQ(owner.value(QStringLiteral("Ctrl+G")), "&Display > &Gauges");
    EXPECT_EQ(owner.value(QStringLiteral("F12")), "&Tuning > &Note in Log...");
}
