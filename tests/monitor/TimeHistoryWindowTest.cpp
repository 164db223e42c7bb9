// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/TimeHistoryWindow.h"

#include "RecordingInteraction.h"
#include "ScriptedLink.h"
#include "StoreRecord.h"
#include "monitor/Acquisition.h"
#include "monitor/LoggingController.h"
#include "monitor/SampleSeries.h"
#include "record/AppState.h"
#include "session/Session.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

void pressKey(QWidget* widget, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

// Whether a pixel near the point is full blue or full red, as the colour asks,
// and clearly of that hue. An antialiased line that falls between two pixel
// rows is drawn as two paler rows, so the other channels may rise somewhat.
bool drawnNear(const QImage& image, const QPointF& point, const QColor& colour) {
    const QPoint at = point.toPoint();
    const bool blue = colour == QColor(0, 0, 255);
    for (int dx = -2; dx <= 2; ++dx) {
        for (int dy = -2; dy <= 2; ++dy) {
            const QColor c = image.pixelColor(at + QPoint(dx, dy));
            const int wanted = blue ? c.blue() : c.red();
            const int others = blue ? std::max(c.red(), c.green()) : std::max(c.green(), c.blue());
            if (wanted > 195 && wanted - others > 60) {
                return true;
            }
        }
    }
    return false;
}

// Answers the plot's requests as the ECU would: battery 255 (15.8 V), engine
// turning with a crank period of 2500 (1000 rpm), every other read 0 and
// every write confirmed.
int liveReply(const std::vector<int>& written) {
    const int last = written.back();
    const int before = written.size() > 1 ? written[written.size() - 2] : -1;
    if (last == 33 && before == 37) {
        return 2500 % 256;
    }
    switch (last) {
    case 37:
        return 2500 / 256;
    case 45:
        return 255;
    case 50:
        return 2;
    default:
        return 0;
    }
}

class TimeHistoryWindowTest : public ::testing::Test {
protected:
    AppState state;
    ScriptedLink link;
    RecordingInteraction ui;
    Session session{state, ui, link};
    Acquisition& acquisition = session.acquisition();
    LoggingController& logging = session.logging();
    std::unique_ptr<TimeHistoryWindow> window;

    std::vector<int> sent() const { return link.commands(); }
    // One tick of the plot's timer.
    void sampleNow() { acquisition.plotTick(); }
    // Logging switched on, as the log panel does with the windows open.
    void startLogging() {
        logging.setViews([] { return true; }, [] { return true; });
        logging.setupLogData();
        ASSERT_TRUE(logging.active());
    }

    void SetUp() override {
        recordOf(session.store()) = EcuSettings::withDefaults();
        state.EcuOnline = true;
        auto& rpm = state.display.PlotChannelScales[PlotChannel::Rpm];
        rpm.Max = {5000.0f, 5000.0f};
        rpm.Min = {0.0f, 0.0f};
        rpm.PointsIndex = 0;
        auto& battery = state.display.PlotChannelScales[PlotChannel::Battery];
        battery.Max = {16.0f, 16.0f};
        battery.Min = {0.0f, 0.0f};
        battery.PointsIndex = 1;
        state.display.PlotChannelChoice = {PlotChannel::Rpm, 100};
        link.responder = liveReply;
    }

    void open() {
        window =
            std::make_unique<TimeHistoryWindow>(state, session.store(), ui, session.liveFeed());
        window->resize(1000, 600);
        window->show();
    }

    template <typename T> T* child(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
};

TEST_F(TimeHistoryWindowTest, OpeningSelectsStoredChoicesAndSendsCommand9) {
    open();
    EXPECT_EQ(window->windowTitle(), "Time History Plot");
    EXPECT_EQ(sent(), std::vector<int>({9}));
    auto* trace1 = child<QComboBox>("ChannelCombo0");
    auto* trace2 = child<QComboBox>("ChannelCombo1");
    ASSERT_TRUE(trace1 && trace2);
    EXPECT_EQ(trace1->currentText(), " Rpm");
    EXPECT_EQ(trace2->currentText(), " Off ");
    EXPECT_EQ(child<QComboBox>("NmaxCombo")->currentText(), "  20 Points");
    EXPECT_EQ(child<QLineEdit>("MaxMinTextBox1")->text(), "5000");
    EXPECT_FALSE(child<QLineEdit>("MaxMinTextBox2")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>("MaxMinTextBox3")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("StartButton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("StopButton")->isEnabled());
}

TEST_F(TimeHistoryWindowTest, ChoosingAChannelRestoresItsPointCountAndLimits) {
    open();
    child<QComboBox>("ChannelCombo0")->setCurrentIndex(PlotChannel::Battery);
    EXPECT_EQ(state.display.PlotChannelChoice[0], PlotChannel::Battery);
    EXPECT_EQ(child<QComboBox>("NmaxCombo")->currentText(), " 100 Points");
    EXPECT_EQ(window->run().pointCount(), 100);
    EXPECT_EQ(child<QLineEdit>("MaxMinTextBox1")->text(), "16.0");
    child<QComboBox>("ChannelCombo1")->setCurrentIndex(PlotChannel::Rpm);
    EXPECT_TRUE(child<QLineEdit>("MaxMinTextBox2")->isEnabled());
    EXPECT_EQ(child<QLineEdit>("MaxMinTextBox3")->text(), "5000");
    child<QComboBox>("NmaxCombo")->setCurrentIndex(4);
    EXPECT_EQ(state.display.PlotChannelScales[PlotChannel::Battery].PointsIndex, 4);
    EXPECT_EQ(window->run().pointCount(), 1000);
    // No choice at all keeps the count.
    child<QComboBox>("NmaxCombo")->setCurrentIndex(-1);
    EXPECT_EQ(ui.texts(), QStringList({"Not valid Nmax"}));
    EXPECT_EQ(window->run().pointCount(), 1000);
}

TEST_F(TimeHistoryWindowTest, LimitBoxesApplyOnEnterAndEscapeKeepsTheLimit) {
    open();
    auto* maxBox = child<QLineEdit>("MaxMinTextBox1");
    maxBox->setFocus();
    maxBox->setText("30000");
    pressKey(maxBox, Qt::Key_Return);
    EXPECT_EQ(state.display.PlotChannelScales[PlotChannel::Rpm].Max[0], 20000.0f);
    EXPECT_EQ(maxBox->text(), "20000");
    auto* minBox = child<QLineEdit>("MaxMinTextBox0");
    minBox->setText("-500");
    pressKey(minBox, Qt::Key_Enter);
    EXPECT_EQ(state.display.PlotChannelScales[PlotChannel::Rpm].Min[0], -100.0f);
    minBox->setText("77");
    pressKey(minBox, Qt::Key_Escape);
    EXPECT_EQ(state.display.PlotChannelScales[PlotChannel::Rpm].Min[0], -100.0f);
    EXPECT_EQ(minBox->text(), "-100");
}

TEST_F(TimeHistoryWindowTest, RunningDrawsOneSegmentPerSampleWithoutRedrawingTheFrame) {
    state.display.PlotChannelChoice = {PlotChannel::Rpm, PlotChannel::Battery};
    open();
    child<QPushButton>("StartButton")->click();
    EXPECT_TRUE(acquisition.plotRunning());
    EXPECT_FALSE(child<QComboBox>("ChannelCombo0")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>("MaxMinTextBox3")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("StopButton")->isEnabled());

    const int frames = window->plotBox()->framesDrawn();
    for (int i = 0; i < 5; ++i) {
        sampleNow();
    }
    EXPECT_EQ(window->plotBox()->framesDrawn(), frames);
    EXPECT_EQ(window->run().history().size(), 5);
    EXPECT_EQ(child<QLabel>("ValueLabel0")->text(), "Rpm 1000");
    EXPECT_EQ(child<QLabel>("ValueLabel1")->text(), "Battery Volt 15.80");
    EXPECT_EQ(child<QLabel>("RpmLabel")->text(), "Rpm 1000");

    // Rpm 1000 of 0..5000 in blue; battery 15.8 of 0..16 mapped in red.
    const auto* box = window->plotBox();
    const QImage picture = box->picture().toImage();
    EXPECT_TRUE(drawnNear(picture, box->toPixels({2.5, 1000.0}), QColor(0, 0, 255)));
    EXPECT_TRUE(drawnNear(picture, box->toPixels({2.5, 15.8 / 16.0 * 5000.0}), QColor(255, 0, 0)));

    // The twenty-first step passes the point count: the frame is drawn again.
    for (int i = 5; i < 22; ++i) {
        sampleNow();
    }
    EXPECT_EQ(window->plotBox()->framesDrawn(), frames + 1);

    child<QPushButton>("StopButton")->click();
    EXPECT_FALSE(acquisition.plotRunning());
    EXPECT_TRUE(child<QComboBox>("ChannelCombo0")->isEnabled());
    EXPECT_TRUE(child<QLineEdit>("MaxMinTextBox3")->isEnabled());
}

TEST_F(TimeHistoryWindowTest, LostEcuStopsThePlotAtTheNextTickWithOneMessage) {
    open();
    window->start();
    sampleNow();
    link.responder = nullptr; // every read times out from now on
    sampleNow();
    EXPECT_FALSE(state.EcuOnline);
    EXPECT_EQ(ui.texts(), QStringList({"Communication Lost!"}));
    link.events.clear();
    sampleNow();
    EXPECT_TRUE(sent().empty());
    EXPECT_FALSE(window->running());
    EXPECT_TRUE(child<QPushButton>("StartButton")->isEnabled());
    EXPECT_EQ(ui.texts(), QStringList({"Communication Lost!"}));
}

TEST_F(TimeHistoryWindowTest, ClosingSendsCommand34AndSwitchesLoggingOffWithoutDataWindow) {
    open();
    logging.setFileChooser([] { return QString(); });
    startLogging();
    window->start();
    sampleNow();
    sampleNow();
    // No log file: the records are skipped without a word, the plot goes on.
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(window->run().history().size(), 2);
    EXPECT_FALSE(logging.active()); // no file was chosen, which switched it off
    startLogging();
    logging.setViews([] { return false; }, [] { return true; });
    link.events.clear();
    window->close();
    EXPECT_EQ(sent(), std::vector<int>({34}));
    EXPECT_FALSE(logging.active());
    EXPECT_FALSE(acquisition.plotRunning());
    EXPECT_TRUE(logging.log().headerPending());
}

TEST_F(TimeHistoryWindowTest, ClosingItsMdiChildWindowSendsCommand34Once) {
    QMdiArea area;
    auto* plot = new TimeHistoryWindow(state, session.store(), ui, session.liveFeed());
    QMdiSubWindow* sub = area.addSubWindow(plot);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    area.show();
    sub->show();
    plot->start();
    link.events.clear();
    sub->close();
    EXPECT_EQ(sent(), std::vector<int>({34}));
    EXPECT_FALSE(acquisition.plotRunning());
}

TEST_F(TimeHistoryWindowTest, ClosingKeepsLoggingWhileTheDataWindowIsOpen) {
    open();
    startLogging();
    window->close();
    EXPECT_TRUE(logging.active());
}

TEST_F(TimeHistoryWindowTest, WhileLoggingEachSampleAppendsAPlotRecord) {
    recordOf(session.store()).LoadControl = 1;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("plot.log");
    open();
    int asked = 0;
    logging.setFileChooser([&] {
        ++asked;
        return path;
    });

    window->start();
    sampleNow(); // not logging yet
    startLogging();
    sampleNow();
    sampleNow();
    window->stop();
    logging.closeLogFile();
    EXPECT_EQ(asked, 1);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    // Rule, date and titles (a test of the log), then two records: time (8
    // columns), then rpm "####0" in 8 columns.
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[3].mid(8, 8), "    1000");
    EXPECT_EQ(lines[4].mid(8, 8), "    1000");
}

TEST_F(TimeHistoryWindowTest, PrintingDrawsTheStoredHistoryAcrossTheArea) {
    state.display.PlotChannelChoice = {PlotChannel::Rpm, PlotChannel::Battery};
    open();
    window->start();
    for (int i = 0; i < 10; ++i) {
        sampleNow();
    }
    window->stop();
    QImage page(900, 600, QImage::Format_RGB32);
    page.fill(Qt::black);
    const QRect area(50, 40, 800, 500);
    {
        QPainter painter(&page);
        window->printRealtimePlot(painter, area);
    }
    const QRect plotArea = timeHistoryPlotArea(area, QFontMetrics(QFont("Arial", 8), &page));
    TimeHistoryFrame frame = window->currentFrame();
    frame.pointCount = 9; // ten samples across the whole width
    auto onPage = [&](double x, double y, const QColor& colour) {
        return drawnNear(page, timeHistoryToPixels(plotArea, frame, QPointF(x, y)), colour);
    };
    EXPECT_TRUE(onPage(4.5, 1000.0, QColor(0, 0, 255)));
    EXPECT_TRUE(onPage(8.5, 15.8 / 16.0 * 5000.0, QColor(255, 0, 0)));
    EXPECT_FALSE(onPage(4.5, 3000.0, QColor(0, 0, 255)));
    // The area is cleared to white; outside it the page is untouched.
    EXPECT_EQ(page.pixelColor(area.left() + 2, area.bottom() - 2), QColor(Qt::white));
    EXPECT_EQ(page.pixelColor(10, 10), QColor(Qt::black));
}

TEST(TimeHistoryWindowSize, AsWideAsTheAreaAndEighteenHundredTwipsLess) {
    EXPECT_EQ(TimeHistoryWindow::openingSize(QSize(1200, 800), 96), QSize(1200, 680));
    EXPECT_EQ(TimeHistoryWindow::openingSize(QSize(1200, 250), 96), QSize(1200, 200));
}

} // namespace
