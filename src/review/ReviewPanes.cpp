// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/ReviewPanes.h"

#include "monitor/SampleSeries.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kMarginX = 8;
constexpr int kMarginY = 3;
constexpr int kValueGridLines = 4;
const QColor kGrid(225, 225, 225);
const QColor kRunColour(90, 90, 90);
const QColor kMarkerColour(230, 120, 0);
const QColor kCursorColour(0, 0, 0);

// The columns in which a break falls, ascending: the slices of time of
// SampleSeries::decimate.
std::vector<int> breakColumns(const PaneScene& s, int columns) {
    std::vector<int> result;
    if (s.breaks == nullptr) {
        return result;
    }
    const double span = static_cast<double>(s.end - s.start);
    const auto edge = [&](qint64 k) {
        return s.start + std::llround(span * static_cast<double>(k) / columns);
    };
    for (const qsizetype index : *s.breaks) {
        const qint64 t = s.series->timeMs(index);
        if (t < s.start || t >= s.end) {
            continue;
        }
        qint64 k = (t - s.start) * columns / (s.end - s.start);
        while (k + 1 < columns && t >= edge(k + 1)) {
            ++k;
        }
        while (k > 0 && t < edge(k)) {
            --k;
        }
        result.push_back(static_cast<int>(k));
    }
    return result;
}

void flush(QPainter& p, QPolygonF& line) {
    if (line.size() > 1) {
        p.drawPolyline(line);
    } else if (line.size() == 1) {
        p.drawPoint(line.front());
    }
    line.clear();
}

// The first record of each pixel column's slice of time, and the end of the
// last: SampleSeries::decimate's slices, found once for every channel of a
// pane.
std::vector<qsizetype> columnEdges(const PaneScene& s, int columns) {
    std::vector<qsizetype> edges(static_cast<size_t>(columns) + 1);
    const double span = static_cast<double>(s.end - s.start);
    for (int k = 0; k <= columns; ++k) {
        edges[static_cast<size_t>(k)] =
            s.series->lowerBound(s.start + std::llround(span * k / columns));
    }
    return edges;
}

// Draws a channel on canvas, which holds the plot area; p paints on it in
// the pane's coordinates. edges: columnEdges() for the canvas's columns.
void drawTrace(QPainter& p, QImage& canvas, const QRectF& plot, const PaneScene& s,
               const PaneTrace& t, const std::vector<qsizetype>& edges) {
    const SampleSeries& series = *s.series;
    const double height = t.scale.max - t.scale.min;
    const auto yOf = [&](double v) {
        return plot.bottom() - (v - t.scale.min) / height * plot.height();
    };
    const int columns = std::max(1, static_cast<int>(plot.width()));
    // One record either side, so that the line runs to the edges.
    const qsizetype from = std::max<qsizetype>(0, series.lowerBound(s.start) - 1);
    const qsizetype to = std::min(series.size(), series.lowerBound(s.end + 1) + 1);
    // A cosmetic pen one pixel wide takes the painter's fast line path.
    QPen pen(t.colour, 1);
    pen.setCosmetic(true);
    p.setPen(pen);
    QPolygonF line;
    if (to - from <= 2 * columns) {
        const std::vector<qsizetype> none;
        const std::vector<qsizetype>& breaks = s.breaks != nullptr ? *s.breaks : none;
        auto nextBreak = std::upper_bound(breaks.begin(), breaks.end(), from);
        for (qsizetype i = from; i < to; ++i) {
            if (nextBreak != breaks.end() && *nextBreak == i) {
                flush(p, line);
                ++nextBreak;
            }
            const float v = series.value(t.channel, i);
            if (std::isnan(v)) {
                flush(p, line);
                continue;
            }
            line << QPointF(reviewXOf(plot, s.start, s.end, series.timeMs(i)), yOf(v));
        }
        flush(p, line);
        return;
    }
    std::vector<ValueRange> ranges(static_cast<size_t>(columns));
    for (size_t k = 0; k < ranges.size(); ++k) {
        ranges[k] = series.range(t.channel, edges[k], edges[k + 1]);
    }
    const std::vector<int> breaks = breakColumns(s, columns);
    auto nextBreak = breaks.begin();
    // Each column a vertical line from its lowest to its highest value,
    // stretched to where the line left the column before, so that the
    // columns join without a line between them; a column after empty ones
    // is joined by a line of its own. The columns are written straight into
    // the canvas: at a whole log every column runs most of the pane's
    // height, and the painter's lines cost several times as much.
    std::vector<QLineF> joins;
    const QRgb colour = t.colour.rgb();
    const int rows = canvas.height();
    const auto stride = static_cast<qsizetype>(canvas.bytesPerLine() / sizeof(QRgb));
    auto* bits = reinterpret_cast<QRgb*>(canvas.bits());
    bool joined = false;
    int lastColumn = 0;
    double lastY = 0.0;
    for (int k = 0; k < columns && k < canvas.width(); ++k) {
        while (nextBreak != breaks.end() && *nextBreak == k) {
            joined = false;
            ++nextBreak;
        }
        const ValueRange& r = ranges[static_cast<size_t>(k)];
        if (r.empty()) {
            continue;
        }
        double top = yOf(r.max);
        double bottom = yOf(r.min);
        const bool leaveAtBottom = !joined || std::abs(lastY - top) < std::abs(lastY - bottom);
        if (joined && k == lastColumn + 1) {
            top = std::min(top, lastY);
            bottom = std::max(bottom, lastY);
        } else if (joined) {
            joins.emplace_back(plot.left() + lastColumn + 0.5, lastY, plot.left() + k + 0.5,
                               leaveAtBottom ? yOf(r.max) : yOf(r.min));
        }
        lastY = leaveAtBottom ? yOf(r.min) : yOf(r.max);
        lastColumn = k;
        joined = true;
        // The pixel row whose centre is nearest, as the painter's lines take.
        const int y0 = std::max(0, static_cast<int>(std::floor(top - plot.top())));
        const int y1 = std::min(rows - 1, static_cast<int>(std::floor(bottom - plot.top())));
        for (int y = y0; y <= y1; ++y) {
            bits[y * stride + k] = colour;
        }
    }
    p.drawLines(joins.data(), static_cast<int>(joins.size()));
}

