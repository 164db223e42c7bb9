// SPDX-License-Identifier: GPL-3.0-or-later
// The gauges window on the main window, as a tuner uses it: Display > Gauges
// by its keys, the live values of the simulated ECU, the warning and danger
// colours, the editor by the keyboard, and the layout kept between runs.

#include "gauges/GaugesWindow.h"
#include "SimulatedMainWindow.h"
#include "comm/EcuLine.h"
#include "record/FileAccess.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

namespace {

class GaugesWindowTest : public SimulatedMainWindow {
protected:
    void SetUp() override {
        SimulatedMainWindow::SetUp();
        ecu.startEngine();
    }

    void begin(QSize screen = QSize(1280, 1024)) {
        start();
        window->showNormal();
        window->setGeometry(QRect(QPoint(0, 0), screen));
        QApplication::processEvents();
        QApplication::setActiveWindow(window.get());
    }

    // Keys as the tuner presses them, to whatever holds the focus.
    void press(QKeyCombination keys) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : window.get(), keys.key(),
                        keys.keyboardModifiers());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
    // Replaces the text of the box with the focus, as typed.
    void retype(const QString& text) {
        QWidget* box = QApplication::focusWidget();
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Home, Qt::ShiftModifier);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
    }

    // Display > Gauges by its keys.
    GaugesWindow* openGauges() {
        press(Qt::CTRL | Qt::Key_G);
        return window->findChild<GaugesWindow*>();
    }

    QMdiSubWindow* subOf(const QWidget* w) const {
        return qobject_cast<QMdiSubWindow*>(w->parentWidget());
    }

    QString layoutPath() const { return dir.filePath(QStringLiteral("gauges.conf")); }

    // Pixels of a colour in a part of the panel as it paints itself.
    static int pixelsOf(GaugePanel* panel, const QRectF& part, const QColor& colour) {
        const QImage image = panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int n = 0;
        const QRect r = part.toAlignedRect() & image.rect();
        for (int y = r.top(); y <= r.bottom(); ++y) {
            for (int x = r.left(); x <= r.right(); ++x) {
                n += image.pixel(x, y) == colour.rgb() ? 1 : 0;
            }
        }
        return n;
    }
};

} // namespace

TEST_F(GaugesWindowTest, DisplayGaugesOpensOnScreenWithTheFocusAndReadableLiveValues) {
    for (const QSize screen : {QSize(800, 600), QSize(1280, 1024)}) {
        SCOPED_TRACE(screen.width());
        begin(screen);
        GaugesWindow* gauges = openGauges();
        ASSERT_NE(gauges, nullptr);
        EXPECT_EQ(window->mdiArea()->activeSubWindow(), subOf(gauges));
        EXPECT_EQ(QApplication::focusWidget(), gauges->panel());
        EXPECT_TRUE(window->mdiArea()->viewport()->rect().contains(subOf(gauges)->geometry()));

        // Before the first poll the gauges show no value; after it, the
        // values the poll converted.
        GaugePanel* panel = gauges->panel();
        EXPECT_TRUE(panel->sample().channels().none());
        window->pollTick();
        for (int c = 0; c < kLiveChannelCount; ++c) {
            EXPECT_TRUE(panel->sample().has(static_cast<LiveChannel>(c)));
        }
        const EngineData& live = window->line().liveValues();
        EXPECT_EQ(panel->sample().value(LiveChannel::Rpm), live.RpmChannel.Value);
        EXPECT_EQ(panel->sample().value(LiveChannel::Water), live.WaterChannel.Value);

        // Every gauge's digits as painted can be read from a metre away,
        // with the whole panel in view.
        panel->grab();
        ASSERT_EQ(panel->paintedDigitHeights().size(), 6u);
        const double readable = readableDigitPixels(panel->pixelsPerMillimetre());
        for (double height : panel->paintedDigitHeights()) {
            EXPECT_GE(height, readable - 1.0);
        }
        EXPECT_EQ(panel->visibleRegion().boundingRect(), panel->rect());
        window->close();
        window.reset();
    }
}

