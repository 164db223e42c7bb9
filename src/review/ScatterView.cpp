// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/ScatterView.h"

#include "review/ReviewTimeline.h"

#include <QLocale>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kColourBarWidth = 14;

QString axisValue(double value) {
    return formatReviewValue(static_cast<float>(value));
}

} // namespace

QColor scatterColour(double share) {
    static const std::array<QColor, 5> stops{QColor(40, 60, 220), QColor(0, 190, 210),
                                             QColor(40, 180, 40), QColor(240, 200, 0),
                                             QColor(220, 30, 30)};
    share = std::clamp(std::isnan(share) ? 0.0 : share, 0.0, 1.0) * (stops.size() - 1);
    const auto i = std::min<size_t>(static_cast<size_t>(share), stops.size() - 2);
    const double f = share - static_cast<double>(i);
    const QColor& a = stops[i];
    const QColor& b = stops[i + 1];
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * f),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * f),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * f));
}

QRect scatterPlotRect(const QRect& area, int fontHeight) {
    const int left = 6 * fontHeight;
    const int right = 6 * fontHeight + kColourBarWidth;
    const int top = 2 * fontHeight;
    const int bottom = 3 * fontHeight;
    return area.adjusted(left, top, -right, -bottom);
}

void paintScatter(QPainter& p, const QRect& area, const ScatterGrid& g,
                  const ScatterLabels& labels) {
    p.fillRect(area, Qt::white);
    const QFontMetrics metrics = p.fontMetrics();
    const int fh = metrics.height();
    const QRect plot = scatterPlotRect(area, fh);
    p.setPen(Qt::black);
    p.drawText(QRect(area.left(), area.top(), area.width(), fh + 4), Qt::AlignCenter,
               QStringLiteral("%1 of %2 records pass: %3")
                   .arg(QLocale().toString(g.passed), QLocale().toString(g.total), labels.filter));
    if (plot.width() < 10 || plot.height() < 10) {
        return;
    }
    // Cells: the colour of their mean, or grey where no record has one.
    const double cw = static_cast<double>(plot.width()) / g.columns;
    const double ch = static_cast<double>(plot.height()) / g.rows;
    const double colourSpan = static_cast<double>(g.colour.max) - g.colour.min;
    for (int row = 0; row < g.rows; ++row) {
        for (int column = 0; column < g.columns; ++column) {
            const qsizetype at = g.cell(column, row);
            if (g.count[static_cast<size_t>(at)] == 0) {
                continue;
            }
            const float mean = g.colourMean[static_cast<size_t>(at)];
            const QColor colour =
                std::isnan(mean)
                    ? QColor(90, 90, 90)
                    : scatterColour(colourSpan > 0 ? (mean - g.colour.min) / colourSpan : 0.5);
            p.fillRect(
                QRectF(plot.left() + column * cw, plot.bottom() + 1 - (row + 1) * ch, cw, ch),
                colour);
        }
    }
    p.setPen(Qt::gray);
    p.drawRect(plot);

    // Axes: round values along each side, with the channel names.
    p.setPen(Qt::black);
    if (!g.x.empty()) {
        const double span = std::max(1e-9, static_cast<double>(g.x.max) - g.x.min);
        for (const double v : niceTicks(g.x.min, g.x.max, std::max(2, plot.width() / 90))) {
            const double x = plot.left() + (v - g.x.min) / span * plot.width();
            p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
            const QString text = axisValue(v);
            p.drawText(QPointF(x - metrics.horizontalAdvance(text) / 2.0,
                               plot.bottom() + 5 + metrics.ascent()),
                       text);
        }
    }
    if (!g.y.empty()) {
        const double span = std::max(1e-9, static_cast<double>(g.y.max) - g.y.min);
        for (const double v : niceTicks(g.y.min, g.y.max, std::max(2, plot.height() / 40))) {
            const double y = plot.bottom() - (v - g.y.min) / span * plot.height();
            p.drawLine(QPointF(plot.left() - 4, y), QPointF(plot.left(), y));
            const QString text = axisValue(v);
            p.drawText(QPointF(plot.left() - 6 - metrics.horizontalAdvance(text),
                               y + metrics.ascent() / 2.0 - 1),
                       text);
        }
    }
    p.drawText(QRect(plot.left(), plot.bottom() + fh + 6, plot.width(), fh), Qt::AlignCenter,
               labels.x);
    p.save();
    p.translate(area.left() + fh, plot.center().y());
    p.rotate(-90);
    p.drawText(QRect(-plot.height() / 2, -fh, plot.height(), fh + 2), Qt::AlignCenter, labels.y);
    p.restore();

    // The colour bar, low at the bottom.
    const QRect bar(plot.right() + fh, plot.top(), kColourBarWidth, plot.height());
    for (int y = 0; y < bar.height(); ++y) {
        p.setPen(scatterColour(1.0 - static_cast<double>(y) / std::max(1, bar.height() - 1)));
        p.drawLine(bar.left(), bar.top() + y, bar.right(), bar.top() + y);
    }
    p.setPen(Qt::black);
    if (!g.colour.empty()) {
        p.drawText(QPointF(bar.right() + 4, bar.top() + metrics.ascent()), axisValue(g.colour.max));
        p.drawText(QPointF(bar.right() + 4, bar.bottom()), axisValue(g.colour.min));
    }
    p.save();
    p.translate(bar.right() + 4 + 3 * fh, plot.center().y());
    p.rotate(-90);
    p.drawText(QRect(-plot.height() / 2, -fh, plot.height(), fh + 2), Qt::AlignCenter,
               labels.colour);
    p.restore();
}

ScatterWidget::ScatterWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(240, 180);
}

void ScatterWidget::setGrid(ScatterGrid grid, ScatterLabels labels) {
    m_grid = std::move(grid);
    m_labels = std::move(labels);
    update();
}

QSize ScatterWidget::gridSize() const {
    const QRect plot = scatterPlotRect(rect(), fontMetrics().height());
    return {std::max(1, plot.width() / kScatterCellPixels),
            std::max(1, plot.height() / kScatterCellPixels)};
}

void ScatterWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintScatter(p, rect(), m_grid, m_labels);
}

void ScatterWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit gridSizeChanged();
}
