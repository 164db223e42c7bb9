// SPDX-License-Identifier: GPL-3.0-or-later
// The log review window on the main window, as a tuner uses it: File > Open
// Log... (its keys), a dropped log, the mouse and keys on the panes, the
// channel list, the markers, the scatter plot's filter.

#include "review/LogReviewWindow.h"
#include "SimulatedMainWindow.h"
#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "monitor/SampleSeries.h"
#include "record/EngineData.h"
#include "review/ReviewPanes.h"
#include "review/ScatterView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>
#include <QtTest/QTest>
#include <cmath>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

constexpr int kRun1 = 40; // records 0.5 s apart from 14:30:00
constexpr int kRun2 = 20; // from 14:30:25
constexpr qint64 kRun2Ms = 25000;

// Record k: rpm 1000 + 50 k, water 150 + k °F, the rest steady.
QByteArray record(int k, double seconds) {
    EngineData e = EngineData::withChannelLayout();
    e.RpmChannel.Value = static_cast<float>(1000 + 50 * k);
    e.MapChannel.Value = 9.87f;
    e.TpsChannel.Value = 37;
    e.AirChannel.Value = 81;
    e.WaterChannel.Value = static_cast<float>(150 + k);
    e.BatteryChannel.Value = 13.6f;
    e.DutyChannel.Value = 12.5f;
    e.FuelChannel.Value = 3.25f;
    e.IgnitionChannel.Value = 24.5f;
    e.EngineStatus1 = 6;
    return fullRecordLine(LiveSample::fromEngineData(e, 0), seconds).toLatin1() + "\r\n";
}

QByteArray header(const char* clock) {
    return (logRuleLine() + QStringLiteral("\r\n") + QString::fromLatin1(clock) +
            QStringLiteral("\r\n") + fullRecordTitleLine() + QStringLiteral("\r\n"))
        .toLatin1();
}

// Two runs, a lost link half way through the first and the note of a pull.
QByteArray drive(const QByteArray& damage = {}) {
    QByteArray log = header("02.05.26      14:30:00");
    for (int k = 0; k < kRun1; ++k) {
        log += record(k, k * 0.5);
        if (k == 20) {
            log += "# Link lost\r\n" + damage;
        }
    }
    log += header("02.05.26      14:30:25") + "# second gear pull\r\n";
    for (int k = 0; k < kRun2; ++k) {
        log += record(kRun1 + k, k * 0.5);
    }
    return log;
}

class LogReviewTest : public SimulatedMainWindow {
protected:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        writeFile(logPath, drive());
        options.chooseFile = [this](const QString& title, const QString&,
                                    MainWindow::FileDialogMode) {
            chooserTitles << title;
            return logPath;
        };
    }

    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // Starts the main window and forgets the messages of its start.
    void begin() {
        start(options);
        ui.clear();
    }

    // File > Open Log... by its keys; waits for the log to be shown.
    LogReviewWindow* openThroughMenu() {
        QApplication::setActiveWindow(window.get());
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        return shown();
    }

    LogReviewWindow* shown() {
        auto* review = window->findChild<LogReviewWindow*>();
        EXPECT_NE(review, nullptr);
        if (review != nullptr && review->loading()) {
            QSignalSpy done(review, &LogReviewWindow::logShown);
            EXPECT_TRUE(done.wait());
        }
        return review;
    }

    QWidget* pane(LogReviewWindow* review, int index = 0) {
        return review->panes()[static_cast<size_t>(index)];
    }
    static QRectF plot(QWidget* pane) { return reviewPlotRect(pane->rect()); }
    static qint64 timeAt(LogReviewWindow* review, QWidget* pane, double x) {
        return reviewTimeAt(plot(pane), review->timeline().start(), review->timeline().end(), x);
    }
    static void wheel(QWidget* target, QPoint at, int notches) {
        QWheelEvent event(at, target->mapToGlobal(at), {}, QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }

    QString logPath = dir.filePath(QStringLiteral("drive.log"));
    MainWindow::Options options;
    QStringList chooserTitles;
};

