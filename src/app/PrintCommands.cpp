// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PrintCommands.h"

#include "app/Version.h"
#include "app/WindowRegistry.h"
#include "files/DataReport.h"
#include "files/PrintFile.h"
#include "monitor/TimeHistoryWindow.h"
#include "plot3d/Plot3DViews.h"
#include "plot3d/Plot3DWindow.h"
#include "record/AppState.h"
#include "record/SettingsStore.h"
#include "record/UserInteraction.h"

#include <QDateTime>
#include <QDir>
#include <QPrintDialog>
#include <QPrinter>

namespace {
QString tr(const char* text) {
    return QObject::tr(text);
}
} // namespace

PrintCommands::PrintCommands(Parts parts) : m_parts(std::move(parts)) {}

bool PrintCommands::choosePrinter(QPrinter& printer, const QString& title) {
    if (m_parts.choosePrinter) {
        return m_parts.choosePrinter(printer, title);
    }
    QPrintDialog dialog(&printer, &m_parts.parent);
    dialog.setWindowTitle(title);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    return dialog.exec() == QDialog::Accepted;
}

void PrintCommands::printSafely(QPrinter& printer, const std::function<bool()>& draw) {
    const QString path = printer.outputFileName();
    if (printer.outputFormat() != QPrinter::PdfFormat || path.isEmpty()) {
        if (!draw()) {
            m_parts.ui.message(tr("The printer could not start."), UserInteraction::Icon::Critical);
        }
        return;
    }
    PrintFile file(path);
    bool written = file.open();
    if (written) {
        printer.setOutputFileName(file.temporaryPath());
        written = draw() && file.finish();
        printer.setOutputFileName(path);
    }
    if (!written) {
        m_parts.ui.message(
            tr("%1 could not be written: %2. An earlier file of that name is kept as "
               "it was.")
                .arg(QDir::toNativeSeparators(path),
                     file.error().isEmpty() ? tr("the printer could not start") : file.error()),
            UserInteraction::Icon::Critical);
    }
}

void PrintCommands::printData() {
    QPrinter printer;
    if (!choosePrinter(printer, QStringLiteral("Print Data"))) {
        return;
    }
    const std::vector<ReportBlock> report = dataReport(
        m_parts.state, m_parts.store.settings(), monitorVersion(), QDateTime::currentDateTime());
    printSafely(printer, [&] { return printDataReport(printer, report); });
}

QList<PrintablePlot> PrintCommands::plotsToPrint() const {
    QList<PrintablePlot> plots;
    if (const auto* history = m_parts.windows.find<TimeHistoryWindow>()) {
        plots.append(
            PrintablePlot{history->windowTitle(), [history](QPainter& painter, const QRect& area) {
                              history->printRealtimePlot(painter, area);
                          }});
        return plots;
    }
    // Otherwise the open 3D plots, one page each.
    for (const Plot3DWindow* plot : m_parts.plots.openWindows()) {
        plots.append(
            PrintablePlot{plot->windowTitle(), [plot](QPainter& painter, const QRect& area) {
                              plot->paintPlot(painter, QRectF(area));
                          }});
    }
    return plots;
}

void PrintCommands::printPlot() {
    const QList<PrintablePlot> plots = plotsToPrint();
    if (plots.isEmpty()) {
        m_parts.ui.message(QStringLiteral("No Plot Active"), UserInteraction::Icon::Information,
                           UserInteraction::Buttons::Ok, QStringLiteral("Vantrel - Print"));
        return;
    }
    QPrinter printer;
    printer.setPageOrientation(QPageLayout::Landscape);
    if (!choosePrinter(printer, QStringLiteral("Print Plot"))) {
        return;
    }
    printSafely(printer, [&] { return printPlots(printer, plots); });
}
