// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/TableOperations.h"
#include "tables/TableModel.h"

#include "StoreRecord.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Sent {
    int code;
    int index1;
    int index2;
    bool operator==(const Sent&) const = default;
};

class TableOperationsTest : public ::testing::Test {
protected:
    TableOperationsTest() {
        for (auto& row : record.FuelTable) {
            row.fill(40);
        }
        for (auto& row : record.IgnitionTable) {
            row.fill(40);
        }
        store.setSender([this](int code, int i1, int i2) { sent.push_back({code, i1, i2}); });
    }

    AppState state;
    SettingsStore store{EcuSettings::withDefaults()};
    EcuSettings& record = recordOf(store);
    std::vector<Sent> sent;
};

TEST(BlockWalk, ColumnByColumnFromTheCursorTowardsTheFarCorner) {
    EXPECT_EQ(blockWalk({2, 3, 1, 1}),
              (std::vector<GridCell>{{2, 3}, {1, 3}, {2, 2}, {1, 2}, {2, 1}, {1, 1}}));
    EXPECT_EQ(blockWalk({5, 5, 7, 4}),
              (std::vector<GridCell>{{5, 5}, {6, 5}, {7, 5}, {5, 4}, {6, 4}, {7, 4}}));
    EXPECT_EQ(blockWalk({9, 9, 9, 9}), (std::vector<GridCell>{{9, 9}}));
}

struct TypedCase {
    bool ignition;
    const char* text;
    int raw;
};

TEST_F(TableOperationsTest, TypedValuesAreLimitedAndRoundedHalfToEven) {
    const TypedCase cases[] = {
        {false, "8", 127},      {false, "0.03", 0},  {false, "1,5", 23},
        {false, " 2000 ", 255}, {false, "-3", 0},    {true, "60", 100},
        {true, "2", 10},        {true, "22,25", 44}, {true, "22.75", 46},
    };
    for (const TypedCase& c : cases) {
        const TableEditorDescription& d = c.ignition ? ignitionEditor() : fuelEditor();
        const std::vector<FieldCell> cells = typedEntry(d, record, {1, 1, 1, 1}, c.text);
        ASSERT_EQ(cells.size(), 1u) << c.text;
        EXPECT_EQ(cells[0], (FieldCell{0, 0, c.raw})) << c.text;
    }
}

TEST_F(TableOperationsTest, TextThatIsNoNumberChangesNothing) {
    for (const char* text : {"", "  ", "abc", "1,000.5", "nan", "inf"}) {
        EXPECT_TRUE(typedEntry(fuelEditor(), record, {1, 1, 3, 4}, text).empty()) << text;
    }
}

TEST_F(TableOperationsTest, BlockEntrySendsOnlyTheChangedCellsInWalkOrder) {
    // A 3 x 4 block from (4, 6) to (2, 3); two of its cells hold 8 ms already.
    record.FuelTable[2][4] = 127;
    record.FuelTable[1][2] = 127;
    store.setCells(FieldId::FuelTable,
                   typedEntry(fuelEditor(), record, {4, 6, 2, 3}, QStringLiteral("8")),
                   SettingsStore::Send::Always);
    const std::vector<Sent> expected{
        {240, 3, 5}, {240, 2, 5}, {240, 1, 5}, {240, 3, 4}, {240, 1, 4},
        {240, 3, 3}, {240, 2, 3}, {240, 1, 3}, {240, 3, 2}, {240, 2, 2},
    };
    EXPECT_EQ(sent, expected);
    for (const GridCell& cell : blockWalk({4, 6, 2, 3})) {
        EXPECT_EQ(record.FuelTable[cell.row - 1][cell.column - 1], 127);
    }
    EXPECT_EQ(record.FuelTable[4][5], 40);
}

struct ArithmeticCase {
    bool ignition;
    BlockArithmetic operation;
    int raw;
    double amount;
    double factor;
    int expected;
};

TEST_F(TableOperationsTest, ArithmeticRoundsAndKeepsTheRawRange) {
    using enum BlockArithmetic;
    const ArithmeticCase cases[] = {
        {false, Multiply, 15, 0, 1.10, 17}, {false, Add, 255, 0.0625, 1, 255},
        {true, Subtract, 15, 5, 1, 10},     {false, Divide, 40, 0, 0, 40},
        {true, Divide, 40, 0, 0, 40},       {false, Divide, 31, 0, 2, 15},
        {false, Subtract, 0, 0.0625, 1, 0}, {false, Add, 20, 0.125, 1, 22},
        {true, Add, 20, 0.5, 1, 21},        {true, Multiply, 25, 0, 1.1, 28},
        {true, Multiply, 95, 0, 1.5, 100},  {true, Divide, 41, 0, 2, 20},
    };
    for (const ArithmeticCase& c : cases) {
        const TableEditorDescription& d = c.ignition ? ignitionEditor() : fuelEditor();
        EcuSettings settings = record;
        (settings.*d.table)[6][7] = static_cast<int16_t>(c.raw);
        const std::vector<FieldCell> cells =
            blockArithmetic(d, settings, {7, 8, 7, 8}, c.operation, c.amount, c.factor);
        ASSERT_EQ(cells.size(), 1u);
        EXPECT_EQ(cells[0], (FieldCell{6, 7, c.expected}))
            << c.ignition << " op " << static_cast<int>(c.operation) << " raw " << c.raw;
    }
}

