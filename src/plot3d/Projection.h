// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/EcuSettings.h"

#include <array>

// The wire-frame view of a table: a parallel projection of the surface seen
// from an eye position that the arrow keys turn about the table.

// A row vector x, y, z, w.
using Vector4 = std::array<double, 4>;
using Matrix4 = std::array<std::array<double, 4>, 4>;

Matrix4 makeIdentity();
// a x b.
Matrix4 matrixMatrixMult(const Matrix4& a, const Matrix4& b);
// v x m, then x, y and z divided by w and w set to 1.
Vector4 vectorMatrixMult(const Vector4& v, const Matrix4& m);

// The angle of the point (x, y): arctan(y / x), plus 3.14159 when x is
// negative, and 0 on the y axis.
double angleOf(double x, double y);

struct Eye {
    double x = 5.411966;
    double y = 13.06563;
    double z = -11.14674;
};

// The viewing transformation: a turn about the z axis that brings the eye
// into the y-z plane, then one about the x axis that brings it onto the
// negative z axis. The plot uses x and y of p x M.
Matrix4 buildViewMatrix(const Eye& eye);

enum class RotateKey : uint8_t { Left, Up, Right, Down };
// Turns the eye by a sixteenth of a half turn: Left and Right about the
// vertical axis, Up and Down in elevation, held within a quarter turn.
Eye rotateEye(const Eye& eye, RotateKey key);

// The top of the value axis: 1.1 x the table's largest raw value, rounded
// half to even, and at least 1 so that a table of zeros still has a height.
double zMax(const EcuSettings::Table& table);

// The surface point of table row r and column c (0..15): rpm along x from -7
// to 8, load along y from -7 (lowest) to 8 (highest), the raw value as z.
Vector4 surfacePoint(const EcuSettings::Table& table, int row, int column);
// The live operating point from the rpm and load fractions and the table's
// value at the operating cell.
Vector4 operatingMarker(float rpmFraction, float loadFraction, float value);
// The editor's selected grid cell (row and column 1..16).
Vector4 selectedMarker(const EcuSettings::Table& table, int gridRow, int gridColumn);

// The axis points: the origin and the ends of the rpm, load and value axes.
struct Axes {
    Vector4 origin;
    Vector4 rpmEnd;
    Vector4 loadEnd;
    Vector4 valueEnd;
};
Axes axes(double zMax);

// The window's user scale: x from -12 to 12, y from zMax at the top to
// -0.3 x zMax rounded at the bottom.
struct PlotScale {
    double left = -12;
    double right = 12;
    double top = 0;
    double bottom = 0;
};
PlotScale plotScale(double zMax);

// The angle in degrees of a label that follows an axis whose screen direction
// is (dx, dy), turned so that the text is never upside down.
double axisLabelAngle(double dx, double dy);
