#include "files/ReportPrinter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

bool printDataReport(QPrinter& printer, const QStringList& lines) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    QFont font(QStringLiteral("Courier New"), 8);
    font.setBold(true);
    font.setStyleHint(QFont::TypeWriter);
    painter.setFont(font);
    const QFontMetrics metrics(font, &printer);
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const int lineHeight = metrics.lineSpacing();
    const int perPage = std::max(1, page.height() / lineHeight);
    int onPage = 0;
    for (const QString& line : lines) {
        if (onPage == perPage) {
            printer.newPage();
            onPage = 0;
        }
        painter.drawText(0, onPage * lineHeight + metrics.ascent(), line);
        ++onPage;
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
