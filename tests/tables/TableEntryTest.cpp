// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/TableEditorWindow.h"

#include "SimulatedMainWindow.h"
#include "StoreRecord.h"
#include "tables/CurveGrid.h"
#include "tables/CurveWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <array>
#include <vector>

namespace {

// Entries in the table and curve editors as the tuner makes them: the main
// window's shortcuts, mouse presses on the cells, keys; every byte that
// reaches the simulated ECU is checked.
class TableEntryTest : public SimulatedMainWindow {
protected:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        ecu.setClock([this] { return now; });
        EcuSettings image = SimulatedEcu::defaultImage();
        for (std::size_t load = 0; load < 16; ++load) {
            std::fill_n(image.FuelTable[load].begin(), 16, 40);
            std::fill_n(image.IgnitionTable[load].begin(), 16, 40);
        }
        ecu.setSettings(image);
        start();
        ASSERT_TRUE(state.EcuOnline);
        QApplication::setActiveWindow(window.get());
    }

    void TearDown() override {
        // As when the program ends: the tool windows close first.
        window->mdiArea()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void keys(QKeyCombination combination) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : window.get(), combination.key(),
                        combination.keyboardModifiers());
    }
    TableEditorWindow* openTable(bool ignition) {
        keys(ignition ? Qt::CTRL | Qt::Key_I : Qt::CTRL | Qt::Key_F);
        return ignition ? static_cast<TableEditorWindow*>(window->findChild<IgnWindow*>())
                        : window->findChild<FuelWindow*>();
    }
    // A mouse press on grid cell (row, column), 1..16.
    static void click(const TableEditorWindow* editor, int row, int column,
                      Qt::KeyboardModifiers modifiers = {}) {
        QTableView* grid = editor->grid();
        const QRect cell = grid->visualRect(grid->model()->index(row - 1, column - 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    // Clicks into a box, selects what it holds and types over it.
    static void typeOver(QLineEdit* box, const QString& text) {
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier);
        QTest::keyClicks(box, text);
    }
    // The bytes of cell writes: command, load, rpm, value.
    static QByteArray cells(int command, std::initializer_list<std::array<int, 3>> written) {
        QByteArray bytes;
        for (const auto& c : written) {
            bytes.append(char(command)).append(char(c[0])).append(char(c[1])).append(char(c[2]));
        }
        return bytes;
    }
    // The 2 x 2 block from grid cell (2, 3) to (3, 4) takes the value: the
    // cells in the order they are sent.
    static QByteArray block(int command, int value) {
        return cells(command, {{1, 2, value}, {2, 2, value}, {1, 3, value}, {2, 3, value}});
    }
    // The session's record, written as setup, unsent.
    EcuSettings& record() const { return recordOf(window->store()); }
    void setTables(int raw) {
        EcuSettings& s = record();
        for (std::size_t load = 0; load < 16; ++load) {
            std::fill_n(s.FuelTable[load].begin(), 16, raw);
            std::fill_n(s.IgnitionTable[load].begin(), 16, raw);
        }
        ecu.setSettings(window->store().settings());
    }

    qint64 now = 0;
};

const std::string kHuge308 = "1" + std::string(308, '0');

struct OperandCase {
    bool ignition;
    Operand operand;
    const char* typed;
    Qt::Key operation; // F5 Add, F6 Subtract, F7 Multiply, F8 Divide
    int raw;           // every cell of the block afterwards
    const char* shown; // the box afterwards, when checked
};

// A huge operand either way takes every cell to the end of the range the
// operation heads for, never to the opposite one; "inf" and "nan" are no
// numbers and take the box's fallback, 0 or 1.
TEST_F(TableEntryTest, HugeOperandsSendTheEndOfTheRangeTheyHeadFor) {
    using enum Operand;
    const OperandCase cases[] = {
        {false, Factor, "1e19", Qt::Key_F7, 255, "  10000000000000000000.00"},
        {true, Factor, "1e19", Qt::Key_F7, 100, nullptr},
        {false, Factor, "1e308", Qt::Key_F7, 255, nullptr},
        {true, Factor, "1e308", Qt::Key_F7, 100, nullptr},
        {false, Factor, "-1e308", Qt::Key_F7, 0, nullptr},
        {true, Factor, "-1e308", Qt::Key_F7, 10, nullptr},
        {false, Factor, "1e19", Qt::Key_F8, 0, nullptr},
        {false, Factor, "1e-308", Qt::Key_F8, 255, nullptr},
        {true, Factor, "-1e-308", Qt::Key_F8, 10, nullptr},
        {false, Factor, "inf", Qt::Key_F7, 40, "  1.00"},
        {true, Factor, "nan", Qt::Key_F7, 40, "  1.00"},
        {false, Amount, "1e19", Qt::Key_F5, 255, "  10000000000000000000.0000"},
        {false, Amount, "1e30", Qt::Key_F5, 255, "  1000000000000000000000000000000.0000"},
        {true, Amount, "1e308", Qt::Key_F5, 100, nullptr},
        {false, Amount, "1e308", Qt::Key_F6, 0, nullptr},
        {true, Amount, "1e308", Qt::Key_F6, 10, nullptr},
        {false, Amount, "-1e308", Qt::Key_F5, 0, nullptr},
        {true, Amount, "-1e308", Qt::Key_F6, 100, nullptr},
        {false, Amount, "inf", Qt::Key_F5, 40, "  0.0000"},
        {true, Amount, "nan", Qt::Key_F6, 40, "  0.00"},
    };
    for (const OperandCase& c : cases) {
        setTables(40);
        TableEditorWindow* editor = openTable(c.ignition);
        ASSERT_NE(editor, nullptr);
        click(editor, 2, 3);
        click(editor, 3, 4, Qt::ShiftModifier);
        typeOver(editor->operandBox(c.operand), QString::fromLatin1(c.typed));
        link.clearWritten();
        keys(c.operation);
        EXPECT_EQ(link.written(), block(c.ignition ? 241 : 240, c.raw))
            << c.typed << " key " << c.operation;
        if (c.shown != nullptr) {
            EXPECT_EQ(editor->operandBox(c.operand)->text(), QString::fromLatin1(c.shown))
                << c.typed;
        }
    }
}

// The operands act as typed, not as their shorter pattern shows them, also
// when the box is used again untouched; the fuel amount is a whole number of
// steps, halves to even.
TEST_F(TableEntryTest, OperandsActAsTypedAndTheFuelAmountRoundsHalfToEven) {
    const struct {
        bool ignition;
        Operand operand;
        const char* typed;
        Qt::Key operation;
        int raw;
        int once;  // after the first press
        int twice; // after a second press with the box untouched
        const char* shown;
    } cases[] = {
        // 1.005 x 200 - 1 is just below 200, then 1.005 x 201 - 1 = 201.005;
        // 1.01 would give 201, then 202.
        {false, Operand::Factor, "1.005", Qt::Key_F7, 199, 200, 201, "  1.01"},
        // 21 + 2 x 0.245 = 21.49; 0.25 would give 21.5 and the even 22.
        {true, Operand::Amount, "0.245", Qt::Key_F5, 21, 21, 21, "  0.25"},
        // 0.15625 ms is 2.5 steps: 2, not 3.
        {false, Operand::Amount, "0.15625", Qt::Key_F5, 40, 42, 44, "  0.1250"},
    };
    for (const auto& c : cases) {
        setTables(c.raw);
        TableEditorWindow* editor = openTable(c.ignition);
        ASSERT_NE(editor, nullptr);
        click(editor, 2, 3);
        click(editor, 3, 4, Qt::ShiftModifier);
        typeOver(editor->operandBox(c.operand), QString::fromLatin1(c.typed));
        const int command = c.ignition ? 241 : 240;
        link.clearWritten();
        keys(c.operation);
        EXPECT_EQ(link.written(), block(command, c.once)) << c.typed;
        EXPECT_EQ(editor->operandBox(c.operand)->text(), QString::fromLatin1(c.shown));
        click(editor, 2, 3);
        click(editor, 3, 4, Qt::ShiftModifier);
        link.clearWritten();
        keys(c.operation);
        EXPECT_EQ(link.written(), block(command, c.twice)) << c.typed;
    }
}

// Digits of a number far beyond the entry range, typed into a cell, store
// the end of the range.
TEST_F(TableEntryTest, HugeNumbersTypedIntoCellsStoreTheEndOfTheRange) {
    const struct {
        bool ignition;
        std::string typed;
        int raw;
    } cases[] = {
        {false, "10000000000000000000", 255},
        {true, "10000000000000000000", 100},
        {false, kHuge308, 255},
        {true, kHuge308, 100},
    };
    for (const auto& c : cases) {
        setTables(40);
        TableEditorWindow* editor = openTable(c.ignition);
        ASSERT_NE(editor, nullptr);
        click(editor, 5, 6);
        link.clearWritten();
        QTest::keyClicks(editor->grid(), QString::fromStdString(c.typed));
        QTest::keyClick(editor->editBox(), Qt::Key_Return);
        EXPECT_EQ(link.written(), cells(c.ignition ? 241 : 240, {{4, 5, c.raw}}))
            << c.typed.size() << " digits";
    }
}

// Smart add of a huge amount moves the cells near the operating point to the
// top of the range and leaves the others; none goes to the bottom.
TEST_F(TableEntryTest, SmartAddOfAHugeAmountMovesTheNearCellsToTheTop) {
    ecu.startEngine();
    now = 10000;
    TableEditorWindow* editor = openTable(false);
    ASSERT_NE(editor, nullptr);
    window->pollTick();
    for (const char* typed : {"1e19", "1e308"}) {
        setTables(40);
        typeOver(editor->operandBox(Operand::Amount), QString::fromLatin1(typed));
        link.clearWritten();
        keys(Qt::SHIFT | Qt::Key_F5);
        const QByteArray sent = link.written();
        ASSERT_FALSE(sent.isEmpty()) << typed;
        int moved = 0;
        for (qsizetype i = 0; i + 3 < sent.size(); i += 4) {
            EXPECT_EQ(quint8(sent[i]), 240);
            const int value = quint8(sent[i + 3]);
            EXPECT_TRUE(value == 255 || value == 40) << typed << ": " << value;
            moved += value == 255 ? 1 : 0;
        }
        EXPECT_GE(moved, 1) << typed;
    }
}

// Smooth down a column: A = 0 and C = 45 over 11 rows give 45 x 7 / 10 =
// 31.5 at the eighth row, which rounds to the even 32.
TEST_F(TableEntryTest, SmoothRoundsExactHalvesToEven) {
    setTables(40);
    record().FuelTable[0][0] = 0;
    record().FuelTable[10][0] = 45;
    ecu.setSettings(window->store().settings());
    TableEditorWindow* editor = openTable(false);
    ASSERT_NE(editor, nullptr);
    click(editor, 1, 1);
    click(editor, 11, 1, Qt::ShiftModifier);
    link.clearWritten();
    keys(Qt::Key_F9);
    const QByteArray sent = link.written();
    ASSERT_EQ(sent.size(), 11 * 4);
    EXPECT_EQ(sent.mid(7 * 4, 4), cells(240, {{7, 0, 32}}));
    EXPECT_EQ(ecu.settings().FuelTable[7][0], 32);
}

// Huge numbers typed into the curves of the compensation window store the
// nearest end of each curve's range.
TEST_F(TableEntryTest, HugeNumbersTypedIntoCurvesStoreTheEndOfTheirRange) {
    const struct {
        int grid;
        std::string typed;
        int command;
        int raw;
    } cases[] = {
        {0, "10000000000000000000", 224, 200},
        {0, kHuge308, 224, 200},
        {2, kHuge308, 226, 255},
        {3, "10000000000000000000", 223, 228},
        {3, "-" + kHuge308, 223, 28},
    };
    const EcuSettings before = window->store().settings();
    for (const auto& c : cases) {
        record() = before;
        ecu.setSettings(before);
        keys(Qt::CTRL | Qt::Key_W);
        auto* comp = window->findChild<Comp1Window*>();
        ASSERT_NE(comp, nullptr);
        QTableWidget* grid = comp->grids().at(std::size_t(c.grid))->grid();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualItemRect(grid->item(1, 4)).center());
        link.clearWritten();
        QTest::keyClicks(grid, QString::fromStdString(c.typed));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(link.written(),
                  QByteArray().append(char(c.command)).append(char(3)).append(char(c.raw)))
            << c.grid << ": " << c.typed.size() << " characters";
        keys(Qt::CTRL | Qt::Key_C); // closes the window, so the next case starts afresh
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace
