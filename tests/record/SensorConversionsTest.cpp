// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/SensorConversions.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The temperature curve as written out from the sensor's published table:
// whole degrees F for each count 0..255.
std::vector<int> goldenTemperatureCurve() {
    std::ifstream file(VANTREL_TEST_DATA_DIR "/temperature-curve.txt");
    EXPECT_TRUE(file.is_open());
    std::vector<int> degrees;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        int count = 0;
        int value = 0;
        fields >> count >> value;
        EXPECT_EQ(count, static_cast<int>(degrees.size())) << line;
        degrees.push_back(value);
    }
    EXPECT_EQ(degrees.size(), 256u);
    return degrees;
}

} // namespace

TEST(MapCountsToPsi, SensorTypeOneSpansItsRange) {
    EXPECT_NEAR(mapCountsToPsi(1, 0), 1.4985, 0.00005);
    EXPECT_NEAR(mapCountsToPsi(1, 255), 15.1930, 0.00005);
    // (100 x 145 + 4046) / 27 / 100
    EXPECT_FLOAT_EQ(mapCountsToPsi(1, 100), 18546.0f / 2700.0f);
}

TEST(MapCountsToPsi, SensorTypesTwoAndThree) {
    EXPECT_FLOAT_EQ(mapCountsToPsi(2, 0), 1.16f);
    EXPECT_FLOAT_EQ(mapCountsToPsi(2, 255), (255.0f * 91 + 928) / 800.0f);
    EXPECT_NEAR(mapCountsToPsi(3, 0), 0.325901, 1e-6);
    EXPECT_NEAR(mapCountsToPsi(3, 255), (255 * 17.7937 + 32.5901) / 100, 1e-5);
}

TEST(MapCountsToPsi, UnknownSensorTypesGiveZero) {
    for (int n = 0; n < 256; ++n) {
        EXPECT_EQ(mapCountsToPsi(0, n), 0.0f);
    }
    EXPECT_EQ(mapCountsToPsi(4, 200), 0.0f);
}

TEST(PsiToMapCounts, SaturatesOutsideTheSensorRange) {
    EXPECT_EQ(psiToMapCounts(2, 50.0f), 255);
    EXPECT_EQ(psiToMapCounts(2, 0.0f), 0);
    EXPECT_EQ(psiToMapCounts(1, 1.0f), 0);
    EXPECT_EQ(psiToMapCounts(1, 16.0f), 255);
    EXPECT_EQ(psiToMapCounts(3, 100.0f), 255);
}

TEST(PsiToMapCounts, InvertsTheForwardConversionOnEveryCount) {
    for (int type = 1; type <= 3; ++type) {
        for (int n = 0; n < 256; ++n) {
            EXPECT_EQ(psiToMapCounts(type, mapCountsToPsi(type, n)), n) << type << " " << n;
        }
    }
}

TEST(PsiToMapCounts, RoundsHalvesToEven) {
    // Type 2: (psi x 800 - 928) / 91; psi 1.671875 gives 4.5 and 4.515625
    // gives 29.5, both exactly.
    EXPECT_EQ(psiToMapCounts(2, 1.671875f), 4);
    EXPECT_EQ(psiToMapCounts(2, 4.515625f), 30);
}

TEST(PsiToMapCounts, UnknownTypeAndNanGiveZero) {
    EXPECT_EQ(psiToMapCounts(0, 10.0f), 0);
    EXPECT_EQ(psiToMapCounts(1, std::nanf("")), 0);
}

TEST(TempCountsToDegrees, EveryCountMatchesTheGoldenCurve) {
    const std::vector<int> curve = goldenTemperatureCurve();
    for (int n = 0; n < static_cast<int>(curve.size()); ++n) {
        EXPECT_EQ(tempCountsToDegrees(n), static_cast<float>(curve[n])) << "count " << n;
    }
}

TEST(DegreesToTempCounts, EveryWholeDegreeGivesTheFirstCountAtOrBelowIt) {
    const std::vector<int> curve = goldenTemperatureCurve();
    ASSERT_EQ(curve.size(), 256u);
    for (int degrees = -78; degrees <= 464; ++degrees) {
        int expected = 0;
        while (curve[expected] > degrees) {
            ++expected;
        }
        EXPECT_EQ(degreesToTempCounts(static_cast<float>(degrees)), expected) << degrees << " F";
    }
}

TEST(DegreesToTempCounts, BetweenAndBeyondTheCurve) {
    // 155.5 F lies between counts 84 (156) and 85 (155).
    EXPECT_EQ(degreesToTempCounts(155.5f), 85);
    EXPECT_EQ(degreesToTempCounts(1000.0f), 0);
    EXPECT_EQ(degreesToTempCounts(-100.0f), 255);
    EXPECT_EQ(degreesToTempCounts(std::nanf("")), 255);
}
