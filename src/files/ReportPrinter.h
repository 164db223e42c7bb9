#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

class QPainter;
class QPrinter;

// Puts the data report and the plots on paper (or into a PDF file).

// Prints the lines in "Courier New", 8 points, bold, starting a new page when
// one is full. Returns false when the printer could not start.
bool printDataReport(QPrinter& printer, const QStringList& lines);

// One plot that Print Plot puts on a page of its own: drawn into the page
// area it is given.
struct PrintablePlot {
    QString name;
    std::function<void(QPainter& painter, const QRect& area)> draw;
};

// Prints each plot on its own page. Returns false when the printer could not
// start.
bool printPlots(QPrinter& printer, const QList<PrintablePlot>& plots);
