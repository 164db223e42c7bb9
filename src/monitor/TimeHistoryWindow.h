// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/TimeHistory.h"

#include <QPixmap>
#include <QWidget>
#include <array>
#include <functional>

struct AppState;
class SettingsStore;
class LiveFeed;
class LiveSample;
class UserInteraction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QFontMetrics;
class QPainter;

// What the frame of a time history plot shows: the point count across, trace
// 1's limits up, and trace 2's limits, scale patterns and channel names.
struct TimeHistoryFrame {
    int pointCount = 100;
    float min0 = 0.0f;
    float max0 = 10.0f;
    QString scalePattern0;
    QString title0;
    bool trace2Active = false;
    float min1 = 0.0f;
    float max1 = 10.0f;
    QString scalePattern1;
    QString title1;
};

// The plot area inside an area that leaves room for the axis labels.
QRect timeHistoryPlotArea(const QRect& area, const QFontMetrics& metrics);
// A point in plot coordinates (x in sample steps, y in trace 1's units) in
// pixels of the plot area.
QPointF timeHistoryToPixels(const QRectF& plotArea, const TimeHistoryFrame& frame,
                            const QPointF& plotPoint);
// Clears the area and draws the frame: grid, axis labels in each channel's
// scale pattern, the rotated channel names and "Points" under the x axis.
void paintTimeHistoryFrame(QPainter& painter, const QRect& area, const TimeHistoryFrame& frame);

// The drawing area of the time history plot. It keeps the picture in a
// backing pixmap: the frame is drawn whole only when the scales change, the
// area is resized or the drawing wraps round; each sample adds one line per
// trace and repaints only the rectangle that line touched.
class TimeHistoryPlotBox : public QWidget {
    Q_OBJECT
public:
    explicit TimeHistoryPlotBox(QWidget* parent = nullptr);

    // Draws the empty frame for the given scales.
    void drawFrame(const TimeHistoryFrame& frame);
    // Adds one line in plot coordinates and repaints the touched rectangle.
    void drawSegment(const PlotSegment& segment);

    // The plot area inside the frame, in widget pixels.
    QRect plotRect() const;
    QPointF toPixels(const QPointF& plotPoint) const;
    const QPixmap& picture() const { return m_pixmap; }
    int framesDrawn() const { return m_framesDrawn; }

    QSize minimumSizeHint() const override { return {300, 160}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void renderFrame();

    TimeHistoryFrame m_frame;
    QPixmap m_pixmap;
    int m_framesDrawn = 0;
};

// The "Time History Plot" window: one or two live channels against sample
// number, drawn from the feed's reduced samples, which the program takes
// every 50 ms while the plot runs (and logs when logging is on). Opening and
// closing the window tell the feed, which tells the ECU.
class TimeHistoryWindow : public QWidget {
    Q_OBJECT
public:
    TimeHistoryWindow(AppState& state, const SettingsStore& store, UserInteraction& ui,
                      LiveFeed& feed, QWidget* parent = nullptr);

    // The size the window opens with: as wide as the area it opens in and
    // 1800 twips less high (at least a usable minimum).
    static QSize openingSize(const QSize& area, int logicalDpiY);

    // Start and Stop, as the buttons do.
    void start();
    void stop();
    bool running() const;

    const PlotRun& run() const { return m_run; }
    TimeHistoryPlotBox* plotBox() const { return m_plot; }

    // Draws the frame and the stored history into an area of a page, the
    // sample numbers of the history across.
    void printRealtimePlot(QPainter& painter, const QRect& area) const;
    // The frame of the chosen channels, limits and point count.
    TimeHistoryFrame currentFrame() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void channelChosen(int trace, int index);
    void pointCountChosen(int index);
    void applyLimitBox(int box);
    void loadChannelScales();
    void showLimits();
    void redrawFrame();
    void enableControls(bool enabled);
    // Draws one reduced sample of the running plot.
    void draw(const LiveSample& sample);
    // The plot stopped (Stop, or the ECU was offline at a tick).
    void stopped();

    AppState& m_state;
    const SettingsStore& m_store;
    UserInteraction& m_ui;
    LiveFeed& m_feed;
    PlotRun m_run;

    std::array<QComboBox*, 2> m_channelCombos{};
    QComboBox* m_pointsCombo = nullptr;
    std::array<QLineEdit*, 4> m_limitBoxes{};
    QPushButton* m_startButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    std::array<QLabel*, 2> m_valueLabels{};
    QLabel* m_rpmLabel = nullptr;
    QLabel* m_loadLabel = nullptr;
    TimeHistoryPlotBox* m_plot = nullptr;
    bool m_filling = false;
    bool m_closed = false;
};