TEST_F(LogReviewTest, FileOpenLogShowsTheWholeLogInFourPanesWithTheCursorOnItsFirstRecord) {
    begin();
    EXPECT_EQ(window->menus().fileOpenLog->text(), "Open &Log...");
    LogReviewWindow* review = openThroughMenu();
    ASSERT_NE(review, nullptr);
    EXPECT_EQ(chooserTitles, QStringList{"Open Log"});
    EXPECT_EQ(window->activeWindow(), WindowCode::LogReview);
    ASSERT_EQ(review->series()->size(), kRun1 + kRun2);
    EXPECT_EQ(review->series()->runs().size(), 2u);
    EXPECT_EQ(review->panes().size(), 4u);
    EXPECT_EQ(review->timeline().start(), 0);
    EXPECT_EQ(review->timeline().end(), kRun2Ms + (kRun2 - 1) * 500);
    EXPECT_EQ(review->cursorText(),
              QStringLiteral("Time 0.000 s (14:30:00.000)   |   Rpm 1000 rpm   |   Map 9.87 psi, "
                             "TPS 37.0 %   |   Fuel 3.25 ms, Duty 12.5 %, Ignition 24.5 \u00b0BTDC"
                             "   |   Water 150 \u00b0F, Air 81.0 \u00b0F, Battery 13.6 V"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LogReviewTest, WheelDragDoubleClickArrowsAndPagesMoveTheViewAndTheCursor) {
    begin();
    LogReviewWindow* review = openThroughMenu();
    ASSERT_NE(review, nullptr);
    QWidget* p = pane(review, 1);
    const ReviewTimeline& t = review->timeline();
    const qint64 whole = t.span();
    const QPoint middle = p->rect().center();

    // The wheel zooms about the mouse: the time under it stays there.
    const qint64 under = timeAt(review, p, middle.x());
    wheel(p, middle, 2);
    EXPECT_EQ(t.span(), std::llround(whole * 0.64));
    EXPECT_NEAR(timeAt(review, p, middle.x()), under, 1);
    wheel(p, middle, -2);
    EXPECT_NEAR(t.span(), whole, 1);
    wheel(p, middle, 3);

    // A drag to the left shows later times.
    const qint64 span = t.span();
    const qint64 before = t.start();
    const qint64 moved = std::llround(100.0 * span / plot(p).width());
    QTest::mousePress(p, Qt::LeftButton, {}, middle);
    QTest::mouseMove(p, middle - QPoint(50, 0));
    QTest::mouseMove(p, middle - QPoint(100, 0));
    QTest::mouseRelease(p, Qt::LeftButton, {}, middle - QPoint(100, 0));
    EXPECT_EQ(t.start(), std::min(before + moved, t.logEnd() - span));
    EXPECT_EQ(t.span(), span);
    EXPECT_EQ(t.cursor(), 0); // a drag is no click

    // A click puts the cursor on the nearest record; the arrows step it.
    const QPoint at = middle + QPoint(20, 0);
    const qint64 clicked = timeAt(review, p, at.x());
    QTest::mouseClick(p, Qt::LeftButton, {}, at);
    const qsizetype index = t.cursor();
    const SampleSeries& s = *review->series();
    for (qsizetype i = 0; i < s.size(); ++i) {
        EXPECT_LE(std::abs(s.timeMs(index) - clicked), std::abs(s.timeMs(i) - clicked)) << i;
    }
    EXPECT_EQ(review->currentPane(), 1);
    EXPECT_EQ(QApplication::focusWidget(), p);
    QTest::keyClick(p, Qt::Key_Right);
    QTest::keyClick(p, Qt::Key_Right);
    QTest::keyClick(p, Qt::Key_Left);
    EXPECT_EQ(t.cursor(), index + 1);

    // Page Down and Page Up: a screen each way, the cursor with it.
    const qint64 start = t.start();
    const qint64 cursorTime = s.timeMs(t.cursor());
    QTest::keyClick(p, Qt::Key_PageDown);
    const qint64 next = std::min(start + span, t.logEnd() - span);
    EXPECT_EQ(t.start(), next);
    EXPECT_EQ(t.span(), span);
    QTest::keyClick(p, Qt::Key_PageUp);
    EXPECT_EQ(t.start(), std::max<qint64>(0, next - span));
    if (next - start == span && start >= span) {
        EXPECT_EQ(s.timeMs(t.cursor()), cursorTime);
    }

    // A double-click shows the whole log.
    QTest::mouseDClick(p, Qt::LeftButton, {}, middle);
    EXPECT_EQ(t.start(), 0);
    EXPECT_EQ(t.span(), whole);
}

TEST_F(LogReviewTest, ChannelsChosenFromTheSearchableListAreKeptForTheNextLogAndRun) {
    begin();
    LogReviewWindow* review = openThroughMenu();
    ASSERT_NE(review, nullptr);
    auto* paneCombo = review->findChild<QComboBox*>("PaneCombo");
    auto* search = review->findChild<QLineEdit*>("ChannelSearch");
    auto* list = review->findChild<QListWidget*>("ChannelList");
    paneCombo->setFocus();
    QTest::keyClick(paneCombo, Qt::Key_Down); // pane 2: Map and TPS
    ASSERT_EQ(review->currentPane(), 1);
    QTest::keyClicks(search, "WAT");
    QStringList visible;
    for (int i = 0; i < list->count(); ++i) {
        if (!list->item(i)->isHidden()) {
            visible << list->item(i)->text();
        }
    }
    ASSERT_EQ(visible, QStringList{QStringLiteral("Water (\u00b0F)")});
    list->setFocus();
    list->setCurrentItem(list->findItems(visible[0], Qt::MatchExactly)[0]);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(review->cursorText().contains(QStringLiteral("TPS 37.0 %, Water 150 \u00b0F")))
        << review->cursorText().toStdString();

    // Closed and opened again, and after a restart of the program.
    pane(review)->setFocus();
    QTest::keyClick(pane(review), Qt::Key_C, Qt::ControlModifier); // Close Active Window
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(window->findChild<LogReviewWindow*>(), nullptr);
    for (const bool restart : {false, true}) {
        if (restart) {
            window.reset();
            begin();
        }
        review = openThroughMenu();
        ASSERT_NE(review, nullptr);
        QStringList second;
        for (const ReviewChannel& c : review->layout().panes[1].channels) {
            second << c.name;
        }
        EXPECT_EQ(second, (QStringList{"Map", "TPS", "Water"})) << "restart " << restart;
        EXPECT_TRUE(QFile::exists(dir.filePath("log-review.conf")));
    }
}

TEST_F(LogReviewTest, RunsAndMarkersAreListedAndActivatingOneJumpsThere) {
    begin();
    LogReviewWindow* review = openThroughMenu();
    ASSERT_NE(review, nullptr);
    auto* list = review->findChild<QListWidget*>("MarkerList");
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        entries << list->item(i)->text();
    }
    EXPECT_EQ(entries, (QStringList{QStringLiteral("10.000 s  \u25c6 Link lost"),
                                    "25.000 s  run 2 at 14:30:25",
                                    QStringLiteral("25.000 s  \u25c6 second gear pull")}));
    QWidget* p = pane(review);
    wheel(p, p->rect().center(), 8); // about a sixth of the log
    list->setFocus();
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Return);
    const ReviewTimeline& t = review->timeline();
    EXPECT_EQ(review->series()->timeMs(t.cursor()), 10000);
    EXPECT_NEAR((t.start() + t.end()) / 2, 10000, 1);
    EXPECT_TRUE(review->cursorText().startsWith("Time 10.000 s (14:30:10.000)   |   Rpm 2000 rpm"));
}