TEST_F(TableOperationsTest, ABlockOperationSendsEveryCellInWalkOrder) {
    store.setCells(
        FieldId::IgnitionTable,
        blockArithmetic(ignitionEditor(), record, {2, 2, 1, 1}, BlockArithmetic::Divide, 0, 0),
        SettingsStore::Send::Always);
    EXPECT_EQ(sent, (std::vector<Sent>{{241, 1, 1}, {241, 0, 1}, {241, 1, 0}, {241, 0, 0}}));
}

struct SmoothCase {
    GridSelection selection;
    std::vector<int> before; // the selection's cells, row by row
    std::vector<int> after;
};

TEST_F(TableOperationsTest, SmoothInterpolatesFromTheCornersRowByRow) {
    const SmoothCase cases[] = {
        {{1, 1, 1, 5}, {10, 0, 0, 0, 30}, {10, 15, 20, 25, 30}},
        {{1, 1, 1, 5}, {10, 0, 0, 0, 31}, {10, 15, 20, 26, 31}},
        {{1, 5, 1, 1}, {31, 0, 0, 0, 10}, {31, 26, 20, 15, 10}},
        {{1, 1, 5, 1}, {10, 99, 99, 99, 30}, {10, 15, 20, 25, 30}},
        // 3 x 3: the centre is the mean of the corners.
        {{1, 1, 3, 3}, {10, 0, 30, 0, 0, 0, 50, 0, 90}, {10, 20, 30, 30, 45, 60, 50, 70, 90}},
        {{1, 1, 1, 1}, {77}, {77}},
    };
    for (const SmoothCase& c : cases) {
        EcuSettings settings = record;
        const GridSelection& s = c.selection;
        const int rowStep = s.rowSel >= s.row ? 1 : -1;
        const int columnStep = s.columnSel >= s.column ? 1 : -1;
        const int columns = std::abs(s.columnSel - s.column) + 1;
        std::vector<FieldCell> expected;
        for (std::size_t i = 0; i < c.before.size(); ++i) {
            const int row = s.row + rowStep * static_cast<int>(i) / columns;
            const int column = s.column + columnStep * (static_cast<int>(i) % columns);
            settings.FuelTable[row - 1][column - 1] = static_cast<int16_t>(c.before[i]);
            expected.push_back({row - 1, column - 1, c.after[i]});
        }
        EXPECT_EQ(smoothBlock(fuelEditor(), settings, s), expected) << c.before.size();
    }
}

// A + (C - A) x t / span rounded half to even, in whole numbers.
int64_t exactlyBetween(int64_t a, int64_t c, int64_t t, int64_t span) {
    const int64_t numerator = a * span + (c - a) * t;
    int64_t quotient = numerator / span;
    int64_t remainder = numerator % span;
    if (remainder < 0) {
        --quotient;
        remainder += span;
    }
    if (2 * remainder != span) {
        return 2 * remainder > span ? quotient + 1 : quotient;
    }
    return quotient % 2 == 0 ? quotient : quotient + 1;
}

