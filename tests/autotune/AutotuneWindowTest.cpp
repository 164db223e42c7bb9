// SPDX-License-Identifier: GPL-3.0-or-later
// Tuning > Autotune... on the main window, as a tuner uses it: its keys, a
// log added with the button, the Show list, a click that locks a cell, a
// typed limit, Apply and the fuel editor's Undo, each checked by the bytes
// that reach the simulated ECU; and the live source on the running engine.

#include "autotune/AutotuneWindow.h"
#include "AutotuneData.h"
#include "SimulatedMainWindow.h"
#include "history/TuneHistory.h"
#include "monitor/Acquisition.h"
#include "tables/TableEditorWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QUndoStack>
#include <cmath>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

using namespace autotune_data;

size_t at(int i) {
    return static_cast<size_t>(i);
}

double msOf(int raw) {
    return (raw + 1) * 0.0625;
}

// The bytes of fuel cell commands, one (row, column, raw) each.
QByteArray fuelCells(const std::vector<FieldCell>& cells) {
    QByteArray bytes;
    for (const FieldCell& c : cells) {
        bytes.append(char(240)).append(char(c.index1)).append(char(c.index2)).append(char(c.value));
    }
    return bytes;
}

class AutotuneWindowTest : public SimulatedMainWindow {
protected:
    void begin(const EcuSettings& image) {
        ecu.setSettings(image);
        options.chooseFile = [this](const QString& title, const QString&,
                                    MainWindow::FileDialogMode) {
            chooserTitles << title;
            return logPath;
        };
        options.clock = [this] { return nowMs; };
        start(options);
        ui.clear();
        QApplication::setActiveWindow(window.get());
    }

    // Ctrl+T, as the Tuning menu shows it.
    AutotuneWindow* open() {
        QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
        return window->findChild<AutotuneWindow*>();
    }

    template <typename T = QWidget> T* control(AutotuneWindow* tune, const char* name) {
        T* found = tune->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QString text(AutotuneWindow* tune, const char* label) {
        return control<QLabel>(tune, label)->text();
    }

    QString cellText(AutotuneWindow* tune, int row = kRow, int column = kColumn) {
        return tune->grid()->model()->index(row, column).data().toString();
    }

    void clickCell(AutotuneWindow* tune, int row = kRow, int column = kColumn) {
        QTableView* grid = tune->grid();
        const QRect cell = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    }

    // A click into the box, its text selected from the start, the new text
    // and Enter.
    static void retype(QLineEdit* box, const char* text) {
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClick(box, Qt::Key_Home);
        QTest::keyClick(box, Qt::Key_End, Qt::ShiftModifier);
        QTest::keyClicks(box, QString::fromLatin1(text));
        QTest::keyClick(box, Qt::Key_Return);
    }

    // Where the window is too narrow for the grid beside the settings, a
    // click on the tab of the page (0 the grid, 1 the settings).
    void showPage(AutotuneWindow* tune, int page) {
        auto* pages = control<QTabWidget>(tune, "AutotunePages");
        if (pages->isVisible()) {
            QTabBar* bar = pages->tabBar();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
            EXPECT_EQ(pages->currentIndex(), page);
        }
    }

    void waitForRead(AutotuneWindow* tune) {
        if (tune->workspace().reading()) {
            QSignalSpy done(&tune->workspace(), &AutotuneWorkspace::readingChanged);
            ASSERT_TRUE(done.wait());
        }
    }

    QString logPath = dir.filePath(QStringLiteral("drive.log"));
    MainWindow::Options options;
    QStringList chooserTitles;
    qint64 nowMs = 0;
};

TEST_F(AutotuneWindowTest, ALogsProposalLockedByClickLimitedByABoxAppliedAndUndone) {
    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write(drive(40, 5));
    log.close();
    begin(tune());
    EXPECT_EQ(window->menus().tuningAutotune->text(), "Au&totune...");
    EXPECT_EQ(window->menus().tuningAutotune->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));

