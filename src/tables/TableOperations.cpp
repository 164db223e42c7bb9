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
        const auto r = static_cast<double>(storedRaw(description, settings, cell.row, cell.column));
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
        cells.push_back(tableCell(
            cell, std::clamp(roundHalfEven(result), description.rawMin, description.rawMax)));
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
    for (int y = s.row;; y += rowStep) {
        double left = at(y, s.column);
        float right = static_cast<float>(at(y, s.columnSel));
        if (s.rowSel != s.row) {
            const double share = static_cast<double>(y - s.row) / (s.rowSel - s.row);
            left = a + (c - a) * share;
            right = static_cast<float>(b + (d - b) * share);
        }
        for (int x = s.column;; x += columnStep) {
            double v = left;
            if (s.columnSel != s.column) {
                v = left + (right - left) * (x - s.column) / (s.columnSel - s.column);
            }
            cells.push_back(tableCell(
                {y, x}, std::clamp(roundHalfEven(v), description.rawMin, description.rawMax)));
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
        return static_cast<double>(roundHalfEven(*value / 0.0625)) * 0.0625;
    }
    return *value;
}

QString operandText(const TableEditorDescription& description, Operand operand, double value) {
    return formatNumber(value, operand == Operand::Amount ? description.amountPattern
                                                          : description.factorPattern);
}
