// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ReportPrinter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

QFont reportFont() {
    QFont font(QStringLiteral("Courier New"), 8);
    font.setBold(true);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

namespace {

QRect printableArea(const QPrinter& printer) {
    return printer.pageLayout().paintRectPixels(printer.resolution());
}

} // namespace

std::vector<ReportPage> layoutForPrinter(QPrinter& printer,
                                         const std::vector<ReportBlock>& blocks) {
    const QFontMetrics metrics(reportFont(), &printer);
    const QRect area = printableArea(printer);
    const ReportPageSize page{
        area.width(), area.height() / metrics.lineSpacing(),
        [&metrics](const QString& text) { return metrics.horizontalAdvance(text); }};
    return layoutReport(blocks, page);
}

bool printDataReport(QPrinter& printer, const std::vector<ReportBlock>& blocks) {
    const std::vector<ReportPage> pages = layoutForPrinter(printer, blocks);
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    painter.setFont(reportFont());
    const QFontMetrics metrics(reportFont(), &printer);
    bool first = true;
    for (const ReportPage& lines : pages) {
        if (!first) {
            printer.newPage();
        }
        first = false;
        int baseline = metrics.ascent();
        for (const ReportPrintedLine& line : lines) {
            painter.drawText(0, baseline, line.text);
            baseline += metrics.lineSpacing();
        }
    }
    return painter.end();
}

bool printPlots(QPrinter& printer, const QList<PrintablePlot>& plots) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    const QRect page(QPoint(0, 0),
                     printer.pageLayout().paintRectPixels(printer.resolution()).size());
    bool first = true;
    for (const PrintablePlot& plot : plots) {
        if (!first) {
            printer.newPage();
        }
        first = false;
        painter.save();
        plot.draw(painter, page);
        painter.restore();
    }
    return painter.end();
}
