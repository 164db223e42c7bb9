// SPDX-License-Identifier: GPL-3.0-or-later
// File > History... as the tuner uses it: the list with its filters, names
// and notes, the difference view, and the restores, each checked by the
// bytes that reach the simulated ECU.

#include "history/HistoryWindow.h"
#include "HistoryMainWindow.h"
#include "files/DifferenceView.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>

namespace {

class HistoryWindowTest : public HistoryMainWindow {
protected:
    HistoryWindow* openHistory() {
        press(QKeySequence("Ctrl+H"));
        return window->findChild<HistoryWindow*>();
    }

    static void clickRow(QTableWidget* grid, int row,
                         Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect cell = grid->visualRect(grid->model()->index(row, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    static QStringList rows(const QTableWidget* grid) {
        QStringList texts;
        for (int row = 0; row < grid->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < grid->columnCount(); ++column) {
                cells << grid->item(row, column)->text();
            }
            texts << cells.join(" | ");
        }
        return texts;
    }
    // Clicks the page of the difference view whose tab starts with title.
    static void choosePage(DifferenceView* view, const QString& title) {
        QTabBar* tabs = view->pages()->tabBar();
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabText(i).startsWith(title)) {
                QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center());
                return;
            }
        }
        ADD_FAILURE() << "no page " << title.toStdString();
    }
    static void type(QLineEdit* box, const QString& text) {
        QTest::mouseClick(box, Qt::LeftButton);
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
};

TEST_F(HistoryWindowTest, ListsEverySnapshotByEcuAndFileWithTheNamesAndNotesTyped) {
    start();
    chosenFile = path("a.ecu");
    window->menus().fileSaveAs->trigger();
    window->store().setValue(FieldId::RevLimit, 7000);
    chosenFile = path("b.ecu");
    window->menus().fileSaveAs->trigger();

    HistoryWindow* history = openHistory();
    ASSERT_NE(history, nullptr);
    QTableWidget* list = history->list();
    EXPECT_EQ(QApplication::focusWidget(), list);
    const QString time = snapshotTimeText(*clock.time);
    const QString serial = state.identity.SerialNumberText;
    const QString saved = snapshotSourceText(SnapshotSource::FileSaved);
    const QString read = snapshotSourceText(SnapshotSource::ReadFromEcu);
    const QStringList all{
        "3 | " + time + " | " + saved + " | " + serial + " | b.ecu |  | ",
        "2 | " + time + " | " + saved + " | " + serial + " | a.ecu |  | ",
        "1 | " + time + " | " + read + " | " + serial + " |  |  | ",
    };
    EXPECT_EQ(rows(list), all);
    // The newest is chosen, against the settings now loaded.
    EXPECT_EQ(list->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(history->differenceView()->heading()->text(),
              "Snapshot 3 and Now loaded hold the same settings.");

    // By file, then by ECU, with the keys.
    QComboBox* files = history->fileFilter();
    files->setFocus();
    QTest::keyClick(files, Qt::Key_Down);
    EXPECT_EQ(files->currentText(), "a.ecu");
    EXPECT_EQ(rows(list), QStringList{all[1]});
    QTest::keyClick(files, Qt::Key_Up);
    QComboBox* ecus = history->ecuFilter();
    ecus->setFocus();
    QTest::keyClick(ecus, Qt::Key_Down);
    EXPECT_EQ(ecus->currentText(), serial);
    EXPECT_EQ(rows(list), all);

    // A name and a note for the first read.
    clickRow(list, 2);
    type(history->nameBox(), "as delivered");
    type(history->noteBox(), "before the dyno");
    EXPECT_EQ(rows(list)[2], "1 | " + time + " | " + read + " | " + serial +
                                 " |  | as delivered | before the dyno");
    TuneHistory reader(quiet, historyAt(historyPath(), clock));
    const std::optional<SnapshotInfo> first = reader.info(1);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->name, "as delivered");
    EXPECT_EQ(first->note, "before the dyno");

    // Two chosen: the older against the newer, nothing to restore.
    clickRow(list, 0, Qt::ControlModifier);
    EXPECT_EQ(history->differenceView()->heading()->text(),
              "1 value(s) differ. Each reads: Snapshot 1 -> Snapshot 3.");
    EXPECT_EQ(rows(history->differenceView()->settingsGrid()),
              QStringList{"Rev Limit | 8700 rpm | 7000 rpm"});
    EXPECT_FALSE(history->restoreAllButton()->isEnabled());
    EXPECT_FALSE(history->restoreItemButton()->isEnabled());
}

TEST_F(HistoryWindowTest, RestoresOneSettingOneCurveOneTableAsAnUndoStepAndTheWhole) {
    start();
    const EcuSettings kept = window->store().settings(); // the read at start
    SettingsStore& store = window->store();
    store.setValue(FieldId::RevLimit, 7000);
    const int slot2 = kept.AirTempFuelComp[2];
    const int slot5 = kept.AirTempFuelComp[5];
    store.setCells(FieldId::AirTempFuelComp, {{2, 0, slot2 + 6}, {5, 0, slot5 - 4}},
                   SettingsStore::Send::IfChanged);
    const int fuel34 = kept.FuelTable[3][4];
    const int fuel102 = kept.FuelTable[10][2];
    store.setCells(FieldId::FuelTable, {{3, 4, fuel34 * 2}, {10, 2, fuel102 / 2}},
                   SettingsStore::Send::IfChanged);
    const EcuSettings edited = window->store().settings();

    HistoryWindow* history = openHistory();
    ASSERT_NE(history, nullptr);
    DifferenceView* view = history->differenceView();
    EXPECT_EQ(view->heading()->text(), "5 value(s) differ. Each reads: Snapshot 1 -> Now loaded.");

    // The fuel table as the editor's grid: each changed cell coloured by its
    // change, the axis labels of the editor.
    QTableWidget* fuel = view->tableGrid(FieldId::FuelTable);
    ASSERT_NE(fuel, nullptr);
    // Since the snapshot element (3, 4) was doubled, (10, 2) halved; row 0 is
    // the highest load.
    EXPECT_EQ(fuel->item(3, 4)->background().color(), QColor(255, 80, 80));
    EXPECT_EQ(fuel->item(10, 2)->background().color(), QColor(80, 80, 255));
    EXPECT_EQ(fuel->item(0, 0)->background().color(), QColor(Qt::white));
    EXPECT_EQ(fuel->horizontalHeaderItem(4)->text(), "2400");

    // The curve's changed points, a row each.
    const QTableWidget* curves = view->curvesGrid();
    ASSERT_NE(curves, nullptr);
    ASSERT_EQ(curves->rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(curves->item(row, 0)->text(), "Air Temp Compensation - Fuel");
    }
    EXPECT_EQ(curves->item(0, 2)->text(), QString::number(slot2) + " %");
    EXPECT_EQ(curves->item(0, 3)->text(), QString::number(slot2 + 6) + " %");

    // A change made meanwhile is shown at once, on the page in front.
    choosePage(view, "Fuel Table");
    store.setValue(FieldId::RevLimit, 7100);
    EXPECT_TRUE(view->pages()->tabText(view->pages()->currentIndex()).startsWith("Fuel Table"));
    EXPECT_EQ(rows(view->settingsGrid()), QStringList{"Rev Limit | 8700 rpm | 7100 rpm"});

    struct Restore {
        const char* page;
        int row;
        const char* button;
        QByteArray bytes;
    };
    const Restore restores[] = {
        {"Settings", 0, "&Restore Rev Limit", QByteArray::fromHex("c221fc")},
        {"Curves", 1, "&Restore Air Temp Compensation - Fuel",
         QByteArray::fromHex("e002") + char(slot2) + QByteArray::fromHex("e005") + char(slot5)},
        {"Fuel Table", 0, "&Restore Fuel Table",
         QByteArray::fromHex("f00304") + char(fuel34) + QByteArray::fromHex("f00a02") +
             char(fuel102)},
    };
    for (const Restore& r : restores) {
        SCOPED_TRACE(r.page);
        choosePage(view, QString::fromLatin1(r.page));
        if (QTableWidget* grid = qobject_cast<QTableWidget*>(view->pages()->currentWidget())) {
            clickRow(grid, r.row);
        }
        EXPECT_EQ(history->restoreItemButton()->text(), r.button);
        link.clearWritten();
        QTest::mouseClick(history->restoreItemButton(), Qt::LeftButton);
        EXPECT_EQ(link.written(), r.bytes);
        EXPECT_EQ(ecu.settings(), window->store().settings());
    }
    EXPECT_EQ(window->store().settings(), kept);

    // The table's restore is one step of its editor's undo, which sends the
    // cells back in the opposite order.
    press(QKeySequence("Ctrl+F"));
    link.clearWritten();
    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(link.written(), QByteArray::fromHex("f00a02") + char(fuel102 / 2) +
                                  QByteArray::fromHex("f00304") + char(fuel34 * 2));
    EXPECT_EQ(window->store().settings().FuelTable, edited.FuelTable);

    // Restore All asks, then puts the whole snapshot in place and sends it.
    history->setFocus();
    ui.clear();
    link.clearWritten();
    QTest::mouseClick(history->restoreAllButton(), Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].buttons, UserInteraction::Buttons::YesNo);
    EXPECT_EQ(link.written(), fullSendOf(kept));
    EXPECT_EQ(window->store().settings(), kept);
    EXPECT_EQ(ecu.settings(), kept);
    EXPECT_EQ(snapshots().front().source, SnapshotSource::SentToEcu);
}

} // namespace
