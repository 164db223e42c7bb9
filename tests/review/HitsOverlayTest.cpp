// SPDX-License-Identifier: GPL-3.0-or-later
// The log review's log over the fuel and ignition editors, as a tuner uses
// it on the main window: File > Open Log..., Ctrl+F and Ctrl+I, the Hits
// button and Ctrl+Shift+H, the mean chosen from the grid's right-click menu,
// the review's filter; and the record at the review's cursor, moved by the
// mouse and the arrow keys, shown as the editors' operating point until live
// data arrives or the log closes.

#include "SimulatedMainWindow.h"
#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "record/EngineData.h"
#include "review/LogReviewWindow.h"
#include "review/ReviewPanes.h"
#include "tables/TableEditorWindow.h"
#include "tables/TableGridModel.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QtTest/QTest>

#include <set>

namespace {

using Cells = std::set<std::pair<int, int>>; // grid (row, column)

// Under LoadControl 2 and MaxRpm 9000 a column is 600 rpm and a row 7 % of
// throttle from 105 down; records half a second apart.
struct Logged {
    int rpm;
    int tps;
    int water;
    double user1;
};
const Logged kDrive[] = {
    {3000, 37, 150, 0.2}, // row 1 + (105 - 37) \ 7 = 10, column 3000 \ 600 + 1 = 6
    {3000, 37, 170, 0.4}, // (10, 6)
    {3000, 37, 170, 0.6}, // (10, 6)
    {600, 99, 170, 0.9},  // (1, 2)
    {8999, 0, 165, 0.1},  // (16, 15)
};

QByteArray driveLog() {
    QByteArray log = (logRuleLine() + QStringLiteral("\r\n02.05.26      14:30:00\r\n") +
                      fullRecordTitleLine() + QStringLiteral("\r\n"))
                         .toLatin1();
    double seconds = 0;
    for (const Logged& r : kDrive) {
        EngineData e = EngineData::withChannelLayout();
        e.RpmChannel.Value = static_cast<float>(r.rpm);
        e.MapChannel.Value = 9.87f;
        e.TpsChannel.Value = static_cast<float>(r.tps);
        e.WaterChannel.Value = static_cast<float>(r.water);
        e.UserChannel[0].Value = static_cast<float>(r.user1);
        log += fullRecordLine(LiveSample::fromEngineData(e, 0), seconds).toLatin1() + "\r\n";
        seconds += 0.5;
    }
    return log;
}

// The four operating cells with (row, column) at their upper left.
Cells block(int row, int column) {
    return {{row, column}, {row, column + 1}, {row + 1, column}, {row + 1, column + 1}};
}

class HitsOverlayTest : public SimulatedMainWindow {
protected:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        EcuSettings image = SimulatedEcu::defaultImage();
        image.LoadControl = 2;
        image.MaxRpm = 9000;
        ecu.setSettings(image);
        QFile file(logPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(driveLog());
        options.chooseFile = [this](const QString&, const QString&, MainWindow::FileDialogMode) {
            return logPath;
        };
    }

    void begin() {
        start(options);
        ui.clear();
        QApplication::setActiveWindow(window.get());
    }

    // Keys pressed where the focus is, as a tuner presses them.
    void press(QKeyCombination keys) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : window.get(), keys.key(),
                        keys.keyboardModifiers());
    }

    // File > Open Log... by its keys; waits for the log to be shown.
    LogReviewWindow* openLog() {
        press(Qt::CTRL | Qt::SHIFT | Qt::Key_O);
        auto* review = window->findChild<LogReviewWindow*>();
        EXPECT_NE(review, nullptr);
        if (review != nullptr && review->loading()) {
            QSignalSpy shown(review, &LogReviewWindow::logShown);
            EXPECT_TRUE(shown.wait());
        }
        return review;
    }

    TableEditorWindow* openEditor(QKeyCombination keys) {
        press(keys);
        auto* sub = window->mdiArea()->activeSubWindow();
        return sub != nullptr ? qobject_cast<TableEditorWindow*>(sub->widget()) : nullptr;
    }

    // The review closed by Close Active Window, as the tuner closes it.
    void closeReview(LogReviewWindow* review) {
        window->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(review->parentWidget()));
        review->panes().front()->setFocus();
        press(Qt::CTRL | Qt::Key_C);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_EQ(window->findChild<LogReviewWindow*>(), nullptr);
    }

    static Cells red(const TableEditorWindow* editor) {
        const auto* model = qobject_cast<const TableGridModel*>(editor->grid()->model());
        Cells cells;
        for (int row = 1; row <= TableGridModel::kCells; ++row) {
            for (int column = 1; column <= TableGridModel::kCells; ++column) {
                if (model->isRed(row, column)) {
                    cells.insert({row, column});
                }
            }
        }
        return cells;
    }

    static QModelIndex cell(const TableEditorWindow* editor, int row, int column) {
        return editor->grid()->model()->index(row - 1, column - 1);
    }
    static QString tip(const TableEditorWindow* editor, int row, int column) {
        return cell(editor, row, column).data(Qt::ToolTipRole).toString();
    }
    static QColor background(const TableEditorWindow* editor, int row, int column) {
        return cell(editor, row, column).data(Qt::BackgroundRole).value<QColor>();
    }

    QString logPath = dir.filePath(QStringLiteral("drive.log"));
    MainWindow::Options options;
};

