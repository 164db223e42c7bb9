// SPDX-License-Identifier: GPL-3.0-or-later
// The editors driven as a tuner drives them: the main window's shortcuts and
// menus, mouse presses on the cells, then keys; every byte that reaches the
// simulated ECU is checked.

#include "SimulatedMainWindow.h"
#include "StoreRecord.h"
#include "app/MenuBuilder.h"
#include "tables/LoadPlot.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <functional>

namespace {

class EditorKeysTest : public SimulatedMainWindow {
protected:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        EcuSettings image = SimulatedEcu::defaultImage();
        image.AirTempSensorType = 1;
        image.WaterTempSensorType = 1;
        image.AirTempFuelComp.fill(100);
        image.WaterTempFuelComp.fill(100);
        image.UserInputAnalogMode = {1, 2, 0};
        image.UserInputAnalogTable[0].fill(100);
        image.UserInputAnalogTable[1].fill(128);
        for (auto& row : image.FuelTable) {
            row.fill(40);
        }
        for (auto& row : image.IgnitionTable) {
            row.fill(40);
        }
        ecu.setSettings(image);
        start();
        QApplication::setActiveWindow(window.get());
    }

    static QWidget* focus() { return QApplication::focusWidget(); }
    QWidget* focusOrWindow() const {
        QWidget* f = focus();
        return f != nullptr ? f : window.get();
    }
    // Keys as typed: each one goes to whatever has the focus at that moment;
    // "\r" is Enter and "\x1b" Escape.
    void type(const QString& keys) {
        for (const QChar c : keys) {
            if (c == '\r' || c == '\x1b') {
                QTest::keyClick(focusOrWindow(), c == '\r' ? Qt::Key_Return : Qt::Key_Escape);
            } else {
                QTest::keyClick(focusOrWindow(), c.toLatin1());
            }
        }
    }
    void press(QKeyCombination keys) {
        QTest::keyClick(focusOrWindow(), keys.key(), keys.keyboardModifiers());
    }
    void click(QWidget* w, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(w, Qt::LeftButton, modifiers, w->rect().center());
    }
    // A press on the data cell at grid (row, column) as the view shows it.
    void clickCell(QAbstractItemView* view, int row, int column,
                   Qt::KeyboardModifiers modifiers = {}) {
        const QRect cell = view->visualRect(view->model()->index(row, column));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    template <typename T = QWidget> T* named(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    static QByteArray bytes(std::initializer_list<int> values) {
        QByteArray out;
        for (int v : values) {
            out.append(char(v));
        }
        return out;
    }
};

// A user's step: a press on a cell (with Shift it extends the block), on a
// box (whose text is then selected) or on a button, followed by keys.
struct Step {
    enum Kind { Cell, ShiftCell, Box, Button } kind;
    const char* widget;
    int row;
    int column;
    const char* keys;
};

TEST_F(EditorKeysTest, TheCellsShownSelectedTakeTheEntryAndTheOperation) {
    const struct {
        std::function<void()> open;
        std::vector<Step> steps;
        QByteArray sent;
    } cases[] = {
        // Air % then Water % of the compensation window: each curve its own.
        {[this] { press(Qt::CTRL | Qt::Key_W); },
         {{Step::Cell, "Grid0", 1, 4, "9"},
          {Step::Cell, "Grid1", 1, 4, "7\r"},
          {Step::ShiftCell, "Grid1", 1, 6, ""},
          {Step::Button, "SmoothButton", 0, 0, ""}},
         bytes({224, 3, 9, 225, 3, 7, 225, 4, 54})},
        // The user inputs, from a curve below to one above and back.
        {[this] { press(Qt::CTRL | Qt::Key_N); },
         {{Step::Cell, "Grid1", 1, 4, "9"},
          {Step::Cell, "Grid0", 1, 4, "7"},
          {Step::Cell, "Grid1", 1, 5, "-3\r"}},
         bytes({218, 3, 137, 217, 3, 7, 218, 4, 125})},
        // From an open fuel cell edit to the amount, then Add on that cell.
        {[this] { press(Qt::CTRL | Qt::Key_F); },
         {{Step::Cell, "FuelGrid", 2, 3, "9"},
          {Step::Box, "AddText0", 0, 0, "0.5\r"},
          {Step::Button, "AddButton0", 0, 0, ""}},
         bytes({240, 2, 3, 143, 240, 2, 3, 151})},
        // From an open setpoint edit to a box of the EGO window.
        {[this] {
             recordOf(window->store()).UserInputAnalogMode = {3, 0, 0};
             window->menus().tuningEgo->trigger();
         },
         {{Step::Cell, "EGOGrid", 1, 4, "2"}, {Step::Box, "EgoTextBox1", 0, 0, "9\r"}},
         bytes({217, 3, 102, 134, 9})},
    };
    for (const auto& c : cases) {
        c.open();
        link.clearWritten();
        for (const Step& s : c.steps) {
            QWidget* w = named(s.widget);
            ASSERT_NE(w, nullptr) << s.widget;
            if (s.kind == Step::Cell || s.kind == Step::ShiftCell) {
                clickCell(static_cast<QAbstractItemView*>(w), s.row, s.column,
                          s.kind == Step::ShiftCell ? Qt::ShiftModifier : Qt::NoModifier);
            } else {
                click(w);
            }
            if (s.kind == Step::Box) {
                press(Qt::Key_End);
                press(Qt::SHIFT | Qt::Key_Home);
            }
            type(QString::fromLatin1(s.keys));
        }
        EXPECT_EQ(link.written(), c.sent) << &c - cases;
        window->menus().fileCloseActiveWindow->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(EditorKeysTest, ShiftArrowsAfterAnEntryOrEscapeExtendFromTheCellShown) {
    const struct {
        QKeyCombination open;
        const char* keys; // after Down, Down
        QByteArray sent;
        char second; // typed over the block, which then holds raw
        int raw;
    } cases[] = {
        {Qt::CTRL | Qt::Key_F, "3\r", bytes({240, 2, 0, 47}), '4', 63},
        {Qt::CTRL | Qt::Key_F, "3\x1b", {}, '5', 79},
        {Qt::CTRL | Qt::Key_I, "30\r", bytes({241, 2, 0, 60}), '4', 10},
        {Qt::CTRL | Qt::Key_I, "30\x1b", {}, '6', 12},
    };
    for (const auto& c : cases) {
        press(c.open);
        link.clearWritten();
        press(Qt::Key_Down);
        press(Qt::Key_Down);
        type(QString::fromLatin1(c.keys));
        press(Qt::SHIFT | Qt::Key_Right);
        press(Qt::SHIFT | Qt::Key_Right);
        type(QString(QLatin1Char(c.second)) + QLatin1Char('\r'));
        const int command = c.open.key() == Qt::Key_F ? 240 : 241;
        QByteArray sent = c.sent;
        for (int column = 0; column < 3; ++column) {
            sent += bytes({command, 2, column, c.raw});
        }
        EXPECT_EQ(link.written(), sent) << c.keys;
        window->menus().fileCloseActiveWindow->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(EditorKeysTest, EveryWindowTakesTypingAtOnceWhenOpenedOrRaised) {
    const MainMenus& m = window->menus();
    const auto shortcut = [this](QKeyCombination keys) { return [this, keys] { press(keys); }; };
    const auto menu = [](QAction* action) { return [action] { action->trigger(); }; };
    const struct {
        std::function<void()> open;
        WindowCode code;
        const char* focus; // the grid or first box, or the window without one
        const char* keys;
        QByteArray sent;
    } cases[] = {
        {shortcut(Qt::CTRL | Qt::Key_F), WindowCode::Fuel, "FuelGrid", "30\r",
         bytes({240, 0, 0, 255})},
        {shortcut(Qt::CTRL | Qt::Key_I), WindowCode::Ignition, "IgnGrid", "30\r",
         bytes({241, 0, 0, 60})},
        {shortcut(Qt::CTRL | Qt::Key_W), WindowCode::Comp1, "Grid0", "30\r", bytes({224, 0, 30})},
        {shortcut(Qt::CTRL | Qt::Key_N), WindowCode::Input, "Grid0", "30\r", bytes({217, 0, 30})},
        {shortcut(Qt::CTRL | Qt::Key_A), WindowCode::Comp2, "CrankPercentText0", "", {}},
        {shortcut(Qt::CTRL | Qt::Key_E), WindowCode::Setup, "CylindersCombo", "", {}},
        {shortcut(Qt::CTRL | Qt::Key_D), WindowCode::SensorCheck, "frmSensorCheck", "", {}},
        {menu(m.tuningIac), WindowCode::Iac, "IacColdRpm", "", {}},
        {menu(m.engineExtra), WindowCode::Extra, "UC_Extra(0)", "", {}},
        {menu(m.plotRealTime), WindowCode::TimeHistory, "ChannelCombo0", "", {}},
        {menu(m.engineDefaultFuel), WindowCode::DefaultFuel, "RpmText0", "", {}},
        {menu(m.engineDefaultIgnition),
         WindowCode::DefaultIgnition,
         "DefaultIgnitionText1",
         "",
         {}},
        // Raised again over the others.
        {shortcut(Qt::CTRL | Qt::Key_F), WindowCode::Fuel, "FuelGrid", "2\r",
         bytes({240, 0, 0, 31})},
        {shortcut(Qt::CTRL | Qt::Key_W), WindowCode::Comp1, "Grid0", "40\r", bytes({224, 0, 40})},
        {shortcut(Qt::CTRL | Qt::Key_I), WindowCode::Ignition, "IgnGrid", "25\r",
         bytes({241, 0, 0, 50})},
        {[this, menu] {
             recordOf(window->store()).UserInputAnalogMode = {3, 0, 0};
             menu(window->menus().tuningEgo)();
         },
         WindowCode::Ego,
         "EgoTextBox0",
         "",
         {}},
    };
    for (const auto& c : cases) {
        c.open();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        link.clearWritten();
        ASSERT_NE(focus(), nullptr) << c.focus;
        EXPECT_EQ(focus()->objectName().toStdString(), c.focus);
        const QMdiSubWindow* active = window->findChild<QMdiArea*>()->activeSubWindow();
        EXPECT_EQ(window->activeWindow(), c.code) << c.focus;
        EXPECT_TRUE(active->isAncestorOf(focus())) << c.focus;
        type(QString::fromLatin1(c.keys));
        EXPECT_EQ(link.written(), c.sent) << c.focus;
    }
}

TEST_F(EditorKeysTest, LoadPlotFollowsTheRowWhereTheBlockStarts) {
    window->menus().comFuelLoadLine->trigger();
    press(Qt::CTRL | Qt::Key_F);
    auto* grid = named<QAbstractItemView>("FuelGrid");
    auto* plot = window->findChild<LoadPlot*>();
    ASSERT_NE(plot, nullptr);
    const struct {
        int row, column; // pressed first (view indexes)
        std::function<void()> then;
        int gridRow;
    } cases[] = {
        {4, 2, [] {}, 5},
        {4, 2,
         [this] {
             press(Qt::SHIFT | Qt::Key_Down);
             press(Qt::SHIFT | Qt::Key_Down);
         },
         5},
        {9, 2, [this] { press(Qt::SHIFT | Qt::Key_Up); }, 10},
        {3, 3, [this, grid] { clickCell(grid, 7, 5, Qt::ShiftModifier); }, 4},
        {6, 1, [this] { press(Qt::Key_Down); }, 8},
        {4, 2,
         [this] {
             press(Qt::SHIFT | Qt::Key_Down);
             type(QStringLiteral("3\r"));
         },
         5},
    };
    for (const auto& c : cases) {
        clickCell(grid, c.row, c.column);
        c.then();
        EXPECT_EQ(plot->gridRow(), c.gridRow) << &c - cases;
    }
}

TEST_F(EditorKeysTest, PastedBlockMayEndOnTheLastRowOrColumnButNotPastIt) {
    press(Qt::CTRL | Qt::Key_F);
    auto* grid = named<QAbstractItemView>("FuelGrid");
    const struct {
        int row, column; // the grid cell pressed, 1..16
        int rows, columns;
        const char* value;
        int raw;
        const char* refused;
    } cases[] = {
        {16, 1, 1, 16, "2", 31, nullptr},
        {1, 16, 16, 1, "3", 47, nullptr},
        {16, 16, 1, 1, "4", 63, nullptr},
        {1, 1, 16, 16, "1", 15, nullptr},
        {1, 2, 1, 16, "1", 0,
         "The block of 1 row by 16 columns does not fit the table from row 1, column 2."},
        {16, 1, 2, 1, "1", 0,
         "The block of 2 rows by 1 column does not fit the table from row 16, column 1."},
        {2, 1, 16, 16, "1", 0,
         "The block of 16 rows by 16 columns does not fit the table from row 2, column 1."},
    };
    for (const auto& c : cases) {
        const QString line = QStringList(c.columns, QString::fromLatin1(c.value)).join('\t');
        QGuiApplication::clipboard()->setText(QStringList(c.rows, line).join('\n') + '\n');
        clickCell(grid, c.row - 1, c.column - 1);
        ui.clear();
        link.clearWritten();
        press(Qt::CTRL | Qt::Key_V);
        QByteArray sent;
        for (int r = 0; r < c.rows && c.refused == nullptr; ++r) {
            for (int k = 0; k < c.columns; ++k) {
                sent += bytes({240, c.row - 1 + r, c.column - 1 + k, c.raw});
            }
        }
        EXPECT_EQ(link.written(), sent) << &c - cases;
        EXPECT_EQ(ui.texts().join('|').toStdString(),
                  c.refused != nullptr ? std::string(c.refused) + " Nothing was pasted." : "")
            << &c - cases;
    }
}

} // namespace
