// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/SettingsStore.h"
#include "tables/TableEditorDescription.h"

#include <QString>
#include <optional>
#include <vector>

// One grid cell, row and column 1..16.
struct GridCell {
    int row = 0;
    int column = 0;

    bool operator==(const GridCell&) const = default;
};

// The grid selection from (row, column) to (rowSel, columnSel), either way.
struct GridSelection {
    int row = 1;
    int column = 1;
    int rowSel = 1;
    int columnSel = 1;
};

// The cells of a block column by column from `column` towards `columnSel`,
// and in each column row by row from `row` towards `rowSel`.
std::vector<GridCell> blockWalk(const GridSelection& selection);

// The number in a typed text, or nothing when it is not a number (an empty
// box included). A "," is a decimal point, so "1,5" reads as 1.5; blanks
// around the number are ignored.
std::optional<double> typedNumber(const QString& text);

// A typed entry over the selected block: every cell takes the typed value
// (limited and rounded by the table's rule), in the block walk's order. Only
// the cells whose stored value differs are returned, for
// SettingsStore::setCells; nothing when the text is not a number.
std::vector<FieldCell> typedEntry(const TableEditorDescription& description,
                                  const EcuSettings& settings, const GridSelection& selection,
                                  const QString& text);

// The operation codes of the arithmetic buttons.
enum class BlockArithmetic : uint8_t { Add = 0, Multiply = 1, Subtract = 2, Divide = 3 };

// Add, multiply, subtract or divide every cell of the block (amount in ms or
// degrees, factor plain), rounded half to even and held to the raw range.
// Every cell is returned in the block walk's order, changed or not, for
// SettingsStore::setCells with Send::Always. A factor of 0 divides nothing.
std::vector<FieldCell> blockArithmetic(const TableEditorDescription& description,
                                       const EcuSettings& settings, const GridSelection& selection,
                                       BlockArithmetic operation, double amount, double factor);

// Smooths the block by bilinear interpolation from its four corners; a
// one-row block interpolates along the row, a one-column block down the
// column. Every cell is returned row by row from `row` towards `rowSel`, in
// each row from `column` towards `columnSel`.
std::vector<FieldCell> smoothBlock(const TableEditorDescription& description,
                                   const EcuSettings& settings, const GridSelection& selection);

// Sets the mark flag (0, 1 or 2) of every cell of the block. The ECU never
// sees the marks.
void markBlock(MarkFlags& marks, const GridSelection& selection, uint8_t mark);

// The operand boxes: amount (index 0) and factor (index 1).
enum class Operand : uint8_t { Amount = 0, Factor = 1 };
// The value of an operand box when it is left: an empty box takes its
// default, a text that is not a number ("inf" and "nan" included) 0 (amount)
// or 1 (factor); a fuel amount is rounded to a whole number of 0.0625 ms
// steps (halves to even). Any other number stays as typed, however large.
double operandValue(const TableEditorDescription& description, Operand operand,
                    const QString& text);
// The box's text for a value, in its pattern.
QString operandText(const TableEditorDescription& description, Operand operand, double value);

// An operand box: the value the operations use and the text the box shows,
// which is the value in the box's pattern and may show fewer decimals.
struct OperandBox {
    double value = 0.0;
    QString shown;
};
// The box at window load.
OperandBox operandAtLoad(const TableEditorDescription& description, Operand operand);
// Leaving the box with the text it holds: text the user did not change keeps
// the value as it was typed (a factor of 1.005 shows "  1.01" and stays
// 1.005); other text takes the value by operandValue's rule.
OperandBox leaveOperandBox(const TableEditorDescription& description, Operand operand,
                           const OperandBox& before, const QString& text);
