// SPDX-License-Identifier: GPL-3.0-or-later
#include "plot3d/Projection.h"

#include "record/Rounding.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159;
constexpr double kStep = 0.196349375;
constexpr int kCells = 16;

} // namespace

Matrix4 makeIdentity() {
    Matrix4 m{};
    for (std::size_t i = 0; i < 4; ++i) {
        m[i][i] = 1.0;
    }
    return m;
}

Matrix4 matrixMatrixMult(const Matrix4& a, const Matrix4& b) {
    Matrix4 out{};
    for (std::size_t i = 0; i < 4; ++i) {
        for (std::size_t j = 0; j < 4; ++j) {
            for (std::size_t k = 0; k < 4; ++k) {
                out[i][j] += a[i][k] * b[k][j];
            }
        }
    }
    return out;
}

Vector4 vectorMatrixMult(const Vector4& v, const Matrix4& m) {
    Vector4 out{};
    for (std::size_t j = 0; j < 4; ++j) {
        for (std::size_t k = 0; k < 4; ++k) {
            out[j] += v[k] * m[k][j];
        }
    }
    for (std::size_t j = 0; j < 3; ++j) {
        out[j] /= out[3];
    }
    out[3] = 1.0;
    return out;
}

double angleOf(double x, double y) {
    if (x == 0.0) {
        return 0.0;
    }
    const double angle = std::atan(y / x);
    return x < 0.0 ? angle + kPi : angle;
}

Matrix4 buildViewMatrix(const Eye& eye) {
    const double r1 = std::hypot(eye.x, eye.y);
    const double r2 = std::sqrt(eye.x * eye.x + eye.y * eye.y + eye.z * eye.z);
    // Matrix indexes 1..4 of the transformation are 0..3 here.
    Matrix4 a = makeIdentity();
    a[0][0] = eye.y / r1;
    a[0][1] = eye.x / r1;
    a[1][0] = -eye.x / r1;
    a[1][1] = eye.y / r1;
    Matrix4 b = makeIdentity();
    b[1][1] = -eye.z / r2;
    b[1][2] = -r1 / r2;
    b[2][1] = r1 / r2;
    b[2][2] = -eye.z / r2;
    return matrixMatrixMult(a, b);
}

Eye rotateEye(const Eye& eye, RotateKey key) {
    const double r1 = std::hypot(eye.x, eye.y);
    const double r2 = std::sqrt(eye.x * eye.x + eye.y * eye.y + eye.z * eye.z);
    double theta = angleOf(eye.x, eye.y);
    double phi = angleOf(r1, eye.z);
    switch (key) {
    case RotateKey::Left:
        theta -= kStep;
        break;
    case RotateKey::Right:
        theta += kStep;
        break;
    case RotateKey::Up:
        phi = std::min(phi + kStep, kPi / 2);
        break;
    case RotateKey::Down:
        phi = std::max(phi - kStep, -kPi / 2);
        break;
    }
    return {r1 * std::cos(theta), r1 * std::sin(theta), r2 * std::sin(phi)};
}

double zMax(const EcuSettings::Table& table) {
    int largest = 0;
    for (std::size_t r = 0; r < kCells; ++r) {
        for (std::size_t c = 0; c < kCells; ++c) {
            largest = std::max<int>(largest, table[r][c]);
        }
    }
    return static_cast<double>(std::max<int64_t>(1, roundHalfEven(1.1 * largest)));
}

Vector4 surfacePoint(const EcuSettings::Table& table, int row, int column) {
    return {
        column - 7.0, 8.0 - row,
        static_cast<double>(table[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]),
        1.0};
}

Vector4 operatingMarker(float rpmFraction, float loadFraction, float value) {
    return {rpmFraction * 15.0 - 7.0, loadFraction * 15.0 - 7.0, value, 1.0};
}

Vector4 selectedMarker(const EcuSettings::Table& table, int gridRow, int gridColumn) {
    return {
        gridColumn - 8.0, 9.0 - gridRow,
        static_cast<double>(
            table[static_cast<std::size_t>(gridRow - 1)][static_cast<std::size_t>(gridColumn - 1)]),
        1.0};
}

Axes axes(double zMax) {
    return {{-8, -8, 0, 1}, {8, -8, 0, 1}, {-8, 8, 0, 1}, {-8, -8, zMax, 1}};
}

PlotScale plotScale(double zMax) {
    return {-12, 12, zMax, static_cast<double>(-roundHalfEven(0.3 * zMax))};
}

double axisLabelAngle(double dx, double dy) {
    double angle = angleOf(dx, dy) * 180.0 / kPi;
    if (angle > 90.0) {
        angle -= 180.0;
    } else if (angle < -90.0) {
        angle += 180.0;
    }
    return angle;
}
