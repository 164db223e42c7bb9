// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// A plain text listing laid out on printed pages: lines too wide for the page
// are broken, tables are kept on one page where they fit.

// One line of a listing as the items it is made of. A line too wide for the
// page is broken between items (an item too wide on its own is broken within
// it), and every continued part starts with `indent` blanks.
struct ReportLine {
    QStringList items;
    int indent = 0;

    QString text() const { return items.join(QString()); }
};

// Lines that belong together. A table's first line is its heading, the
// items of its rows are its columns. A table starts on a fresh page when it
// would not fit on the rest of the page, and a table longer than a page
// repeats its heading, marked as continued, on each page it goes on to. A
// table wider than the page is printed in bands of columns, one after the
// other, each headed with the columns it holds.
struct ReportBlock {
    enum class Kind { Text, Table };
    Kind kind = Kind::Text;
    std::vector<ReportLine> lines;
};

// The listing's lines as text, one per line, unbroken.
QStringList reportText(const std::vector<ReportBlock>& blocks);

// What a heading reads on the pages a table continues on, and over a band of
// its columns (counted from 0).
QString continuedHeading(const QString& heading);
QString bandHeading(const QString& heading, qsizetype firstColumn, qsizetype lastColumn);

// The page a listing is laid out on: its width, how many lines it holds and
// how wide a text is, in the same unit as the width.
struct ReportPageSize {
    int width = 0;
    int lines = 0;
    std::function<int(const QString&)> textWidth;
};

// A printed line, trailing blanks removed, and the block it belongs to.
struct ReportPrintedLine {
    QString text;
    size_t block = 0;
};
using ReportPage = std::vector<ReportPrintedLine>;

// The printed lines of each page. A part that cannot be made to fit (a single
// character wider than the page) is printed as it is.
std::vector<ReportPage> layoutReport(const std::vector<ReportBlock>& blocks,
                                     const ReportPageSize& page);