void drawRunsAndMarkers(QPainter& p, const QRectF& plot, const SampleSeries& series, qint64 start,
                        qint64 end) {
    p.setPen(QPen(kRunColour, 1, Qt::DashLine));
    for (size_t r = 1; r < series.runs().size(); ++r) {
        const qint64 t = series.timeMs(series.runs()[r].first);
        if (t >= start && t <= end) {
            const double x = reviewXOf(plot, start, end, t);
            p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }
    }
    p.setPen(QPen(kMarkerColour, 1, Qt::DotLine));
    for (const SeriesMarker& m : series.markers()) {
        if (m.timeMs >= start && m.timeMs <= end) {
            const double x = reviewXOf(plot, start, end, m.timeMs);
            p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }
    }
}

int maxTimeTicks(double width) {
    return std::max(2, static_cast<int>(width / 110));
}

} // namespace

QRectF reviewPlotRect(const QRect& area) {
    return QRectF(area).adjusted(kMarginX, kMarginY, -kMarginX, -kMarginY);
}

double reviewXOf(const QRectF& plot, qint64 start, qint64 end, qint64 timeMs) {
    const double span = std::max<double>(1.0, static_cast<double>(end - start));
    return plot.left() + static_cast<double>(timeMs - start) / span * plot.width();
}

qint64 reviewTimeAt(const QRectF& plot, qint64 start, qint64 end, double x) {
    const double share = plot.width() > 0 ? (x - plot.left()) / plot.width() : 0.0;
    return start + std::llround(share * static_cast<double>(end - start));
}

bool sameCanvas(const PaneScene& a, const PaneScene& b) {
    const auto sameTrace = [](const PaneTrace& x, const PaneTrace& y) {
        return x.channel == y.channel && x.colour == y.colour && x.scale.min == y.scale.min &&
               x.scale.max == y.scale.max;
    };
    return a.series == b.series && a.start == b.start && a.end == b.end && a.breaks == b.breaks &&
           std::equal(a.traces.begin(), a.traces.end(), b.traces.begin(), b.traces.end(),
                      sameTrace);
}

QImage renderReviewCanvas(const QRect& area, const PaneScene& s) {
    const QRectF plot = reviewPlotRect(area);
    QImage canvas(plot.size().toSize().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter c(&canvas);
        c.translate(-plot.topLeft());
        c.setPen(kGrid);
        for (int i = 0; i <= kValueGridLines; ++i) {
            const double y = plot.top() + plot.height() * i / kValueGridLines;
            c.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        }
        for (const qint64 t : timeTicks(s.start, s.end, maxTimeTicks(plot.width()))) {
            const double x = reviewXOf(plot, s.start, s.end, t);
            c.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        }
        if (s.series != nullptr && s.series->size() > 0) {
            drawRunsAndMarkers(c, plot, *s.series, s.start, s.end);
            const std::vector<qsizetype> edges =
                columnEdges(s, std::max(1, static_cast<int>(plot.width())));
            for (const PaneTrace& t : s.traces) {
                if (t.channel >= 0) {
                    drawTrace(c, canvas, plot, s, t, edges);
                }
            }
        }
    }
    return canvas;
}

