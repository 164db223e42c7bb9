#include "record/NumberFormat.h"

#include <gtest/gtest.h>

namespace {

const QChar kDegree(0xB0);

TEST(FormatNumber, RequiredAndOptionalIntegerPlaces) {
    EXPECT_EQ(formatNumber(0.5, "#0.00"), "0.50");
    EXPECT_EQ(formatNumber(0.5, "##.00"), ".50");
    EXPECT_EQ(formatNumber(1.0, "##.000"), "1.000");
    EXPECT_EQ(formatNumber(0.0, "####0"), "0");
    EXPECT_EQ(formatNumber(0.0, "##.00"), ".00");
    EXPECT_EQ(formatNumber(7.0, "000"), "007");
    // More integer digits than places are all shown.
    EXPECT_EQ(formatNumber(123456.0, "##0"), "123456");
}

TEST(FormatNumber, ThousandsGrouping) {
    EXPECT_EQ(formatNumber(1234.5, "###,##0.0"), "1,234.5");
    EXPECT_EQ(formatNumber(1234567.0, "###,##0"), "1,234,567");
    EXPECT_EQ(formatNumber(999.0, "###,##0"), "999");
    EXPECT_EQ(formatNumber(-1234.0, "###,##0"), "-1,234");
    EXPECT_EQ(formatNumber(12345.0, "###,#0 "), "12,345 ");
    EXPECT_EQ(formatNumber(1234.0, "####0"), "1234");
}

TEST(FormatNumber, RoundsHalfAwayFromZeroOnTheWrittenDecimal) {
    EXPECT_EQ(formatNumber(0.0625f, "##.000"), ".063");
    EXPECT_EQ(formatNumber(0.0625, "##.000"), ".063");
    EXPECT_EQ(formatNumber(1.4985f, "0.000"), "1.499");
    EXPECT_EQ(formatNumber(1.4985, "0.000"), "1.499");
    EXPECT_EQ(formatNumber(2.5, "##0"), "3");
    EXPECT_EQ(formatNumber(-2.5, "##0"), "-3");
    EXPECT_EQ(formatNumber(0.45f, "#0.0"), "0.5");
    EXPECT_EQ(formatNumber(9.995, "#0.00"), "10.00");
    EXPECT_EQ(formatNumber(999.96f, "###,##0.0"), "1,000.0");
    EXPECT_EQ(formatNumber(0.4, "##0"), "0");
    EXPECT_EQ(formatNumber(0.5, "##0"), "1");
    EXPECT_EQ(formatNumber(0.05, "##0"), "0");
    // 8000 / 15 in single precision.
    EXPECT_EQ(formatNumber(8000.0f / 15.0f, "####0.000"), "533.333");
}

TEST(FormatNumber, NegativeValuesAndNoMinusOnZero) {
    EXPECT_EQ(formatNumber(-3.25, "#0.00"), "-3.25");
    EXPECT_EQ(formatNumber(-0.5, "##.00"), "-.50");
    EXPECT_EQ(formatNumber(-0.004, "#0.00"), "0.00");
    EXPECT_EQ(formatNumber(-0.0f, "##0.0"), "0.0");
    EXPECT_EQ(formatNumber(-12.0, "##0 psi"), "-12 psi");
}

TEST(FormatNumber, LiteralTextAndUnits) {
    EXPECT_EQ(formatNumber(14.7f, "###,##0.0 psi"), "14.7 psi");
    EXPECT_EQ(formatNumber(12.34f, "###,##0.0 V"), "12.3 V");
    EXPECT_EQ(formatNumber(3.456f, "##0.00 ms"), "3.46 ms");
    EXPECT_EQ(formatNumber(180.0f, QStringLiteral("###,#0 ") + kDegree + "F"),
              QStringLiteral("180 ") + kDegree + "F");
    EXPECT_EQ(formatNumber(12.5f, QStringLiteral("##0.0 ") + kDegree),
              QStringLiteral("12.5 ") + kDegree);
    EXPECT_EQ(formatNumber(1800.0f, " ####0"), " 1800");
    EXPECT_EQ(formatNumber(5.0, "Fuel \\#0"), "Fuel #5");
    EXPECT_EQ(formatNumber(5.0, "\"0#\" 0"), "0# 5");
}

TEST(FormatNumber, PercentMultipliesByHundred) {
    EXPECT_EQ(formatNumber(0.575f, "###0 %"), "58 %");
    EXPECT_EQ(formatNumber(57.5f / 100.0f, "###0 %"), "58 %");
    EXPECT_EQ(formatNumber(1.05f, "##0 %"), "105 %");
    EXPECT_EQ(formatNumber(0.0, "###,##0 %"), "0 %");
    EXPECT_EQ(formatNumber(12.3456, "###,##0 %"), "1,235 %");
}

TEST(FormatNumber, OptionalFractionPlaces) {
    EXPECT_EQ(formatNumber(1.5, "0.0#"), "1.5");
    EXPECT_EQ(formatNumber(1.25, "0.0#"), "1.25");
    EXPECT_EQ(formatNumber(1.0, "0.##"), "1");
    EXPECT_EQ(formatNumber(2.0, "0."), "2");
}

TEST(FormatNumber, IntegersAndUnusualValues) {
    EXPECT_EQ(formatNumber(42, "##0"), "42");
    EXPECT_EQ(formatNumber(static_cast<unsigned char>(200), "##0"), "200");
    EXPECT_EQ(formatNumber(1e20, "0"), "100000000000000000000");
    EXPECT_EQ(formatNumber(std::nan(""), "0"), "NaN");
}

TEST(NumberToText, SinglePrecision) {
    EXPECT_EQ(numberToText(8000.0f / 15.0f), " 533.3333");
    EXPECT_EQ(numberToText(1.0f), " 1");
    EXPECT_EQ(numberToText(-2.5f), "-2.5");
    EXPECT_EQ(numberToText(0.5f), " .5");
    EXPECT_EQ(numberToText(-0.25f), "-.25");
    EXPECT_EQ(numberToText(0.0f), " 0");
    EXPECT_EQ(numberToText(-0.0f), " 0");
    EXPECT_EQ(numberToText(0.1f), " .1");
    EXPECT_EQ(numberToText(1234567.0f), " 1234567");
    EXPECT_EQ(numberToText(2.0f / 3.0f), " .6666667");
    EXPECT_EQ(numberToText(100.0f), " 100");
    EXPECT_EQ(numberToText(0.0001f), " .0001");
}

TEST(NumberToText, ExponentOnlyWhereDigitsCannotShowTheNumber) {
    EXPECT_EQ(numberToText(12345678.0f), " 1.234568E+07");
    EXPECT_EQ(numberToText(10000000.0f), " 1E+07");
    EXPECT_EQ(numberToText(9999999.6f), " 1E+07");
    EXPECT_EQ(numberToText(0.00001f), " 1E-05");
    EXPECT_EQ(numberToText(-0.000012345f), "-1.2345E-05");
    EXPECT_EQ(numberToText(1e20), " 1E+20");
}

TEST(NumberToText, DoublePrecision) {
    EXPECT_EQ(numberToText(8000.0 / 15.0), " 533.333333333333");
    EXPECT_EQ(numberToText(0.1), " .1");
    EXPECT_EQ(numberToText(-2.5), "-2.5");
    EXPECT_EQ(numberToText(12345678.0), " 12345678");
    EXPECT_EQ(numberToText(1), " 1");
    EXPECT_EQ(numberToText(-7), "-7");
}

TEST(RightAlign, PadsAndKeepsLongTexts) {
    EXPECT_EQ(rightAlign("Rpm", 10), "       Rpm");
    EXPECT_EQ(rightAlign("", 3), "   ");
    EXPECT_EQ(rightAlign("12345.678", 8), "12345.678");
    EXPECT_EQ(rightAlign("abc", 0), "abc");
}

} // namespace
