// SPDX-License-Identifier: GPL-3.0-or-later
// Logs that mark their gaps, as the tuner makes one: the main window on the
// simulated ECU with a clock the test moves, Log Data (Ctrl+L), a poll that
// comes late, a note typed after F12, a link lost and found again by Find
// ECU (Ctrl+U); then the log read back by the review's reader and by
// log2csv, which must find the same markers; and the setting that leaves
// them out.

#include "SimulatedMainWindow.h"
#include "monitor/LogCsv.h"
#include "monitor/LogMarkers.h"
#include "monitor/SampleLogReader.h"
#include "monitor/SampleSeries.h"
#include "review/ReviewTimeline.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace {

class MarkedLogTest : public SimulatedMainWindow {
protected:
    void begin(bool markers) {
        if (!markers) {
            QFile options(logOptionsPath(dir.filePath(QStringLiteral("Vantrel.ini"))));
            ASSERT_TRUE(options.open(QIODevice::WriteOnly));
            options.write(logOptionsBytes(LogOptions{false}));
        }
        MainWindow::Options options;
        options.clock = [this] { return now; };
        options.chooseFile = [this](const QString&, const QString&, MainWindow::FileDialogMode) {
            return logPath;
        };
        start(options);
        QApplication::setActiveWindow(window.get());
        // The fuel table opens the engine data window, which logging needs.
        press(Qt::CTRL | Qt::Key_F);
        press(Qt::CTRL | Qt::Key_L);
        ASSERT_EQ(window->menus().tuningLogMarkers->isChecked(), markers);
        ui.clear();
    }

    void press(QKeyCombination keys) {
        if (QApplication::activeWindow() == nullptr) {
            QApplication::setActiveWindow(window.get()); // after the note's box
        }
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : window.get(), keys.key(),
                        keys.keyboardModifiers());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void tickAt(qint64 ms) {
        now = ms;
        window->pollTick();
    }

    // F12, then the note typed into the box it opens and Enter; while the
    // box is up, the poll ticks at whileTyping.
    void noteAt(qint64 whileTyping, const QString& note) {
        QTimer::singleShot(0, [this, whileTyping, note] {
            auto* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            tickAt(whileTyping);
            auto* edit = box->findChild<QLineEdit*>();
            ASSERT_NE(edit, nullptr);
            QTest::keyClicks(edit, note);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        press(Qt::Key_F12);
    }

    // The log's lines: "R" for each record, the markers as written.
    QStringList shape() const {
        QFile file(logPath);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QStringList lines;
        int header = 0;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QString text = QString::fromLatin1(line).trimmed();
            if (text.startsWith(QLatin1Char('#'))) {
                lines << text;
            } else if (text.startsWith(QLatin1Char('-'))) {
                header = 2; // the rule, then the date and the titles
                lines << QStringLiteral("H");
            } else if (header > 0) {
                --header;
            } else if (!text.isEmpty()) {
                lines << QStringLiteral("R");
            }
        }
        return lines;
    }

    // A drive: on time, a late poll, a note, a lost link found again.
    void drive() {
        tickAt(0);
        tickAt(500);
        tickAt(2000); // 1.5 s after the last: a second late
        tickAt(2500);
        noteAt(3000, QStringLiteral("second gear pull"));
        tickAt(3500);
        ecu.setSilent(true);
        tickAt(4000); // no reply: the link is lost, logging stops
        ecu.setSilent(false);
        press(Qt::CTRL | Qt::Key_U);
    }

    QString logPath = dir.filePath(QStringLiteral("drive.log"));
    qint64 now = 0;
};

} // namespace

TEST_F(MarkedLogTest, GapsAndNotesAreMarkedWhereTheyHappenedAndReadBackAlike) {
    begin(true);
    drive();
    ASSERT_TRUE(state.EcuOnline);
    EXPECT_EQ(shape(),
              (QStringList{"H", "R", "R", "# Poll late by 1.00 s", "R", "R", "# second gear pull",
                           "R", "R", "# Link lost", "# Link found"}));

    // The review's reader and log2csv find the same markers, each at the
    // record before it, and the review breaks its lines after the lost link.
    QFile file(logPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    SampleSeries series;
    readSampleLog(file, series);
    ASSERT_EQ(series.size(), 6);
    const std::vector<std::pair<qint64, QString>> expected{
        {500, latePollMarker(1000)},
        {2500, QStringLiteral("second gear pull")},
        {3500, linkLostMarker()},
        {3500, linkFoundMarker()}};
    ASSERT_EQ(series.markers().size(), expected.size());
    for (size_t m = 0; m < expected.size(); ++m) {
        EXPECT_EQ(series.markers()[m].timeMs, expected[m].first) << m;
        EXPECT_EQ(series.markers()[m].text, expected[m].second) << m;
    }
    EXPECT_EQ(lineBreaks(series), std::vector<qsizetype>{});

    file.seek(0);
    LogCsvConverter csv;
    ASSERT_TRUE(csv.read(file));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(csv.write(out));
    const QList<QByteArray> rows = out.data().split('\n');
    QStringList markerRows;
    for (const QByteArray& row : rows.mid(1)) {
        if (row.trimmed().isEmpty() || row.trimmed().endsWith(',')) {
            continue; // a record: the marker column is empty
        }
        const QString text = QString::fromLatin1(row).trimmed();
        markerRows << text.mid(text.lastIndexOf(QLatin1Char(',')) + 1);
    }
    EXPECT_EQ(markerRows, (QStringList{latePollMarker(1000), "second gear pull", linkLostMarker(),
                                       linkFoundMarker()}));
}

TEST_F(MarkedLogTest, TheSettingOffKeepsTheBareLayoutAndF12SaysSo) {
    begin(false);
    tickAt(0);
    tickAt(2000);
    press(Qt::Key_F12);
    EXPECT_EQ(ui.texts(), QStringList{"Log Markers is off: no note is written to the log."});
    ecu.setSilent(true);
    tickAt(2500);
    ecu.setSilent(false);
    press(Qt::CTRL | Qt::Key_U);
    EXPECT_EQ(shape(), (QStringList{"H", "R", "R"}));

    // Ticked again from the menu, the setting is kept for the next start.
    window->menus().tuningLogMarkers->trigger();
    EXPECT_TRUE(
        loadLogOptions(logOptionsPath(dir.filePath(QStringLiteral("Vantrel.ini")))).markers);
}

TEST_F(MarkedLogTest, F12WithoutLoggingWritesNothing) {
    begin(true);
    press(Qt::CTRL | Qt::Key_L); // logging off again
    ui.clear();
    press(Qt::Key_F12);
    EXPECT_EQ(ui.texts(), QStringList{"Log Data is off: there is no log to write a note in."});
}
