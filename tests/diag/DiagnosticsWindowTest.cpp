// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulatedMainWindow.h"
#include "StoreRecord.h"
#include "comm/EcuLine.h"
#include "diag/SensorCheckWindow.h"
#include "files/EcuFile.h"
#include "monitor/Acquisition.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>

namespace {

class DiagnosticsWindowTest : public SimulatedMainWindow {
protected:
    void start() {
        MainWindow::Options options;
        options.chooseFile = [this](const QString&, const QString&, MainWindow::FileDialogMode) {
            return chosenFile;
        };
        options.choosePrinter = [this](QPrinter& printer, const QString& title) {
            printerTitles << title;
            landscape.push_back(printer.pageLayout().orientation() == QPageLayout::Landscape);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir.filePath(title + QStringLiteral(".pdf")));
            return true;
        };
        SimulatedMainWindow::start(options);
        ui.clear();
    }

    QByteArray pdf(const QString& title) const {
        QFile file(dir.filePath(title + QStringLiteral(".pdf")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList recentEntries() const {
        QStringList shown;
        for (const QAction* entry : window->menus().fileMru) {
            if (entry->isVisible()) {
                shown << entry->text();
            }
        }
        return shown;
    }

    QString chosenFile;
    QStringList printerTitles;
    std::vector<bool> landscape;
};

TEST_F(DiagnosticsWindowTest, ShowsLiveValuesFiresOutputsAndWantsDeveloperReadsWhileOpen) {
    ecu.startEngine();
    start();
    state.DeveloperMode = true;
    window->menus().sensorCheck->trigger();
    auto* diagnostics = window->findChild<SensorCheckWindow*>();
    ASSERT_NE(diagnostics, nullptr);
    EXPECT_EQ(diagnostics->windowTitle(), "Diagnostics");
    EXPECT_TRUE(window->acquisition().developerReadsRequested());
    window->pollTick();
    EXPECT_TRUE(link.written().contains(char(114))) << "the first spare value is read";
    EXPECT_EQ(diagnostics->box(4, 0)->text().toInt(),
              window->line().liveValues().BatteryChannel.RawLow);
    EXPECT_TRUE(diagnostics->box(4, 2)->text().endsWith(" Volt"));

    link.clearWritten();
    diagnostics->outputButton(0)->click();
    EXPECT_EQ(link.written(), QByteArray::fromHex("1101")); // command 17, output 1
    diagnostics->outputButton(kOutputTestButtons - 1)->click();
    EXPECT_EQ(ecu.lastOutputTestPort(), kOutputTestButtons);
    EXPECT_EQ(ecu.outputTestCount(), 2);

    window->unloadAllWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window->acquisition().developerReadsRequested());
}

TEST_F(DiagnosticsWindowTest, StopEngineSendsAtOnceAndSaysWhenTheEcuIsOffline) {
    start();
    window->menus().engineStop->trigger();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ecu.stopCount(), 1);
    EXPECT_EQ(link.written(), QByteArray::fromHex("7f"));

    state.EcuOnline = false;
    ui.clear();
    window->menus().engineStop->trigger();
    EXPECT_EQ(ecu.stopCount(), 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains("offline"));
}

TEST_F(DiagnosticsWindowTest, RecentFilesFollowOpenAndSaveAcrossRunsAndDropMissingFiles) {
    start();
    EXPECT_TRUE(recentEntries().isEmpty());
    EXPECT_FALSE(window->menus().fileMruBar->isVisible());
    for (const char* name : {"first.ecu", "second.ecu"}) {
        chosenFile = dir.filePath(QString::fromLatin1(name));
        window->menus().fileSaveAs->trigger();
    }
    window.reset(); // the next run
    start();
    EXPECT_EQ(recentEntries(), QStringList({"&1 second.ecu", "&2 first.ecu"}));

    QFile::remove(dir.filePath(QStringLiteral("first.ecu")));
    window->menus().fileMru[1]->trigger();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains("missing"));
    EXPECT_EQ(recentEntries(), QStringList({"&1 second.ecu"}));

    const auto saved = window->store().settings().RevLimit;
    recordOf(window->store()).RevLimit = 1234;
    window->menus().fileMru[0]->trigger();
    EXPECT_EQ(state.CurrentFileName, dir.filePath(QStringLiteral("second.ecu")));
    EXPECT_EQ(window->store().settings().RevLimit, saved);
    EXPECT_EQ(ecu.settings().RevLimit, saved) << "opened files are sent, as File > Open does";
}

TEST_F(DiagnosticsWindowTest, CompareListsWhatAFileWouldChangeAndSendsNothing) {
    start();
    EcuSettings other = window->store().settings();
    other.RevLimit = 6100;
    other.CrankRpm = 420;
    other.FuelTable[2][3] = 127; // 8.000 ms
    chosenFile = dir.filePath(QStringLiteral("other.ecu"));
    QFile file(chosenFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(writeEcuFile(other));
    file.close();
    const EcuSettings before = window->store().settings();

    window->menus().fileCompare->trigger();
    auto* list = window->findChild<QPlainTextEdit*>(QStringLiteral("DifferenceList"));
    ASSERT_NE(list, nullptr);
    // What the editors show: rpm and ms, a table cell at its rpm and load
    // (throttle per cent on the simulated ECU, 9000 rpm at the last column).
    ASSERT_EQ(before.MaxRpm, 9000);
    ASSERT_EQ(before.LoadControl, 2);
    ASSERT_EQ(before.FuelTable[2][3], 46);
    EXPECT_EQ(list->toPlainText().split('\n'),
              QStringList({QStringLiteral("Rev Limit: %1 -> 6100 rpm").arg(before.RevLimit),
                           QStringLiteral("Crank Rpm: %1 -> 420 rpm").arg(before.CrankRpm),
                           QStringLiteral("Fuel Table at 1800 rpm, 91.0 %: 2.938 -> 8.000 ms")}));
    EXPECT_TRUE(link.written().isEmpty());
    EXPECT_EQ(window->store().settings(), before);
}

TEST_F(DiagnosticsWindowTest, PrintsDataAndThePlotToPdfAndSaysWhenNoPlotIsOpen) {
    start();
    window->menus().filePrint->trigger();
    EXPECT_TRUE(pdf(QStringLiteral("Print Data")).startsWith("%PDF"));

    window->menus().filePrintPlot->trigger();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "No Plot Active");
    EXPECT_EQ(ui.messages[0].title, "Vantrel - Print");
    EXPECT_EQ(printerTitles, QStringList({"Print Data"})) << "no dialog without a plot";

    // Without the time history plot, each open 3D plot gets a page of its own.
    const auto pages = [](const QByteArray& pdf) {
        return pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page ") +
               pdf.count("/Type /Page/") + pdf.count("/Type /Page>");
    };
    window->menus().setup3DFuel->trigger();
    window->menus().setup3DIgnition->trigger();
    window->menus().filePrintPlot->trigger();
    EXPECT_EQ(pages(pdf(QStringLiteral("Print Plot"))), 2);

    window->menus().plotRealTime->trigger();
    window->menus().filePrintPlot->trigger();
    const QByteArray history = pdf(QStringLiteral("Print Plot"));
    EXPECT_TRUE(history.startsWith("%PDF"));
    EXPECT_EQ(pages(history), 1);
    EXPECT_EQ(landscape, std::vector<bool>({false, true, true}));
}

} // namespace
