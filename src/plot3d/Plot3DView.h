// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/Calibration.h"
#include "plot3d/Projection.h"
#include "record/AppState.h"
#include "record/FieldTable.h"

#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// Everything in which the fuel and the ignition 3D plot differ; one window
// class is configured by one of the two descriptions.
struct Plot3DDescription {
    bool isIgnition = false;
    FieldId field = FieldId::FuelTable; // a change to it redraws the surface
    QString caption;                    // the window's caption
    QString title;                      // drawn at the top of the plot
    int popupOwner = 0;                 // 1 fuel, 2 ignition
    std::size_t operatingValue = 0;     // the table's value in the operating point
    double defaultTopOffsetTwips = 0;   // above the main window's bottom edge when never placed

    EcuSettings::Table EcuSettings::*table = nullptr;
    bool DisplaySettings::*flag = nullptr; // the Display menu's tick
    int16_t DisplaySettings::*savedX = nullptr;
    int16_t DisplaySettings::*savedY = nullptr;

    const EcuSettings::Table& tableOf(const EcuSettings& settings) const { return settings.*table; }
};

const Plot3DDescription& fuelPlot();
const Plot3DDescription& ignitionPlot();

// The surface, its axes and the user scale, projected for drawing: x and y of
// each point in plot units.
struct ProjectedSurface {
    std::array<std::array<QPointF, 16>, 16> points; // [table row][table column]
    QPointF origin;
    QPointF rpmEnd;
    QPointF loadEnd;
    QPointF valueEnd;
    PlotScale scale;
};
ProjectedSurface projectSurface(const EcuSettings::Table& table, const Eye& eye);
// x and y of p x view.
QPointF projectPoint(const Vector4& p, const Matrix4& view);

// The live operating point on the surface. Fractions beyond the table's
// ends (an rpm above MaxRpm, a load above full scale) stay on its edge, as
// the operating cell does; a fraction that is not a number counts as 0.
Vector4 liveMarker(const OperatingPoint& point, const Plot3DDescription& plot);

// Maps plot units onto a rectangle of a paint device: x from the scale's
// left to its right edge, y from its top down to its bottom.
class PlotMapping {
public:
    PlotMapping(const PlotScale& scale, const QRectF& target);
    QPointF toDevice(const QPointF& plot) const;
    // Device length of a length along x in plot units.
    double xLength(double plotUnits) const;

private:
    PlotScale m_scale;
    QRectF m_target;
};

// Where a plot opens, in twips: the saved position, or, for a coordinate
// never saved (-1), 3300 twips left of the main window's right edge and the
// plot's own offset above its bottom edge.
QPointF plotPlacement(int16_t savedX, int16_t savedY, const QRectF& mainWindowTwips,
                      double topOffsetTwips);
// A position in twips as the settings file keeps it: rounded and held within
// 16 bits, so that a far screen does not wrap it round.
int16_t storedPosition(double twips);

// Zoom/UnZoom: a plot 3000 twips wide becomes 6000 twips with labels of 16
// points, any other 3000 twips with labels of 10 points. Widths are in
// pixels; a plot is 3000 twips wide when it is as many pixels wide as 3000
// twips round to.
struct ZoomStep {
    int sizePixels = 0;
    int labelPoints = 0;
};
ZoomStep zoomStep(int widthPixels, double twipsPerPixel);

// The outline of a square window of the given width in pixels: the 37 points
// of a circle 1.3 times the half width about its centre, so that the window
// keeps its sides and loses its corners.
std::vector<QPoint> outlinePoints(int widthPixels);
