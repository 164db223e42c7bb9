// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/NumberFormat.h"

#include "TestData.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

double asDouble(const QString& text) {
    return std::strtod(text.toLatin1().constData(), nullptr);
}

float asFloat(const QString& text) {
    return std::strtof(text.toLatin1().constData(), nullptr);
}

// Each case of the table gives its text; single and double precision values
// are formatted as such, since halves and the digits shown depend on it.
TEST(NumberFormat, TableCasesGiveTheirTexts) {
    int cases = 0;
    for (const QString& line : testDataText("record/number-formats.txt").split(QLatin1Char('\n'))) {
        if (line.isEmpty() || line.startsWith(QStringLiteral("//"))) {
            continue;
        }
        const QStringList field = line.split(QLatin1Char('|'));
        ASSERT_EQ(field.size(), 4) << line.toStdString();
        const QStringList operand = field[1].split(QLatin1Char('/'));
        const QString& pattern = field[2];
        QString got;
        if (field[0] == QStringLiteral("f")) {
            float value = asFloat(operand[0]);
            if (operand.size() == 2) {
                value /= asFloat(operand[1]);
            }
            got = pattern.isEmpty() ? numberToText(value) : formatNumber(value, pattern);
        } else if (field[0] == QStringLiteral("d")) {
            double value = asDouble(operand[0]);
            if (operand.size() == 2) {
                value /= asDouble(operand[1]);
            }
            got = pattern.isEmpty() ? numberToText(value) : formatNumber(value, pattern);
        } else {
            const qint64 value = operand[0].toLongLong();
            got = pattern.isEmpty() ? numberToText(value) : formatNumber(value, pattern);
        }
        EXPECT_EQ(got.toStdString(), field[3].toStdString()) << line.toStdString();
        ++cases;
    }
    EXPECT_EQ(cases, 76);
}

TEST(RightAlign, PadsAndKeepsLongTexts) {
    EXPECT_EQ(rightAlign("Rpm", 10), "       Rpm");
    EXPECT_EQ(rightAlign("", 3), "   ");
    EXPECT_EQ(rightAlign("12345.678", 8), "12345.678");
    EXPECT_EQ(rightAlign("abc", 0), "abc");
}

} // namespace