TEST_F(LogReviewTest, ADroppedLogOpensAndItsDamagedLinesAreReportedOnce) {
    const QString damaged = dir.filePath(QStringLiteral("damaged.log"));
    writeFile(damaged, drive("  12.000  garbage\r\n" + record(99, 3).left(30) + "\r\n"));
    begin();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(dir.filePath("notes.txt")), QUrl::fromLocalFile(damaged)});
    QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QApplication::sendEvent(window.get(), &drop);
    LogReviewWindow* review = shown();
    ASSERT_NE(review, nullptr);
    EXPECT_EQ(review->series()->size(), kRun1 + kRun2);
    EXPECT_EQ(ui.boxes(), QStringList{"Warning|Vantrel|damaged.log: 2 damaged line(s) were "
                                      "skipped (line 26, 27)."});

    // A file that is no log is not taken.
    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(dir.filePath("notes.txt"))});
    QDragEnterEvent refused(QPoint(200, 200), Qt::CopyAction, &text, Qt::LeftButton, {});
    QApplication::sendEvent(window.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(LogReviewTest, TheScatterPlotDrawsOnlyTheRecordsThatPassTheFilter) {
    begin();
    LogReviewWindow* review = openThroughMenu();
    ASSERT_NE(review, nullptr);
    QTest::keyClick(pane(review), Qt::Key_PageDown, Qt::ControlModifier); // the next page
    auto* tabs = review->findChild<QTabWidget*>("ReviewTabs");
    ASSERT_EQ(tabs->currentIndex(), 1);
    auto* scatter = review->findChild<ScatterWidget*>("ScatterPlot");
    EXPECT_EQ(scatter->grid().passed, kRun1 + kRun2);

    QTest::mouseClick(review->findChild<QPushButton*>("AddRange"), Qt::LeftButton);
    auto* table = review->findChild<QTableWidget*>("FilterTable");
    ASSERT_EQ(table->rowCount(), 1);
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
    ASSERT_NE(table->item(0, 1), nullptr);
    EXPECT_EQ(table->item(0, 1)->text(), "160");
    // Water is 150 + k °F on record k: records 10 to 59 pass.
    EXPECT_EQ(review->layout().filter.text(), QStringLiteral("Water \u2265 160"));
    EXPECT_EQ(scatter->grid().passed, kRun1 + kRun2 - 10);
}

// A pane 400 pixels wide over 20 s drawn with one channel at 0.5 up to the
// last record of a pixel column near 10 s and 1.5 after it, on a scale of 0
// to 2, with a mark after that record: whether the line passes 1.0 between
// the two, with a record a second (each drawn) and a record every 10 ms
// (each pixel column's range).
struct BreakCase {
    const char* name;
    std::function<void(SampleSeries&, qint64 lastMs, qint64 nextMs)> mark;
    bool joined;
};

TEST(ReviewPane, ANewRunOrALostLinkBreaksTheLine) {
    const std::vector<BreakCase> cases{
        {"no break", [](SampleSeries& s, qint64 last, qint64) { s.addMarker(last, "warm"); }, true},
        {"a lost link",
         [](SampleSeries& s, qint64 last, qint64) { s.addMarker(last, "Link lost"); }, false},
        {"a new header", [](SampleSeries& s, qint64, qint64 next) { s.startRun(next, {}); }, false},
    };
    for (const qint64 step : {1000, 10}) {
        for (const BreakCase& c : cases) {
            SampleSeries series;
            const int channel = series.addChannel("Rpm", "rpm");
            const qint64 last = step == 10 ? 10040 : 10000;
            for (qint64 t = 0; t <= 20000; t += step) {
                series.append(t, std::vector<ChannelValue>{{channel, t <= last ? 0.5f : 1.5f}});
                if (t == last) {
                    c.mark(series, t, t + step);
                }
            }
            const std::vector<qsizetype> breaks = lineBreaks(series);
            PaneScene scene;
            scene.series = &series;
            scene.start = 0;
            scene.end = 20000;
            scene.breaks = &breaks;
            scene.traces = {{channel, "Rpm", "rpm", QColor(255, 0, 0), {0.0, 2.0}}};
            QImage image(416, 100, QImage::Format_RGB32); // a plot 400 pixels wide
            QPainter painter(&image);
            paintReviewPane(painter, image.rect(), scene);
            painter.end();
            const QRectF plot = reviewPlotRect(image.rect());
            const auto yOf = [&](double v) { return plot.bottom() - v / 2.0 * plot.height(); };
            // Red at a value anywhere from time from to time to.
            const auto red = [&](qint64 from, qint64 to, double value) {
                const int x0 = static_cast<int>(reviewXOf(plot, 0, 20000, from));
                const int x1 = static_cast<int>(reviewXOf(plot, 0, 20000, to));
                for (int x = x0; x <= x1; ++x) {
                    const QColor colour = image.pixelColor(x, static_cast<int>(yOf(value)));
                    if (colour.red() > 200 && colour.green() < 60) {
                        return true;
                    }
                }
                return false;
            };
            const std::string name = std::string(c.name) + ", step " + std::to_string(step);
            EXPECT_TRUE(red(8000, 9000, 0.5)) << name;
            EXPECT_EQ(red(last + step / 10, last + step + step / 2, 1.0), c.joined) << name;
            EXPECT_TRUE(red(12000, 13000, 1.5)) << name;
        }
    }
}

TEST(Startup, ALogNamedOnTheCommandLineIsOpenedOnce) {
    QString error;
    const auto options = parseStartupOptions({"vantrel", "--simulate", "drive.log"}, &error);
    ASSERT_TRUE(options.has_value());
    EXPECT_EQ(options->logFile, "drive.log");
    EXPECT_TRUE(options->simulate);
    EXPECT_FALSE(parseStartupOptions({"vantrel", "a.log", "b.log"}, &error).has_value());
    EXPECT_EQ(error, "one log file at a time: b.log");
    EXPECT_FALSE(parseStartupOptions({"vantrel", "--fast"}, &error).has_value());
    EXPECT_EQ(error, "unknown option --fast");
}

} // namespace
