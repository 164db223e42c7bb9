// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "review/ReviewTimeline.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <vector>

class QPainter;
class SampleSeries;

// A channel as a pane draws it.
struct PaneTrace {
    int channel = -1; // in the series; -1 when the log lacks the channel
    QString name;
    QString unit;
    QColor colour;
    ReviewScale scale;
};

// What one pane of the log review shows.
struct PaneScene {
    const SampleSeries* series = nullptr;
    qint64 start = 0;
    qint64 end = 1;
    std::vector<PaneTrace> traces;
    const std::vector<qsizetype>* breaks = nullptr; // lineBreaks() of the series
    qsizetype cursor = -1;
    bool current = false; // the pane the channel list edits
};

// The plot area of a pane or of the time axis inside its widget: the same
// across, so that a time falls on the same column in each.
QRectF reviewPlotRect(const QRect& area);
double reviewXOf(const QRectF& plot, qint64 start, qint64 end, qint64 timeMs);
qint64 reviewTimeAt(const QRectF& plot, qint64 start, qint64 end, double x);

// Draws a pane: grid, run starts and markers, each channel on its own scale
// (from every record where the records are fewer than twice the columns,
// else each column's lowest and highest value), the line broken at each
// break, the cursor, and a legend with each channel's value at the cursor
// and its scale.
void paintReviewPane(QPainter& painter, const QRect& area, const PaneScene& scene);
// The two layers of a pane: the plot area with grid, runs, markers and
// channels, which changes with the stretch shown and the channels; and the
// frame, cursor and legend drawn over it, which also change with the cursor.
QImage renderReviewCanvas(const QRect& area, const PaneScene& scene);
void paintReviewOverlay(QPainter& painter, const QRect& area, const PaneScene& scene);
// Whether two scenes draw the same plot area (all but the cursor and frame).
bool sameCanvas(const PaneScene& a, const PaneScene& b);
// Draws the time axis under the panes: times, run starts and markers.
void paintReviewAxis(QPainter& painter, const QRect& area, const SampleSeries* series, qint64 start,
                     qint64 end);

// A pane: draws its scene, keeping the plot area while only the cursor
// moves. The review window handles its mouse and keys.
class ReviewPaneWidget : public QWidget {
    Q_OBJECT
public:
    explicit ReviewPaneWidget(QWidget* parent = nullptr);
    void setScene(PaneScene scene);
    const PaneScene& scene() const { return m_scene; }
    QSize minimumSizeHint() const override { return {200, 60}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PaneScene m_scene;
    QImage m_canvas;
};

class ReviewAxisWidget : public QWidget {
    Q_OBJECT
public:
    explicit ReviewAxisWidget(QWidget* parent = nullptr);
    void setStretch(const SampleSeries* series, qint64 start, qint64 end);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SampleSeries* m_series = nullptr;
    qint64 m_start = 0;
    qint64 m_end = 1;
};