    AutotuneWindow* tune = open();
    ASSERT_NE(tune, nullptr);
    EXPECT_EQ(window->activeWindow(), WindowCode::Autotune);
    EXPECT_EQ(control<QComboBox>(tune, "EgoInputCombo")->currentText(), "User 2 (EGO)");
    EXPECT_EQ(QApplication::focusWidget(), tune->grid());
    EXPECT_EQ(window->mdiArea()->activeSubWindow()->size(), window->mdiArea()->viewport()->size());
    EXPECT_EQ(cellText(tune), "10.000");
    EXPECT_FALSE(control<QAbstractButton>(tune, "ApplyButton")->isEnabled());

    showPage(tune, 1);
    QTest::mouseClick(control(tune, "AddLogButton"), Qt::LeftButton);
    EXPECT_EQ(chooserTitles, QStringList{"Autotune Log"});
    waitForRead(tune);
    EXPECT_EQ(text(tune, "RejectedCount0"), "5"); // water below 160 °F
    EXPECT_EQ(text(tune, "UsedCount"), "35");
    EXPECT_EQ(text(tune, "SummaryLabel"), "40 records: 35 used, 5 rejected. 1 cell changes.");
    EXPECT_EQ(cellText(tune), "11.000");
    EXPECT_EQ(tune->grid()->model()->index(kRow, kColumn).data(Qt::BackgroundRole).value<QColor>(),
              QColor(255, 138, 138)); // two thirds of the way to the largest change
    // The Show list by its keys: the change, then the hits.
    auto* show = control<QComboBox>(tune, "ShowCombo");
    QTest::keyClick(show, Qt::Key_Down);
    QTest::keyClick(show, Qt::Key_Down);
    EXPECT_EQ(cellText(tune), "+10.0");
    QTest::keyClick(show, Qt::Key_Down);
    EXPECT_EQ(cellText(tune), "35");
    EXPECT_EQ(cellText(tune, 0, 0), "");

    // A click locks the cell: its records are left out and nothing changes.
    showPage(tune, 1);
    EXPECT_TRUE(control(tune, "RejectedCount6")->isVisible());
    showPage(tune, 0);
    clickCell(tune);
    EXPECT_EQ(text(tune, "RejectedCount6"), "35");
    EXPECT_EQ(text(tune, "UsedCount"), "0");
    EXPECT_FALSE(control<QAbstractButton>(tune, "ApplyButton")->isEnabled());
    EXPECT_EQ(text(tune, "CellLabel"), "Row 14, column 5: 10.000 ms, no records; locked");
    clickCell(tune);
    EXPECT_EQ(text(tune, "UsedCount"), "35");

    // A largest change of 5 % holds the cell at 10.5 ms.
    showPage(tune, 1);
    auto* maxChange = control<QLineEdit>(tune, "MaxChangeText");
    retype(maxChange, "5");
    EXPECT_EQ(maxChange->text(), "5.0");
    QTest::keyClick(show, Qt::Key_Home);
    EXPECT_EQ(cellText(tune), "10.500");

    QTest::mouseClick(control(tune, "ApplyButton"), Qt::LeftButton);
    EXPECT_EQ(link.written(), fuelCells({{kRow, kColumn, 167}}));
    EXPECT_EQ(ecu.settings().FuelTable[at(kRow)][at(kColumn)], 167);
    EXPECT_EQ(text(tune, "SummaryLabel"), "0 records: 0 used, 0 rejected. 0 cells change.");
    EXPECT_EQ(tune->workspace().logs(), QStringList{});
    // The tune the apply made is kept in the tune history.
    {
        TuneHistoryOptions where;
        where.path = dir.filePath(QStringLiteral("history.sqlite"));
        const TuneHistory history(ui, where);
        const auto snapshots = history.list();
        ASSERT_TRUE(snapshots.has_value() && !snapshots->empty());
        EXPECT_EQ(snapshots->front().source, SnapshotSource::AutotuneApplied);
        const auto kept = history.settings(snapshots->front().id, window->store().settings());
        ASSERT_TRUE(kept.has_value());
        EXPECT_EQ(kept->FuelTable[at(kRow)][at(kColumn)], 167);
    }

