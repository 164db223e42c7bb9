// SPDX-License-Identifier: GPL-3.0-or-later
#include "gauges/GaugeFace.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The share of a cell's width and height inside its margins.
constexpr double kInside = 0.95;

// A face's digits are as tall as the smaller of two reaches: a share of the
// cell's width and a share of its height.
struct Reach {
    double perWidth = 0;
    double perHeight = 0;
};

double widthPerDigit(const GaugeShape& shape) {
    return std::max(shape.characters, 2) * kDigitWidthPerHeight;
}

Reach reach(const GaugeShape& shape) {
    switch (shape.kind) {
    case GaugeKind::Dial: {
        // The digits sit below the centre in a box 0.64 of the diameter
        // wide, at most 0.18 of the diameter tall; the diameter is the
        // cell's smaller side.
        const double perDiameter = std::min(0.18, 0.64 / widthPerDigit(shape));
        return {kInside * perDiameter, kInside * perDiameter};
    }
    case GaugeKind::Bar:
        // The digits take the right half of the upper half.
        return {kInside * 0.55 / widthPerDigit(shape), kInside * 0.36};
    case GaugeKind::Number:
        break;
    }
    return {kInside * 0.9 / widthPerDigit(shape), kInside * 0.45};
}

double digitHeightIn(const GaugeShape& shape, const QSizeF& cell) {
    const Reach r = reach(shape);
    return std::min(r.perWidth * cell.width(), r.perHeight * cell.height());
}

} // namespace

double readableDigitPixels(double pixelsPerMillimetre) {
    return kReadableDigitMillimetres * pixelsPerMillimetre;
}

int gaugeCharacters(const Gauge& gauge, const EcuSettings& settings) {
    const auto length = [&](float v) {
        return static_cast<int>(gaugeValueText(gauge.channel, v, settings).size());
    };
    return std::max({length(gauge.min), length(gauge.max), 2});
}

GaugeFace gaugeFace(const GaugeShape& shape, const QRectF& cell) {
    const double mx = cell.width() * (1 - kInside) / 2;
    const double my = cell.height() * (1 - kInside) / 2;
    const QRectF in = cell.adjusted(mx, my, -mx, -my);
    GaugeFace f;
    f.digitHeight = digitHeightIn(shape, cell.size());
    switch (shape.kind) {
    case GaugeKind::Dial: {
        const double d = std::min(in.width(), in.height());
        const double r = d / 2;
        f.dial = QRectF(in.center().x() - r, in.center().y() - r, d, d);
        const QPointF c = f.dial.center();
        f.titleHeight = 0.11 * r;
        f.title = QRectF(c.x() - 0.42 * r, c.y() - 0.46 * r, 0.84 * r, 0.24 * r);
        f.value = QRectF(c.x() - 0.64 * r, c.y() + 0.2 * r, 1.28 * r, 0.46 * r);
        break;
    }
    case GaugeKind::Bar: {
        const double h = in.height();
        f.titleHeight = 0.11 * h;
        f.title = QRectF(in.left(), in.top(), in.width() * 0.45, 0.45 * h);
        f.value = QRectF(in.left() + in.width() * 0.45, in.top(), in.width() * 0.55, 0.45 * h);
        f.bar = QRectF(in.left(), in.top() + 0.5 * h, in.width(), 0.28 * h);
        f.scale = QRectF(in.left(), in.top() + 0.8 * h, in.width(), 0.2 * h);
        break;
    }
    case GaugeKind::Number: {
        const double h = in.height();
        f.titleHeight = 0.1 * h;
        f.title = QRectF(in.left(), in.top(), in.width(), 0.25 * h);
        f.value = QRectF(in.left(), in.top() + 0.25 * h, in.width(), 0.75 * h);
        break;
    }
    }
    return f;
}

QSizeF gaugeMinimumCell(const GaugeShape& shape, double digitHeight) {
    const Reach r = reach(shape);
    return {std::ceil(digitHeight / r.perWidth), std::ceil(digitHeight / r.perHeight)};
}

GaugeGrid gaugeGrid(const std::vector<GaugeShape>& shapes, const QSizeF& area) {
    const int count = static_cast<int>(shapes.size());
    GaugeGrid best;
    double bestDigits = -1;
    for (int columns = 1; columns <= std::max(count, 1); ++columns) {
        const int rows = (std::max(count, 1) + columns - 1) / columns;
        const QSizeF cell(area.width() / columns, area.height() / rows);
        double smallest = count > 0 ? digitHeightIn(shapes[0], cell) : 0;
        for (const GaugeShape& s : shapes) {
            smallest = std::min(smallest, digitHeightIn(s, cell));
        }
        if (smallest > bestDigits) {
            bestDigits = smallest;
            best = {columns, rows};
        }
    }
    return best;
}

QRectF gaugeCell(const GaugeGrid& grid, const QSizeF& area, int index) {
    const double w = area.width() / grid.columns;
    const double h = area.height() / grid.rows;
    return {(index % grid.columns) * w, (index / grid.columns) * h, w, h};
}

QSizeF gaugePanelMinimum(const std::vector<GaugeShape>& shapes, double digitHeight) {
    if (shapes.empty()) {
        return {};
    }
    const int count = static_cast<int>(shapes.size());
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const int rows = (count + columns - 1) / columns;
    QSizeF cell;
    for (const GaugeShape& s : shapes) {
        cell = cell.expandedTo(gaugeMinimumCell(s, digitHeight));
    }
    return {cell.width() * columns, cell.height() * rows};
}

double dialAngle(double fraction) {
    return 225.0 - 270.0 * std::clamp(fraction, 0.0, 1.0);
}

std::vector<double> gaugeTicks(double min, double max, int maxTicks) {
    std::vector<double> ticks;
    if (!(max > min) || maxTicks < 2 || !std::isfinite(max - min)) {
        return ticks;
    }
    constexpr std::array<double, 4> kMultiples{1.0, 2.0, 2.5, 5.0};
    const auto count = [min, max](double step) {
        return std::floor(max / step + 1e-9) - std::ceil(min / step - 1e-9) + 1;
    };
    double power = std::pow(10.0, std::floor(std::log10((max - min) / maxTicks)));
    double step = 0;
    while (step == 0) {
        for (double m : kMultiples) {
            if (count(m * power) <= maxTicks) {
                step = m * power;
                break;
            }
        }
        power *= 10;
    }
    for (double k = std::ceil(min / step - 1e-9); k * step <= max + step * 1e-9; ++k) {
        ticks.push_back(k * step == 0 ? 0.0 : k * step);
    }
    return ticks;
}
