// The main window's diagnostics window, printing, recent files and the
// comparison of a data file with the settings in the program.

#include "app/MainWindow.h"
#include "app/Version.h"
#include "diag/SensorCheckWindow.h"
#include "files/DataReport.h"
#include "files/DifferenceText.h"
#include "files/EcuDiff.h"
#include "files/EcuFile.h"
#include "files/PrintFile.h"
#include "files/RecentFiles.h"
#include "monitor/TimeHistoryWindow.h"
#include "plot3d/Plot3DViews.h"
#include "plot3d/Plot3DWindow.h"
#include "record/AppState.h"
#include "record/UserInteraction.h"
#include "session/Session.h"

#include <QAction>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>

void MainWindow::showSensorCheck() {
    if (m_windows->raise(WindowCode::SensorCheck)) {
        return;
    }
    auto* window = new SensorCheckWindow(m_state, *m_store, *m_session, &m_session->liveFeed());
    m_windows->show(window, WindowCode::SensorCheck);
}

// Printing.

bool MainWindow::choosePrinter(QPrinter& printer, const QString& title) {
    if (m_options.choosePrinter) {
        return m_options.choosePrinter(printer, title);
    }
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(title);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    return dialog.exec() == QDialog::Accepted;
}

void MainWindow::printSafely(QPrinter& printer, const std::function<bool()>& draw) {
    const QString path = printer.outputFileName();
    if (printer.outputFormat() != QPrinter::PdfFormat || path.isEmpty()) {
        if (!draw()) {
            m_ui.message(tr("The printer could not start."), UserInteraction::Icon::Critical);
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
        m_ui.message(
            tr("%1 could not be written: %2. An earlier file of that name is kept as "
               "it was.")
                .arg(QDir::toNativeSeparators(path),
                     file.error().isEmpty() ? tr("the printer could not start") : file.error()),
            UserInteraction::Icon::Critical);
    }
}

void MainWindow::filePrint() {
    QPrinter printer;
    if (!choosePrinter(printer, QStringLiteral("Print Data"))) {
        return;
    }
    const std::vector<ReportBlock> report =
        dataReport(m_state, monitorVersion(), QDateTime::currentDateTime());
    printSafely(printer, [&] { return printDataReport(printer, report); });
}

QList<PrintablePlot> MainWindow::plotsToPrint() const {
    QList<PrintablePlot> plots;
    if (const auto* history = m_windows->find<TimeHistoryWindow>()) {
        plots.append(
            PrintablePlot{history->windowTitle(), [history](QPainter& painter, const QRect& area) {
                              history->printRealtimePlot(painter, area);
                          }});
        return plots;
    }
    // Otherwise the open 3D plots, one page each.
    for (const Plot3DWindow* plot : m_plots->openWindows()) {
        plots.append(
            PrintablePlot{plot->windowTitle(), [plot](QPainter& painter, const QRect& area) {
                              plot->paintPlot(painter, QRectF(area));
                          }});
    }
    return plots;
}

void MainWindow::filePrintPlot() {
    const QList<PrintablePlot> plots = plotsToPrint();
    if (plots.isEmpty()) {
        m_ui.message(QStringLiteral("No Plot Active"), UserInteraction::Icon::Information,
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

// Recent files.

void MainWindow::rememberFile() {
    m_recentFiles->add(m_state.CurrentFileName);
    showRecentFiles();
}

void MainWindow::showRecentFiles() {
    const QStringList files = m_recentFiles->files();
    for (int i = 0; i < m_menus.fileMru.size(); ++i) {
        QAction* entry = m_menus.fileMru[i];
        const bool used = i < files.size();
        entry->setVisible(used);
        entry->setText(used
                           ? QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(files[i]).fileName())
                           : QString());
        entry->setToolTip(used ? files[i] : QString());
        entry->setData(used ? files[i] : QString());
    }
    m_menus.fileMruBar->setVisible(!files.isEmpty());
}

void MainWindow::openRecentFile(int index) {
    const QString path = m_menus.fileMru[index]->data().toString();
    if (path.isEmpty()) {
        return;
    }
    if (!QFileInfo::exists(path)) {
        m_ui.message(
            tr("The data file %1 is missing; it is taken off the list of recent files.").arg(path),
            UserInteraction::Icon::Information);
        m_recentFiles->remove(path);
        showRecentFiles();
        return;
    }
    openDataFile(path);
}

// Compare with ECU: what a data file would change, without sending anything.

void MainWindow::fileCompare() {
    const QString path =
        m_options.chooseFile(QStringLiteral("Compare with ECU"),
                             QStringLiteral("Ecu (*.ecu);;All Files (*.*)"), FileDialogMode::Open);
    if (path.isEmpty()) {
        return;
    }
    const EcuFileReadResult file = loadEcuFile(path, m_state.settings);
    if (!file.ok()) {
        m_ui.message(file.error);
        return;
    }
    const std::vector<EcuFieldDifference> differences =
        compareEcuSettings(m_state.settings, *file.settings);
    const QString name = QFileInfo(path).fileName();
    if (differences.empty()) {
        m_ui.message(tr("%1 holds the same settings as the program.").arg(name),
                     UserInteraction::Icon::Information);
        return;
    }
    const QStringList lines =
        DifferenceText(m_state.settings, *file.settings).describe(differences);
    auto* dialog = new QDialog(this);
    dialog->setObjectName(QStringLiteral("frmCompare"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Compare with ECU - %1").arg(name));
    auto* heading = new QLabel(tr("%n value(s) differ; each line reads: in the program -> in %1",
                                  nullptr, static_cast<int>(differences.size()))
                                   .arg(name),
                               dialog);
    auto* list = new QPlainTextEdit(lines.join(QLatin1Char('\n')), dialog);
    list->setObjectName(QStringLiteral("DifferenceList"));
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(heading);
    layout->addWidget(list);
    layout->addWidget(buttons);
    dialog->resize(520, 420);
    dialog->show();
}