    // The fuel editor's Undo takes the apply back as one step.
    link.clearWritten();
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    auto* fuel = window->findChild<TableEditorWindow*>();
    ASSERT_NE(fuel, nullptr);
    EXPECT_EQ(fuel->undoStack()->count(), 1);
    QTest::keyClick(fuel->grid(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(link.written(), fuelCells({{kRow, kColumn, 159}}));
    EXPECT_EQ(ecu.settings().FuelTable[at(kRow)][at(kColumn)], 159);
}

// The live source on the simulated engine's drive: the proposal follows the
// poll and nothing is sent until the automatic apply is ticked; then it
// applies every period, each time one undo step, every cell within 15 % of
// its value when the window opened.
TEST_F(AutotuneWindowTest, LiveProposalFollowsThePollAndAppliesByItselfOnlyWhenTicked) {
    EcuSettings image = SimulatedEcu::defaultImage();
    image.UserInputAnalogMode[1] = 3;        // the wideband sensor
    image.UserInputAnalogTable[0].fill(120); // EGO setpoints of 14.7 AFR
    ecu.setClock([this] { return nowMs; });
    begin(image);
    nowMs = 10 * 60 * 1000; // warm
    ecu.startEngine();
    nowMs += 3000; // primed and cranked
    const EcuSettings::Table start = window->store().settings().FuelTable;

    AutotuneWindow* tune = open();
    ASSERT_NE(tune, nullptr);
    EXPECT_EQ(control<QComboBox>(tune, "EgoInputCombo")->currentText(), "User 2 (EGO)");
    showPage(tune, 1); // the source is with the settings
    QTest::mouseClick(control(tune, "LiveSource"), Qt::LeftButton);
    const auto drive = [this](int ticks) {
        for (int i = 0; i < ticks; ++i) {
            nowMs += Acquisition::kIntervalMs;
            ASSERT_TRUE(window->acquisition().tick());
        }
    };
    QSignalSpy changed(&tune->workspace(), &AutotuneWorkspace::proposalChanged);
    drive(120); // a minute
    EXPECT_EQ(changed.size(), 120);
    EXPECT_EQ(tune->workspace().counts().records, 120);
    EXPECT_GT(tune->workspace().counts().used, 0);
    EXPECT_GT(tune->workspace().proposal().changedCells(), 0);
    EXPECT_EQ(window->store().settings().FuelTable, start);

    QSignalSpy applied(tune, &AutotuneWindow::applied);
    QTest::mouseClick(control(tune, "AutoApplyCheck"), Qt::LeftButton);
    auto* every = control<QLineEdit>(tune, "AutoApplyText");
    retype(every, "20");
    drive(2 * 60 * 4); // four minutes
    ASSERT_GE(applied.size(), 2);
    for (const QList<QVariant>& a : applied) {
        EXPECT_TRUE(a[1].toBool());
    }
    EXPECT_EQ(ecu.settings().FuelTable, window->store().settings().FuelTable);
    int changedCells = 0;
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 16; ++column) {
            const int before = start[at(row)][at(column)];
            const int now = window->store().settings().FuelTable[at(row)][at(column)];
            changedCells += now != before ? 1 : 0;
            EXPECT_LE(std::abs(msOf(now) / msOf(before) - 1), 0.15 + 1e-9) << row << "," << column;
        }
    }
    EXPECT_GT(changedCells, 0);
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    auto* fuel = window->findChild<TableEditorWindow*>();
    ASSERT_NE(fuel, nullptr);
    EXPECT_EQ(fuel->undoStack()->count(), applied.size());
}

} // namespace
