// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/SensorConversions.h"

#include "record/Rounding.h"
#include "record/SettingCodes.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace {

// The falling curve of the temperature sensor in whole degrees F, held as
// bytes: counts below 22 are 256 too low, counts above 245 are 256 too high.
constexpr std::array<uint8_t, 256> kTempCurve = {
    208, 186, 165, 146, 129, 114, 100, 88,  76,  67,  58,  50,  43,  36,  31,  25,  20,  16,  11,
    7,   3,   0,   252, 249, 246, 243, 240, 237, 235, 232, 230, 227, 225, 223, 221, 219, 217, 215,
    213, 211, 209, 208, 206, 204, 203, 201, 199, 198, 196, 195, 193, 192, 191, 189, 188, 187, 185,
    184, 183, 182, 180, 179, 178, 177, 176, 175, 173, 172, 171, 170, 169, 168, 167, 166, 165, 164,
    163, 162, 161, 160, 159, 158, 157, 156, 156, 155, 154, 153, 152, 151, 150, 149, 148, 148, 147,
    146, 145, 144, 143, 143, 142, 141, 140, 139, 139, 138, 137, 136, 136, 135, 134, 133, 132, 132,
    131, 130, 129, 129, 128, 127, 126, 126, 125, 124, 124, 123, 122, 121, 121, 120, 119, 118, 118,
    117, 116, 116, 115, 114, 114, 113, 112, 111, 111, 110, 109, 109, 108, 107, 106, 106, 105, 104,
    104, 103, 102, 101, 101, 100, 99,  99,  98,  97,  96,  96,  95,  94,  94,  93,  92,  91,  91,
    90,  89,  88,  88,  87,  86,  85,  85,  84,  83,  82,  82,  81,  80,  79,  78,  78,  77,  76,
    75,  74,  73,  73,  72,  71,  70,  69,  68,  67,  67,  66,  65,  64,  63,  62,  61,  60,  59,
    58,  57,  56,  55,  54,  53,  52,  51,  50,  48,  47,  46,  45,  44,  42,  41,  40,  38,  37,
    36,  34,  33,  31,  30,  28,  26,  24,  23,  21,  19,  16,  14,  12,  9,   7,   4,   1,   253,
    250, 245, 241, 235, 229, 221, 210, 196, 178,
};

constexpr int kHotFixUpBelow = 22;
constexpr int kColdFixUpAbove = 245;

int tempCurveDegrees(int count) {
    const int held = kTempCurve[static_cast<std::size_t>(count)];
    if (count < kHotFixUpBelow) {
        return held + 256;
    }
    if (count > kColdFixUpAbove) {
        return held - 256;
    }
    return held;
}

} // namespace

float mapCountsToPsi(int type, int count) {
    const int32_t n = count;
    switch (type) {
    case toCode(MapSensor::OneAtm):
        return static_cast<float>(static_cast<double>(n * 145 + 4046) / 27.0 / 100.0);
    case toCode(MapSensor::TwoAtm):
        return static_cast<float>(static_cast<double>(n * 91 + 928) / 8.0 / 100.0);
    case toCode(MapSensor::ThreeAtm):
        return static_cast<float>((n * 17.7937 + 32.5901) / 100.0);
    default:
        return 0.0f;
    }
}

int psiToMapCounts(int type, float psi) {
    if (type < toCode(MapSensor::OneAtm) || type > toCode(MapSensor::ThreeAtm) || std::isnan(psi)) {
        return 0;
    }
    if (psi < mapCountsToPsi(type, 0)) {
        return 0;
    }
    if (psi > mapCountsToPsi(type, 255)) {
        return 255;
    }
    const double p = psi;
    double counts = 0.0;
    switch (type) {
    case toCode(MapSensor::OneAtm):
        counts = (p * 100.0 * 27.0 - 4046.0) / 145.0;
        break;
    case toCode(MapSensor::TwoAtm):
        counts = (p * 100.0 * 8.0 - 928.0) / 91.0;
        break;
    default:
        counts = (p * 100.0 - 32.5901) / 17.7937;
        break;
    }
    const int64_t rounded = roundHalfEven(counts);
    return static_cast<int>(rounded < 0 ? 0 : (rounded > 255 ? 255 : rounded));
}

float tempCountsToDegrees(int count) {
    if (count < 0) {
        count = 0;
    } else if (count > 255) {
        count = 255;
    }
    return static_cast<float>(tempCurveDegrees(count));
}

int degreesToTempCounts(float degrees) {
    for (int b = 0; b < 256; ++b) {
        if (static_cast<float>(tempCurveDegrees(b)) <= degrees) {
            return b;
        }
    }
    return 255;
}