TEST_F(HitsOverlayTest, HitsShadeTheCellsOfTheRecordsThatPassTheFilterWithCountsAndMeans) {
    begin();
    TableEditorWindow* fuel = openEditor(Qt::CTRL | Qt::Key_F);
    ASSERT_NE(fuel, nullptr);
    auto* button = fuel->findChild<QPushButton*>("HitsButton");
    auto* line = fuel->findChild<QLabel*>("HitsLine");
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->isEnabled()) << "no log open";
    EXPECT_FALSE(fuel->hitsAction()->isEnabled());
    std::vector<QColor> plain;
    for (int row = 1; row <= 16; ++row) {
        for (int column = 1; column <= 16; ++column) {
            plain.push_back(background(fuel, row, column));
        }
    }
    const auto shaded = [&](int row, int column) {
        return background(fuel, row, column) !=
               plain[static_cast<size_t>((row - 1) * 16 + column - 1)];
    };

    LogReviewWindow* review = openLog();
    ASSERT_NE(review, nullptr);
    EXPECT_TRUE(button->isEnabled());
    window->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(fuel->parentWidget()));
    fuel->grid()->setFocus();
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_H);
    EXPECT_TRUE(button->isChecked());
    EXPECT_EQ(tip(fuel, 10, 6), "3 records");
    EXPECT_EQ(tip(fuel, 1, 2), "1 record");
    EXPECT_EQ(tip(fuel, 16, 15), "1 record");
    // Cells without hits stay plain.
    int shadedCells = 0;
    for (int row = 1; row <= 16; ++row) {
        for (int column = 1; column <= 16; ++column) {
            const bool hit = !tip(fuel, row, column).isEmpty();
            EXPECT_EQ(shaded(row, column), hit) << row << "," << column;
            shadedCells += hit ? 1 : 0;
        }
    }
    EXPECT_EQ(shadedCells, 3);

    // The mean of a channel chosen from the right-click menu.
    const auto choose = [](TableEditorWindow* editor, const QString& channel) {
        const QList<QAction*> means = editor->meanMenu()->actions();
        const auto found = std::find_if(means.begin(), means.end(),
                                        [&](QAction* a) { return a->text() == channel; });
        ASSERT_NE(found, means.end()) << channel.toStdString();
        (*found)->trigger();
    };
    choose(fuel, "User 1");
    EXPECT_EQ(tip(fuel, 10, 6), "3 records, mean User 1 0.400");
    // The line under the grid tells the hits of the cell clicked.
    QTest::mouseClick(fuel->grid()->viewport(), Qt::LeftButton, {},
                      fuel->grid()->visualRect(cell(fuel, 10, 6)).center());
    EXPECT_TRUE(line->isVisible());
    EXPECT_EQ(line->text(), "3000 rpm, load 42.0: 3 records, mean User 1 0.400");

    // The review's filter applies to the hits: Water at 160 or more.
    QTest::mouseClick(review->findChild<QPushButton*>("AddRange"), Qt::LeftButton);
    auto* table = review->findChild<QTableWidget*>("FilterTable");
    auto* channel = qobject_cast<QComboBox*>(table->cellWidget(0, 0));
    ASSERT_NE(channel, nullptr);
    channel->setFocus();
    channel->lineEdit()->selectAll();
    QTest::keyClicks(channel, "Water");
    QTest::keyClick(channel, Qt::Key_Return);
    table->setFocus();
    table->setCurrentCell(0, 1);
    QTest::keyClicks(table, "1");
    QTest::keyClicks(QApplication::focusWidget(), "60");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(tip(fuel, 10, 6), "2 records, mean User 1 0.500");
    EXPECT_EQ(tip(fuel, 1, 2), "1 record, mean User 1 0.900");
    EXPECT_EQ(tip(fuel, 16, 15), "1 record, mean User 1 0.100");
    EXPECT_EQ(line->text(), "3000 rpm, load 42.0: 2 records, mean User 1 0.500");

    // The ignition editor has hits of its own, with a mean of its own.
    TableEditorWindow* ignition = openEditor(Qt::CTRL | Qt::Key_I);
    ASSERT_NE(ignition, nullptr);
    ignition->grid()->setFocus();
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_H);
    EXPECT_EQ(tip(ignition, 10, 6), "2 records");
    choose(ignition, QStringLiteral("Water (\u00b0F)"));
    EXPECT_EQ(tip(ignition, 10, 6), QStringLiteral("2 records, mean Water 170 \u00b0F"));
    EXPECT_EQ(tip(fuel, 10, 6), "2 records, mean User 1 0.500");

    // The button with a press of the mouse takes the fuel table's off again.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(fuel->hitsAction()->isChecked());
    EXPECT_EQ(tip(fuel, 10, 6), "");
    EXPECT_FALSE(shaded(10, 6));
    EXPECT_FALSE(line->isVisible());
    // Closing the log takes the ignition table's.
    closeReview(review);
    EXPECT_EQ(tip(ignition, 10, 6), "");
    EXPECT_FALSE(ignition->findChild<QPushButton*>("HitsButton")->isEnabled());

    // Hits are the program's own: nothing reaches the ECU.
    EXPECT_EQ(link.written(), QByteArray());
}

