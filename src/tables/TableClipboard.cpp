// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/TableClipboard.h"

#include <QStringList>
#include <algorithm>

namespace {

constexpr int kLastGridCell = 16;

// "1 row", "2 rows".
QString counted(qsizetype n, const QString& one, const QString& many) {
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}

} // namespace

QString copyBlock(const TableEditorDescription& description, const EcuSettings& settings,
                  const GridSelection& s) {
    const EcuSettings::Table& table = description.tableOf(settings);
    QStringList lines;
    for (int row = std::min(s.row, s.rowSel); row <= std::max(s.row, s.rowSel); ++row) {
        QStringList cells;
        for (int column = std::min(s.column, s.columnSel);
             column <= std::max(s.column, s.columnSel); ++column) {
            const int64_t raw =
                table[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
            cells << QString::number(description.shown(raw), 'g', 10);
        }
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

PasteResult pasteBlock(const TableEditorDescription& description, const EcuSettings& settings,
                       const GridSelection& s, const QString& text) {
    QString block = text;
    block.remove(QLatin1Char('\r'));
    while (block.endsWith(QLatin1Char('\n'))) {
        block.chop(1);
    }
    if (block.trimmed().isEmpty()) {
        return {{}, QStringLiteral("The clipboard holds no numbers to paste.")};
    }
    const QStringList lines = block.split(QLatin1Char('\n'));
    const int top = std::min(s.row, s.rowSel);
    const int left = std::min(s.column, s.columnSel);
    const EcuSettings::Table& table = description.tableOf(settings);

    PasteResult result;
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList items = lines[i].split(QLatin1Char('\t'));
        if (top + i > kLastGridCell || left + items.size() - 1 > kLastGridCell) {
            return {
                {},
                QStringLiteral("The block of %1 by %2 does not fit the table from row %3, "
                               "column %4. Nothing was pasted.")
                    .arg(counted(lines.size(), QStringLiteral("row"), QStringLiteral("rows")),
                         counted(items.size(), QStringLiteral("column"), QStringLiteral("columns")))
                    .arg(top)
                    .arg(left)};
        }
        for (int j = 0; j < items.size(); ++j) {
            const std::optional<double> value = typedNumber(items[j]);
            if (!value) {
                return {{},
                        QStringLiteral("\"%1\" in line %2, item %3 is not a number. Nothing "
                                       "was pasted.")
                            .arg(items[j].trimmed())
                            .arg(i + 1)
                            .arg(j + 1)};
            }
            const int index1 = top + i - 1;
            const int index2 = left + j - 1;
            const int64_t raw = description.rawFromTyped(*value);
            if (table[static_cast<std::size_t>(index1)][static_cast<std::size_t>(index2)] != raw) {
                result.cells.push_back({index1, index2, raw});
            }
        }
    }
    return result;
}
