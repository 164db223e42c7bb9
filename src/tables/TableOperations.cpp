// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/TableOperations.h"

#include "record/NumberFormat.h"
#include "record/Rounding.h"

#include <algorithm>
#include <cmath>

namespace {

int towards(int from, int to) {
    return to >= from ? 1 : -1;
}

FieldCell tableCell(const GridCell& cell, int64_t value) {
    return {cell.row - 1, cell.column - 1, value};
}

int64_t storedRaw(const TableEditorDescription& description, const EcuSettings& settings,
                  int gridRow, int gridColumn) {
    return description.tableOf(
        settings)[static_cast<std::size_t>(gridRow - 1)][static_cast<std::size_t>(gridColumn - 1)];
}

// A cell's new count: the result held to the table's raw range and rounded;
// a result that is no number leaves the stored count.
int64_t newRaw(const TableEditorDescription& description, double result, int64_t stored) {
    return roundedCount(result, description.rawMin, description.rawMax).value_or(stored);
}

} // namespace

std::vector<GridCell> blockWalk(const GridSelection& s) {
    std::vector<GridCell> cells;
    const int columnStep = towards(s.column, s.columnSel);
    const int rowStep = towards(s.row, s.rowSel);
    for (int c = s.column;; c += columnStep) {
        for (int r = s.row;; r += rowStep) {
            cells.push_back({r, c});
            if (r == s.rowSel) {
                break;
            }
        }
        if (c == s.columnSel) {
            break;
        }
    }
    return cells;
}

std::optional<double> typedNumber(const QString& text) {
    QString number = text.trimmed();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::vector<FieldCell> typedEntry(const TableEditorDescription& description,
                                  const EcuSettings& settings, const GridSelection& selection,
                                  const QString& text) {
    const std::optional<double> value = typedNumber(text);
    if (!value) {
        return {};
    }
    const int64_t raw = description.rawFromTyped(*value);
    std::vector<FieldCell> cells;
    for (const GridCell& cell : blockWalk(selection)) {
        if (storedRaw(description, settings, cell.row, cell.column) != raw) {
            cells.push_back(tableCell(cell, raw));
        }
    }
    return cells;
}

std::vector<FieldCell> blockArithmetic(const TableEditorDescription& description,
                                       const EcuSettings& settings, const GridSelection& selection,
                                       BlockArithmetic operation, double amount, double factor) {
    // Fuel multiplies and divides the open time (raw + 1) x 0.0625.
    const double offset = description.isIgnition ? 0.0 : 1.0;
    const double step = description.amountInRaw(amount);
    std::vector<FieldCell> cells;
    for (const GridCell& cell : blockWalk(selection)) {
        const int64_t stored = storedRaw(description, settings, cell.row, cell.column);
        const auto r = static_cast<double>(stored);
        double result = r;
        switch (operation) {
        case BlockArithmetic::Add:
            result = static_cast<float>(r + step);
            break;
        case BlockArithmetic::Subtract:
            result = static_cast<float>(r - step);
            break;
        case BlockArithmetic::Multiply:
            result = factor * (r + offset) - offset;
            break;
        case BlockArithmetic::Divide:
            if (factor != 0.0) {
                result = (r + offset) / factor - offset;
            }
            break;
        }
        cells.push_back(tableCell(cell, newRaw(description, result, stored)));
    }
    return cells;
}

std::vector<FieldCell> smoothBlock(const TableEditorDescription& description,
                                   const EcuSettings& settings, const GridSelection& s) {
    const auto at = [&](int row, int column) {
        return static_cast<double>(storedRaw(description, settings, row, column));
    };
    const double a = at(s.row, s.column);
    const double b = at(s.row, s.columnSel);
    const double c = at(s.rowSel, s.column);
    const double d = at(s.rowSel, s.columnSel);
    const int rowStep = towards(s.row, s.rowSel);
    const int columnStep = towards(s.column, s.columnSel);

    std::vector<FieldCell> cells;
    cells.reserve(static_cast<std::size_t>((std::abs(s.rowSel - s.row) + 1) *
                                           (std::abs(s.columnSel - s.column) + 1)));
    for (int y = s.row;; y += rowStep) {
        double left = at(y, s.column);
        float right = static_cast<float>(at(y, s.columnSel));
        if (s.rowSel != s.row) {
            // Difference times steps first, then the division: a result
            // that lies exactly halfway stays exact and rounds to even.
            left = a + (c - a) * (y - s.row) / (s.rowSel - s.row);
            right = static_cast<float>(b + (d - b) * (y - s.row) / (s.rowSel - s.row));
        }
        for (int x = s.column;; x += columnStep) {
            double v = left;
            if (s.columnSel != s.column) {
                v = left + (right - left) * (x - s.column) / (s.columnSel - s.column);
            }
            cells.push_back(
                tableCell({y, x}, newRaw(description, v, storedRaw(description, settings, y, x))));
            if (x == s.columnSel) {
                break;
            }
        }
        if (y == s.rowSel) {
            break;
        }
    }
    return cells;
}

void markBlock(MarkFlags& marks, const GridSelection& selection, uint8_t mark) {
    for (const GridCell& cell : blockWalk(selection)) {
        marks[static_cast<std::size_t>(cell.row)][static_cast<std::size_t>(cell.column)] = mark;
    }
}

double operandValue(const TableEditorDescription& description, Operand operand,
                    const QString& text) {
    const bool amount = operand == Operand::Amount;
    if (text.trimmed().isEmpty()) {
        return amount ? description.amountWhenEmpty : description.factorWhenEmpty;
    }
    const std::optional<double> value = typedNumber(text);
    if (!value) {
        return amount ? 0.0 : 1.0;
    }
    if (amount && !description.isIgnition) {
        // A number too large for its quotient is a whole number of steps.
        const double steps = *value / 0.0625;
        return std::isfinite(steps) ? nearestEven(steps) * 0.0625 : *value;
    }
    return *value;
}

OperandBox operandAtLoad(const TableEditorDescription& description, Operand operand) {
    const double value =
        operand == Operand::Amount ? description.amountDefault : description.factorDefault;
    return {value, operandText(description, operand, value)};
}

OperandBox leaveOperandBox(const TableEditorDescription& description, Operand operand,
                           const OperandBox& before, const QString& text) {
    if (text == before.shown) {
        return before;
    }
    const double value = operandValue(description, operand, text);
    return {value, operandText(description, operand, value)};
}

QString operandText(const TableEditorDescription& description, Operand operand, double value) {
    return formatNumber(value, operand == Operand::Amount ? description.amountPattern
                                                          : description.factorPattern);
}
