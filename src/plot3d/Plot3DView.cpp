// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot3d/Plot3DView.h"

#include "record/Rounding.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kDegree = 3.14159 / 180.0;
constexpr double kRightOffsetTwips = 3300;
constexpr int kSmallTwips = 3000;
constexpr int kLargeTwips = 6000;

Plot3DDescription makeFuel() {
    Plot3DDescription d;
    d.isIgnition = false;
    d.field = FieldId::FuelTable;
    d.caption = QStringLiteral("Fuel 3D Plot");
    d.title = QStringLiteral("3D-Fuel");
    d.popupOwner = 1;
    d.operatingValue = 2;
    d.defaultTopOffsetTwips = 3300;
    d.table = &EcuSettings::FuelTable;
    d.flag = &DisplaySettings::Fuel3DPlotFlag;
    d.savedX = &DisplaySettings::Fuel3DPlotX;
    d.savedY = &DisplaySettings::Fuel3DPlotY;
    return d;
}

Plot3DDescription makeIgnition() {
    Plot3DDescription d;
    d.isIgnition = true;
    d.field = FieldId::IgnitionTable;
    d.caption = QStringLiteral("Ignition 3D Plot");
    d.title = QStringLiteral("3D-Ignition");
    d.popupOwner = 2;
    d.operatingValue = 3;
    d.defaultTopOffsetTwips = 6600;
    d.table = &EcuSettings::IgnitionTable;
    d.flag = &DisplaySettings::Ignition3DPlotFlag;
    d.savedX = &DisplaySettings::Ignition3DPlotX;
    d.savedY = &DisplaySettings::Ignition3DPlotY;
    return d;
}

double onTable(float fraction) {
    return std::isnan(fraction) ? 0.0 : std::clamp(static_cast<double>(fraction), 0.0, 1.0);
}

} // namespace

const Plot3DDescription& fuelPlot() {
    static const Plot3DDescription d = makeFuel();
    return d;
}

const Plot3DDescription& ignitionPlot() {
    static const Plot3DDescription d = makeIgnition();
    return d;
}

QPointF projectPoint(const Vector4& p, const Matrix4& view) {
    const Vector4 seen = vectorMatrixMult(p, view);
    return {seen[0], seen[1]};
}

ProjectedSurface projectSurface(const EcuSettings::Table& table, const Eye& eye) {
    const Matrix4 view = buildViewMatrix(eye);
    const double top = zMax(table);
    ProjectedSurface s;
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 16; ++c) {
            s.points[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] =
                projectPoint(surfacePoint(table, r, c), view);
        }
    }
    const Axes a = axes(top);
    s.origin = projectPoint(a.origin, view);
    s.rpmEnd = projectPoint(a.rpmEnd, view);
    s.loadEnd = projectPoint(a.loadEnd, view);
    s.valueEnd = projectPoint(a.valueEnd, view);
    s.scale = plotScale(top);
    return s;
}

Vector4 liveMarker(const OperatingPoint& point, const Plot3DDescription& plot) {
    return operatingMarker(static_cast<float>(onTable(point[0])),
                           static_cast<float>(onTable(point[1])), point[plot.operatingValue]);
}

PlotMapping::PlotMapping(const PlotScale& scale, const QRectF& target)
    : m_scale(scale), m_target(target) {}

QPointF PlotMapping::toDevice(const QPointF& plot) const {
    // The scale's height is never 0: its top is at least 1 above its bottom.
    const double x = (plot.x() - m_scale.left) / (m_scale.right - m_scale.left);
    const double y = (m_scale.top - plot.y()) / (m_scale.top - m_scale.bottom);
    return {m_target.left() + x * m_target.width(), m_target.top() + y * m_target.height()};
}

double PlotMapping::xLength(double plotUnits) const {
    return plotUnits * m_target.width() / (m_scale.right - m_scale.left);
}

QPointF plotPlacement(int16_t savedX, int16_t savedY, const QRectF& mainWindowTwips,
                      double topOffsetTwips) {
    const double left = savedX == -1
                            ? mainWindowTwips.left() + mainWindowTwips.width() - kRightOffsetTwips
                            : savedX;
    const double top =
        savedY == -1 ? mainWindowTwips.top() + mainWindowTwips.height() - topOffsetTwips : savedY;
    return {left, top};
}

int16_t storedPosition(double twips) {
    constexpr auto lowest = std::numeric_limits<int16_t>::min();
    constexpr auto highest = std::numeric_limits<int16_t>::max();
    if (std::isnan(twips)) {
        return -1;
    }
    return static_cast<int16_t>(
        std::clamp<int64_t>(roundHalfEven(std::clamp(twips, -1e9, 1e9)), lowest, highest));
}

ZoomStep zoomStep(int widthPixels, double twipsPerPixel) {
    const auto pixels = [twipsPerPixel](int twips) {
        return static_cast<int>(roundHalfEven(twips / twipsPerPixel));
    };
    if (widthPixels == pixels(kSmallTwips)) {
        return {pixels(kLargeTwips), 16};
    }
    return {pixels(kSmallTwips), 10};
}

std::vector<QPoint> outlinePoints(int widthPixels) {
    const double c = widthPixels / 2.0;
    const double radius = static_cast<double>(roundHalfEven(1.3 * c));
    std::vector<QPoint> points;
    points.reserve(37);
    for (int degrees = 0; degrees <= 360; degrees += 10) {
        const double a = degrees * kDegree;
        points.emplace_back(static_cast<int>(roundHalfEven(c + radius * std::cos(a))),
                            static_cast<int>(roundHalfEven(c + radius * std::sin(a))));
    }
    return points;
}
