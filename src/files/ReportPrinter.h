// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/ReportLayout.h"

#include <QFont>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QPainter;
class QPrinter;

// Puts the data report and the plots on paper (or into a PDF file).

// The report's font: "Courier New", 8 points, bold (or the nearest fixed
// pitch font).
QFont reportFont();

// The report's lines on each page of the printer, each line as wide as the
// printable area at most, at the report's font.
std::vector<ReportPage> layoutForPrinter(QPrinter& printer, const std::vector<ReportBlock>& blocks);

// Prints the report at the report's font. Returns false when the printer
// could not start.
bool printDataReport(QPrinter& printer, const std::vector<ReportBlock>& blocks);

// One plot that Print Plot puts on a page of its own: drawn into the page
// area it is given.
struct PrintablePlot {
    QString name;
    std::function<void(QPainter& painter, const QRect& area)> draw;
};

// Prints each plot on its own page. Returns false when the printer could not
// start.
bool printPlots(QPrinter& printer, const QList<PrintablePlot>& plots);