TEST_F(GaugesWindowTest, AValueInItsWarningOrDangerRangeTurnsAmberOrRed) {
    begin();
    GaugesWindow* gauges = openGauges();
    ASSERT_NE(gauges, nullptr);
    window->pollTick();
    // The second gauge shows MAP on a dial without limits.
    GaugePanel* panel = gauges->panel();
    ASSERT_EQ(gauges->layout().gauges[1].channel, LiveChannel::Map);
    const float map = panel->sample().value(LiveChannel::Map);
    const QString below = QString::number(std::floor(map) - 1);
    const QString above = QString::number(std::ceil(map) + 1);
    press(Qt::ALT | Qt::Key_G);
    ASSERT_TRUE(gauges->editing());
    press(Qt::Key_Down);

    struct Case {
        const char* name;
        QString warningAbove;
        QString dangerAbove;
        GaugeZone zone;
    };
    const Case cases[] = {
        {"no limits", {}, {}, GaugeZone::Normal},
        {"past the warning limit", below, {}, GaugeZone::Warning},
        {"under the warning limit", above, {}, GaugeZone::Normal},
        {"past the danger limit", below, below, GaugeZone::Danger},
        {"warned, under the danger limit", below, above, GaugeZone::Warning},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        press(Qt::ALT | Qt::Key_V);
        retype(c.warningAbove);
        press(Qt::ALT | Qt::Key_B);
        retype(c.dangerAbove);
        press(Qt::Key_Return);
        window->pollTick();
        // The middle of the digits' box takes the zone's colour.
        const GaugeFace face =
            gaugeFace({GaugeKind::Dial,
                       gaugeCharacters(gauges->layout().gauges[1], window->store().settings())},
                      panel->cell(1));
        const QRectF middle =
            face.value.adjusted(face.value.width() / 4, 0, -face.value.width() / 4, 0);
        for (GaugeZone zone : {GaugeZone::Warning, GaugeZone::Danger}) {
            EXPECT_EQ(pixelsOf(panel, middle, gaugeZoneColour(zone)) > 0, zone == c.zone)
                << static_cast<int>(zone);
        }
    }
}

TEST_F(GaugesWindowTest, TheEditorWorksByKeysAndTheLayoutAndPlaceAreKept) {
    begin();
    GaugesWindow* gauges = openGauges();
    ASSERT_NE(gauges, nullptr);
    // Edit gauges: the list takes the focus, on the first gauge.
    press(Qt::ALT | Qt::Key_G);
    auto* list = gauges->findChild<QListWidget*>(QStringLiteral("GaugeList"));
    ASSERT_EQ(QApplication::focusWidget(), list);
    EXPECT_EQ(list->currentRow(), 0);

    // Insert adds the first channel without a gauge (air) after it.
    press(Qt::Key_Insert);
    EXPECT_EQ(list->currentRow(), 1);
    // A bar from 0 to 150, warning from 120, on the water channel.
    press(Qt::ALT | Qt::Key_C);
    press(Qt::Key_Down); // Air -> Water, with water's scale and limits
    press(Qt::ALT | Qt::Key_K);
    press(Qt::Key_Down); // Dial -> Bar
    press(Qt::ALT | Qt::Key_P);
    retype(QStringLiteral("150"));
    press(Qt::Key_Tab);
    press(Qt::ALT | Qt::Key_V);
    retype(QStringLiteral("120"));
    press(Qt::Key_Return);
    // A scale upside down is refused.
    press(Qt::ALT | Qt::Key_O);
    retype(QStringLiteral("200"));
    press(Qt::Key_Return);
    EXPECT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget())->text(), "100");
    // Back to the list: the new gauge goes first, and the ignition gauge
    // (now the last) is removed.
    press(Qt::ALT | Qt::Key_G);
    press(Qt::ALT | Qt::Key_G);
    ASSERT_EQ(QApplication::focusWidget(), list);
    press(Qt::CTRL | Qt::Key_Up);
    EXPECT_EQ(list->currentRow(), 0);
    press(Qt::Key_End);
    press(Qt::Key_Delete);

    Gauge water = usualGauge(LiveChannel::Water, GaugeKind::Bar);
    water.max = 150;
    water.warningAbove = 120;
    GaugeLayout expected;
    expected.gauges = {water,
                       usualGauge(LiveChannel::Rpm, GaugeKind::Dial),
                       usualGauge(LiveChannel::Map, GaugeKind::Dial),
                       usualGauge(LiveChannel::Water, GaugeKind::Dial),
                       usualGauge(LiveChannel::Tps, GaugeKind::Bar),
                       usualGauge(LiveChannel::Battery, GaugeKind::Number)};
    EXPECT_EQ(gauges->layout(), expected);
    EXPECT_EQ(readWholeFile(layoutPath()).data, gaugeLayoutBytes(expected));

    // Moved, closed with Close Active Window, and opened again: the same
    // gauges where the window was.
    subOf(gauges)->move(40, 30);
    press(Qt::CTRL | Qt::Key_C);
    ASSERT_EQ(window->findChild<GaugesWindow*>(), nullptr);
    gauges = openGauges();
    ASSERT_NE(gauges, nullptr);
    EXPECT_EQ(gauges->layout(), expected);
    EXPECT_EQ(subOf(gauges)->pos(), QPoint(40, 30));
    EXPECT_FALSE(gauges->editing());

    // The place is kept in the settings file, the gauges beside it: a new
    // start opens them the same way.
    window->close();
    window.reset();
    state = AppState{};
    prepareStartupState(state);
    begin();
    gauges = openGauges();
    ASSERT_NE(gauges, nullptr);
    EXPECT_EQ(gauges->layout(), expected);
    EXPECT_EQ(subOf(gauges)->pos(), QPoint(40, 30));
}
