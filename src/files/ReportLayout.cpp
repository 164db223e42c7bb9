// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ReportLayout.h"

#include <algorithm>

namespace {

QString trimmedRight(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == QLatin1Char(' ')) {
        --end;
    }
    return text.left(end);
}

class LineBreaker {
public:
    explicit LineBreaker(const ReportPageSize& page) : m_page(page) {}

    // The printed parts of one line.
    QStringList parts(const ReportLine& line) {
        m_parts.clear();
        m_indent = QString(std::max(0, line.indent), QLatin1Char(' '));
        QString current;
        bool started = false; // whether current holds an item
        for (const QString& item : line.items) {
            // An item too wide even for a line of its own starts where the
            // line is and is broken within.
            if (started && !fits(current + item) && fits(m_indent + item)) {
                m_parts << trimmedRight(current);
                current = m_indent;
            }
            current += item;
            started = true;
            current = splitTooWide(current);
        }
        m_parts << trimmedRight(current);
        return m_parts;
    }

    bool fits(const QString& text) const {
        return m_page.textWidth(trimmedRight(text)) <= m_page.width;
    }

private:
    // Breaks off the longest leading parts that fit while the text is too
    // wide; returns what is left. Each part keeps at least one character
    // after the indent, so the breaking ends.
    QString splitTooWide(QString text) {
        while (!fits(text)) {
            const qsizetype start =
                text.startsWith(m_indent) && text.size() > m_indent.size() ? m_indent.size() : 0;
            qsizetype length = start + 1;
            while (length < text.size() && fits(text.left(length + 1))) {
                ++length;
            }
            if (length >= text.size()) {
                break;
            }
            m_parts << trimmedRight(text.left(length));
            text = m_indent + text.mid(length);
        }
        return text;
    }

    const ReportPageSize& m_page;
    QString m_indent;
    QStringList m_parts;
};

class Pager {
public:
    explicit Pager(int linesPerPage) : m_linesPerPage(std::max(1, linesPerPage)) {}

    bool fits(qsizetype lines) const { return used() + lines <= m_linesPerPage; }
    void newPage() { m_pages.emplace_back(); }
    // Starts a fresh page for a group of lines that does not fit the rest of
    // this one; a group longer than a whole page starts where it is.
    void keepTogether(qsizetype lines) {
        if (used() > 0 && !fits(lines)) {
            newPage();
        }
    }
    void add(const QStringList& lines, size_t block) {
        for (const QString& line : lines) {
            m_pages.back().push_back({line, block});
        }
    }
    std::vector<ReportPage> pages() && { return std::move(m_pages); }

private:
    qsizetype used() const { return static_cast<qsizetype>(m_pages.back().size()); }

    int m_linesPerPage;
    std::vector<ReportPage> m_pages{ReportPage()};
};

// Whether every row of the table fits over the columns [first, end).
bool bandFits(const ReportBlock& table, qsizetype first, qsizetype end,
              const LineBreaker& breaker) {
    for (size_t row = 1; row < table.lines.size(); ++row) {
        const ReportLine& line = table.lines[row];
        QString text = first == 0 ? QString() : QString(line.indent, QLatin1Char(' '));
        for (qsizetype c = first; c < std::min(end, line.items.size()); ++c) {
            text += line.items[c];
        }
        if (!breaker.fits(text)) {
            return false;
        }
    }
    return true;
}