TEST_F(HitsOverlayTest, TheCursorsRecordIsTheOperatingPointUntilLiveDataArrivesOrTheLogCloses) {
    state.display.DisplayFuelCrossHair = true;
    begin();
    TableEditorWindow* fuel = openEditor(Qt::CTRL | Qt::Key_F);
    ASSERT_NE(fuel, nullptr);
    window->pollTick();
    const Cells live = red(fuel);
    ASSERT_FALSE(live.empty());
    const QPoint liveDot = fuel->crossHair()->pos();
    QAction* smartAdd = fuel->findChild<QAction*>("SmartAddAction");
    EXPECT_TRUE(smartAdd->isEnabled());
    link.clearWritten();

    // An arrow key steps the cursor to the second record: 3000 rpm, 37 %.
    LogReviewWindow* review = openLog();
    ASSERT_NE(review, nullptr);
    QWidget* pane = review->panes().front();
    EXPECT_EQ(red(fuel), live) << "opening a log moves no cursor";
    pane->setFocus();
    QTest::keyClick(pane, Qt::Key_Right);
    EXPECT_TRUE(fuel->replaying());
    EXPECT_EQ(red(fuel), block(10, 6));
    EXPECT_TRUE(fuel->crossHair()->isVisible());
    EXPECT_NE(fuel->crossHair()->pos(), liveDot);
    EXPECT_FALSE(smartAdd->isEnabled()) << "smart add moves the live cells only";
    EXPECT_EQ(link.written(), QByteArray());

    // Live data takes the operating point back.
    window->pollTick();
    EXPECT_FALSE(fuel->replaying());
    EXPECT_EQ(red(fuel), live);
    EXPECT_TRUE(smartAdd->isEnabled());

    // A click on the fourth record (600 rpm, 99 %), then the log closes.
    const QRectF plot = reviewPlotRect(pane->rect());
    const double x = reviewXOf(plot, review->timeline().start(), review->timeline().end(), 1500);
    QTest::mouseClick(pane, Qt::LeftButton, {}, QPoint(static_cast<int>(std::lround(x)), 40));
    EXPECT_EQ(red(fuel), block(1, 2));
    closeReview(review);
    EXPECT_FALSE(fuel->replaying());
    EXPECT_EQ(red(fuel), live);

    // Offline, a replayed record stays through the polls that find no ECU,
    // and goes with its log.
    ecu.setSilent(true);
    window->pollTick();
    ASSERT_FALSE(state.EcuOnline);
    EXPECT_EQ(red(fuel), Cells{});
    review = openLog();
    ASSERT_NE(review, nullptr);
    review->panes().front()->setFocus();
    press(Qt::Key_Right);
    EXPECT_EQ(red(fuel), block(10, 6));
    window->pollTick();
    EXPECT_EQ(red(fuel), block(10, 6));
    // Another log (here the same again) ends the replay of the last one.
    ASSERT_EQ(openLog(), review);
    EXPECT_EQ(red(fuel), Cells{});
    review->panes().front()->setFocus();
    press(Qt::Key_Right);
    EXPECT_EQ(red(fuel), block(10, 6));
    closeReview(review);
    EXPECT_EQ(red(fuel), Cells{});
    EXPECT_FALSE(fuel->crossHair()->isVisible());
}

} // namespace