void paintReviewOverlay(QPainter& p, const QRect& area, const PaneScene& s) {
    const QRectF plot = reviewPlotRect(area);
    p.setPen(s.current ? QPen(QColor(40, 90, 200), 2) : QPen(QColor(160, 160, 160), 1));
    p.drawRect(plot);
    if (s.series == nullptr || s.series->size() == 0) {
        return;
    }
    if (s.cursor >= 0) {
        const double x = reviewXOf(plot, s.start, s.end, s.series->timeMs(s.cursor));
        p.setPen(QPen(kCursorColour, 1));
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }

    // The legend: each channel's value at the cursor, unit and scale.
    const QFontMetrics metrics = p.fontMetrics();
    const int line = metrics.height();
    double x = plot.left() + 4;
    const double y = plot.top() + 2;
    for (const PaneTrace& t : s.traces) {
        const float value = t.channel >= 0 && s.cursor >= 0
                                ? s.series->value(t.channel, s.cursor)
                                : std::numeric_limits<float>::quiet_NaN();
        QString text = t.name + QLatin1Char(' ') + formatReviewValue(value);
        if (!t.unit.isEmpty() && !std::isnan(value)) {
            text += QLatin1Char(' ') + t.unit;
        }
        const QString scale = t.channel < 0
                                  ? QStringLiteral("  (not in this log)")
                                  : QStringLiteral("  [%1 \u2013 %2]")
                                        .arg(formatReviewValue(static_cast<float>(t.scale.min)),
                                             formatReviewValue(static_cast<float>(t.scale.max)));
        const double width =
            metrics.horizontalAdvance(text) + metrics.horizontalAdvance(scale) + 20;
        const QRectF box(x, y, width, line + 2);
        p.fillRect(box, QColor(255, 255, 255, 210));
        p.fillRect(QRectF(x + 2, y + line / 2.0 - 3, 8, 8), t.colour);
        p.setPen(t.colour.darker(120));
        p.drawText(QPointF(x + 14, y + metrics.ascent() + 1), text);
        p.setPen(Qt::gray);
        p.drawText(QPointF(x + 14 + metrics.horizontalAdvance(text), y + metrics.ascent() + 1),
                   scale);
        x += width;
    }
}

void paintReviewPane(QPainter& p, const QRect& area, const PaneScene& s) {
    p.fillRect(area, Qt::white);
    p.drawImage(reviewPlotRect(area).topLeft(), renderReviewCanvas(area, s));
    paintReviewOverlay(p, area, s);
}

void paintReviewAxis(QPainter& p, const QRect& area, const SampleSeries* series, qint64 start,
                     qint64 end) {
    p.fillRect(area, QColor(245, 245, 245));
    const QRectF plot = reviewPlotRect(area);
    const QFontMetrics metrics = p.fontMetrics();
    p.setPen(Qt::black);
    qint64 step = 1;
    for (const qint64 ms : timeTicks(start, end, maxTimeTicks(plot.width()), &step)) {
        const double x = reviewXOf(plot, start, end, ms);
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.top() + 4));
        const QString text = formatTickTime(ms, step);
        const double w = metrics.horizontalAdvance(text);
        p.drawText(
            QPointF(std::clamp(x - w / 2, plot.left() - kMarginX, plot.right() + kMarginX - w),
                    area.top() + 5 + metrics.ascent()),
            text);
    }
    if (series == nullptr || series->size() == 0) {
        return;
    }
    const double labelY = area.top() + 7 + metrics.height() + metrics.ascent();
    p.setPen(kRunColour);
    for (size_t r = 1; r < series->runs().size(); ++r) {
        const SeriesRun& run = series->runs()[r];
        const qint64 t = series->timeMs(run.first);
        if (t >= start && t <= end) {
            const QString text = run.start == SeriesRun::Start::Gap
                                     ? QStringLiteral("\u25b2 gap")
                                     : QStringLiteral("\u25b2 run %1").arg(r + 1);
            p.drawText(QPointF(reviewXOf(plot, start, end, t) - 4, labelY), text);
        }
    }
    p.setPen(kMarkerColour);
    for (const SeriesMarker& m : series->markers()) {
        if (m.timeMs >= start && m.timeMs <= end) {
            p.drawText(QPointF(reviewXOf(plot, start, end, m.timeMs) - 4, labelY),
                       QStringLiteral("\u25c6"));
        }
    }
}

ReviewPaneWidget::ReviewPaneWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ReviewPaneWidget::setScene(PaneScene scene) {
    if (!sameCanvas(scene, m_scene)) {
        m_canvas = QImage();
    }
    m_scene = std::move(scene);
    update();
}

void ReviewPaneWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRectF plot = reviewPlotRect(rect());
    if (m_canvas.isNull() || m_canvas.size() != plot.size().toSize().expandedTo(QSize(1, 1))) {
        m_canvas = renderReviewCanvas(rect(), m_scene);
    }
    p.drawImage(plot.topLeft(), m_canvas);
    paintReviewOverlay(p, rect(), m_scene);
}

ReviewAxisWidget::ReviewAxisWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize ReviewAxisWidget::sizeHint() const {
    return {200, 2 * fontMetrics().height() + 12};
}

void ReviewAxisWidget::setStretch(const SampleSeries* series, qint64 start, qint64 end) {
    m_series = series;
    m_start = start;
    m_end = end;
    update();
}

void ReviewAxisWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintReviewAxis(p, rect(), m_series, m_start, m_end);
}