// Every pair of end values of the fuel range over every column block of an
// odd number of rows, 3 to 15, both ways: each cell is the exact
// interpolation, halves to even (A = 0, C = 45 over 11 rows gives 32 at the
// eighth row). Only these blocks have cells exactly halfway between two
// counts; elsewhere a cell lies at least 1/30 from a half.
TEST_F(TableOperationsTest, SmoothDownAColumnIsExactForEveryPairOfEnds) {
    EcuSettings settings = record;
    int wrong = 0;
    for (int span = 2; span <= 14; span += 2) {
        for (int a = 0; a <= 255; ++a) {
            for (int c = 0; c <= 255; ++c) {
                settings.FuelTable[0][3] = static_cast<int16_t>(a);
                settings.FuelTable[span][3] = static_cast<int16_t>(c);
                const bool up = (a + c + span) % 2 == 1; // from the far end half the time
                const GridSelection s =
                    up ? GridSelection{1 + span, 4, 1, 4} : GridSelection{1, 4, 1 + span, 4};
                const std::vector<FieldCell> cells = smoothBlock(fuelEditor(), settings, s);
                for (const FieldCell& cell : cells) {
                    if (cell.value != exactlyBetween(a, c, cell.index1, span) && ++wrong <= 5) {
                        ADD_FAILURE() << "A " << a << " C " << c << " over " << span + 1
                                      << " rows, row " << cell.index1 << ": " << cell.value;
                    }
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    settings.FuelTable[0][3] = 0;
    settings.FuelTable[10][3] = 45;
    EXPECT_EQ(smoothBlock(fuelEditor(), settings, {1, 4, 11, 4})[7], (FieldCell{7, 3, 32}));
}

TEST_F(TableOperationsTest, SmoothKeepsTheIgnitionRange) {
    record.IgnitionTable[0][0] = 4;
    record.IgnitionTable[0][2] = 20;
    EXPECT_EQ(smoothBlock(ignitionEditor(), record, {1, 1, 1, 3}),
              (std::vector<FieldCell>{{0, 0, 10}, {0, 1, 12}, {0, 2, 20}}));
}

TEST_F(TableOperationsTest, MarksColourTheBlockOnly) {
    markBlock(fuelEditor().marksOf(state.display), {3, 2, 2, 3}, 2);
    const TableModel model(fuelEditor(), state, record);
    for (const GridCell& cell : blockWalk({3, 2, 2, 3})) {
        EXPECT_EQ(model.colour(cell.row, cell.column), (RgbColour{0, 128, 128}));
    }
    EXPECT_EQ(model.colour(4, 2), (RgbColour{0, 255, 255}));
    EXPECT_EQ(model.colour(2, 4), (RgbColour{0, 255, 255}));
    EXPECT_EQ(state.display.IgnitionMarkFlags, MarkFlags{});
}

struct OperandCase {
    bool ignition;
    Operand operand;
    const char* text;
    double value;
    const char* shown;
};

TEST(OperandBoxes, LeaveRulesAndPatterns) {
    using enum Operand;
    const OperandCase cases[] = {
        {false, Amount, "", 0.0625, "  0.0625"},   {false, Amount, "abc", 0, "  0.0000"},
        {false, Amount, "0.1", 0.125, "  0.1250"}, {false, Amount, "0,1", 0.125, "  0.1250"},
        {false, Factor, "", 1.1, "  1.10"},        {false, Factor, "x", 1.0, "  1.00"},
        {false, Factor, "1.234", 1.234, "  1.23"}, {true, Amount, "", 1.0, "  1.00"},
        {true, Amount, "0.3", 0.3, "  0.30"},      {true, Amount, "?", 0, "  0.00"},
        {true, Factor, "0,9", 0.9, "  0.90"},
    };
    for (const OperandCase& c : cases) {
        const TableEditorDescription& d = c.ignition ? ignitionEditor() : fuelEditor();
        const double value = operandValue(d, c.operand, c.text);
        EXPECT_DOUBLE_EQ(value, c.value) << c.text;
        EXPECT_EQ(operandText(d, c.operand, value), QString::fromLatin1(c.shown)) << c.text;
    }
    EXPECT_EQ(operandText(fuelEditor(), Amount, fuelEditor().amountDefault),
              QStringLiteral("  0.0625"));
    EXPECT_EQ(operandText(ignitionEditor(), Amount, ignitionEditor().amountDefault),
              QStringLiteral("  0.50"));
}

// Operands stay as typed, however large; the fuel amount is a whole number
// of 0.0625 ms steps, halves to even; "inf" and "nan" are no numbers. A box
// left with the text it shows keeps the value typed, not the shorter number
// its pattern shows.
TEST(OperandBoxes, NumbersStayAsTypedAndTheFuelAmountRoundsHalfToEven) {
    using enum Operand;
    const OperandCase cases[] = {
        {false, Amount, "0.28125", 0.25, "  0.2500"},
        {false, Amount, "0.09375", 0.125, "  0.1250"},
        {false, Amount, "-1e19", -1e19, "-  10000000000000000000.0000"},
        {false, Amount, "1e308", 1e308, nullptr},
        {false, Factor, "-inf", 1, "  1.00"},
        {true, Amount, "1e308", 1e308, nullptr},
    };
    for (const OperandCase& c : cases) {
        const TableEditorDescription& d = c.ignition ? ignitionEditor() : fuelEditor();
        const double value = operandValue(d, c.operand, c.text);
        EXPECT_EQ(value, c.value) << c.text;
        if (c.shown != nullptr) {
            EXPECT_EQ(operandText(d, c.operand, value), QString::fromLatin1(c.shown)) << c.text;
        }
    }
    const OperandBox typed =
        leaveOperandBox(fuelEditor(), Factor, operandAtLoad(fuelEditor(), Factor), "1.005");
    EXPECT_EQ(typed.shown, "  1.01");
    EXPECT_EQ(leaveOperandBox(fuelEditor(), Factor, typed, "  1.01").value, 1.005);
    EXPECT_EQ(leaveOperandBox(fuelEditor(), Factor, typed, "1.01").value, 1.01);
}

} // namespace