// The table's columns (items of its rows) in bands as wide as the page, as
// even as they can be: all of them in one band when every row fits.
std::vector<std::pair<qsizetype, qsizetype>> columnBands(const ReportBlock& table,
                                                         const LineBreaker& breaker) {
    qsizetype columns = 0;
    for (size_t row = 1; row < table.lines.size(); ++row) {
        columns = std::max(columns, table.lines[row].items.size());
    }
    std::vector<std::pair<qsizetype, qsizetype>> bands;
    for (qsizetype first = 0; first < columns || bands.empty();) {
        qsizetype end = first + 1; // one column at least
        while (end < columns && bandFits(table, first, end + 1, breaker)) {
            ++end;
        }
        bands.emplace_back(first, end);
        first = end;
    }
    if (bands.size() > 1) {
        const auto count = static_cast<qsizetype>(bands.size());
        const qsizetype even = (columns + count - 1) / count;
        std::vector<std::pair<qsizetype, qsizetype>> balanced;
        for (qsizetype first = 0; first < columns; first += even) {
            balanced.emplace_back(first, std::min(columns, first + even));
        }
        if (std::all_of(balanced.begin(), balanced.end(), [&](const auto& b) {
                return bandFits(table, b.first, b.second, breaker);
            })) {
            return balanced;
        }
    }
    return bands;
}

// A table's heading and rows over one band of its columns; a later band's
// rows start with their indent instead of the first column's margin.
ReportBlock band(const ReportBlock& table, std::pair<qsizetype, qsizetype> columns, bool banded) {
    ReportBlock part{ReportBlock::Kind::Table, {table.lines.front()}};
    if (banded) {
        part.lines.front().items =
            QStringList{bandHeading(table.lines.front().text(), columns.first, columns.second - 1)};
    }
    for (size_t row = 1; row < table.lines.size(); ++row) {
        const ReportLine& line = table.lines[row];
        ReportLine cut{line.items.mid(columns.first, columns.second - columns.first), line.indent};
        if (columns.first > 0 && !cut.items.isEmpty()) {
            cut.items.front().prepend(QString(line.indent, QLatin1Char(' ')));
        }
        part.lines.push_back(std::move(cut));
    }
    return part;
}

} // namespace

QStringList reportText(const std::vector<ReportBlock>& blocks) {
    QStringList lines;
    for (const ReportBlock& block : blocks) {
        for (const ReportLine& line : block.lines) {
            lines << line.text();
        }
    }
    return lines;
}

QString continuedHeading(const QString& heading) {
    return trimmedRight(heading) + QStringLiteral(" (continued)");
}

QString bandHeading(const QString& heading, qsizetype firstColumn, qsizetype lastColumn) {
    return trimmedRight(heading) +
           QStringLiteral(" (columns %1 to %2)").arg(firstColumn + 1).arg(lastColumn + 1);
}

std::vector<ReportPage> layoutReport(const std::vector<ReportBlock>& blocks,
                                     const ReportPageSize& page) {
    LineBreaker breaker(page);
    Pager pager(page.lines);
    const auto layOut = [&](const ReportBlock& block, size_t index) {
        std::vector<QStringList> lines;
        qsizetype total = 0;
        for (const ReportLine& line : block.lines) {
            lines.push_back(breaker.parts(line));
            total += lines.back().size();
        }
        if (block.kind == ReportBlock::Kind::Text || lines.empty()) {
            for (const QStringList& parts : lines) {
                pager.keepTogether(parts.size());
                pager.add(parts, index);
            }
            return;
        }
        ReportLine continued = block.lines.front();
        continued.items = QStringList{continuedHeading(continued.text())};
        const QStringList continuedParts = breaker.parts(continued);
        pager.keepTogether(total);
        pager.add(lines.front(), index);
        for (size_t row = 1; row < lines.size(); ++row) {
            if (!pager.fits(lines[row].size())) {
                pager.newPage();
                pager.add(continuedParts, index);
            }
            pager.add(lines[row], index);
        }
    };
    for (size_t b = 0; b < blocks.size(); ++b) {
        if (blocks[b].kind == ReportBlock::Kind::Text || blocks[b].lines.empty()) {
            layOut(blocks[b], b);
            continue;
        }
        const auto bands = columnBands(blocks[b], breaker);
        for (const auto& columns : bands) {
            layOut(band(blocks[b], columns, bands.size() > 1), b);
        }
    }
    return std::move(pager).pages();
}
