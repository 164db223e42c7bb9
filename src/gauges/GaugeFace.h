// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gauges/GaugeLayout.h"

#include <QRectF>
#include <QSizeF>
#include <vector>

// Where the parts of the gauges go, in pixels, without drawing them.

// Digits read at a glance from a metre away: half a degree of sight is
// 8.7 mm at 1 m, so no gauge's digits are shorter than this.
inline constexpr double kReadableDigitMillimetres = 9.0;
// A digit's width (with the space after it) for its height, in the usual
// bold sans-serif faces (0.9 in the widest); a little over, so that digits
// sized by it fit.
inline constexpr double kDigitWidthPerHeight = 0.95;

double readableDigitPixels(double pixelsPerMillimetre);

// What the size of a gauge's face depends on: its kind and how many
// characters its widest value has.
struct GaugeShape {
    GaugeKind kind = GaugeKind::Dial;
    int characters = 4;
};

// The characters of the widest value on a gauge's scale (at least 2).
int gaugeCharacters(const Gauge& gauge, const EcuSettings& settings);

// The parts of one gauge in its cell. The dial's name and unit stand inside
// its upper half and the digits in its lower half; the bar has its name and
// digits above it and its scale below; the number has its name above.
struct GaugeFace {
    QRectF title;           // name and unit
    QRectF dial;            // the dial's square (dials only)
    QRectF bar;             // the bar (bars only)
    QRectF scale;           // the bar's scale numbers under it (bars only)
    QRectF value;           // the digits
    double digitHeight = 0; // the digits' height (of "0", without ascent)
    double titleHeight = 0; // the name's letters
};
GaugeFace gaugeFace(const GaugeShape& shape, const QRectF& cell);

// The smallest cell in which the face's digits are digitHeight tall.
QSizeF gaugeMinimumCell(const GaugeShape& shape, double digitHeight);

// Columns and rows for the gauges, in reading order.
struct GaugeGrid {
    int columns = 1;
    int rows = 1;

    bool operator==(const GaugeGrid&) const = default;
};
// The grid in which the smallest digits of all the gauges are the largest
// the area allows.
GaugeGrid gaugeGrid(const std::vector<GaugeShape>& shapes, const QSizeF& area);
// The cell of the index-th gauge.
QRectF gaugeCell(const GaugeGrid& grid, const QSizeF& area, int index);
// The smallest area in which every gauge's digits are digitHeight tall, on
// a grid about as wide as it is tall (3 x 2 for six gauges, 4 x 3 for twelve).
QSizeF gaugePanelMinimum(const std::vector<GaugeShape>& shapes, double digitHeight);

// A dial's needle and scale: the angle of a fraction of the scale in
// degrees, counter-clockwise from three o'clock; the scale sweeps 270
// degrees clockwise from the lower left (225) to the lower right (-45).
double dialAngle(double fraction);

// Round numbers along a scale: steps of 1, 2, 2.5 or 5 times a power of
// ten, no more than maxTicks of them, from the first at or above min to the
// last at or below max.
std::vector<double> gaugeTicks(double min, double max, int maxTicks);
