// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/ListStyle.h"

#include <gtest/gtest.h>

TEST(ShortestDecimal, PlainFormAtTheFieldsPrecision) {
    EXPECT_EQ(shortestDecimal(2.52f), "2.52");
    EXPECT_EQ(shortestDecimal(0.55f), "0.55");
    EXPECT_EQ(shortestDecimal(0.8f), "0.8");
    EXPECT_EQ(shortestDecimal(200.0f), "200");
    EXPECT_EQ(shortestDecimal(-1.0f), "-1");
    EXPECT_EQ(shortestDecimal(0.0f), "0");
    EXPECT_EQ(shortestDecimal(-0.0f), "0");
    EXPECT_EQ(shortestDecimal(1e-5f), "0.00001");
    EXPECT_EQ(shortestDecimal(30720.0), "30720");
}

TEST(ListWriter, ItemsCommasQuotesAndLineEnds) {
    ListWriter w;
    w.writeString("File Version            ");
    w.writeSingle(2.52f);
    w.endLine();
    w.writeInteger(1);
    w.writeInteger(-2);
    w.endLine(true);
    w.writeBool(true);
    w.writeBool(false);
    w.endLine();
    w.endLine();
    EXPECT_EQ(w.data(),
              QByteArray("\"File Version            \",2.52\r\n1,-2,\r\n#TRUE#,#FALSE#\r\n\r\n"));
}

TEST(ListReader, TrailingCommaAndEmptyLineEachLeaveOneEmptyItem) {
    ListReader r("\"a\",1\r\n\r\n2,3,\r\n\"end\"\r\n");
    EXPECT_EQ(r.readString(), QString("a"));
    EXPECT_EQ(r.readInt16(), 1);
    EXPECT_EQ(r.readString(), QString(""));
    EXPECT_EQ(r.readInt16(), 2);
    EXPECT_EQ(r.readInt16(), 3);
    EXPECT_EQ(r.readString(), QString(""));
    EXPECT_EQ(r.readString(), QString("end"));
    EXPECT_TRUE(r.atEnd());
    EXPECT_FALSE(r.failed());
}

TEST(ListReader, QuotedTextKeepsCommasAndBlanks) {
    ListReader r("\" a, b \",5\n");
    EXPECT_EQ(r.readString(), QString(" a, b "));
    EXPECT_EQ(r.readInt16(), 5);
}

TEST(ListReader, NumberThatDoesNotFitItsFieldFailsWithTheLine) {
    ListReader r("1\r\n70000\r\n");
    EXPECT_EQ(r.readInt16(), 1);
    EXPECT_FALSE(r.readInt16().has_value());
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(r.lineNumber(), 2);
    EXPECT_TRUE(r.error().startsWith("line 2:")) << r.error().toStdString();
}

TEST(ListReader, ValueOfTheWrongFormFailsAndStopsTheReader) {
    ListReader r("abc,1\r\n");
    EXPECT_FALSE(r.readInt32().has_value());
    EXPECT_FALSE(r.readInt32().has_value()); // stays failed
    EXPECT_TRUE(r.error().contains("abc"));
}

TEST(ListReader, FractionInAWholeNumberFieldIsRefused) {
    ListReader r("2.5,12.0\r\n");
    EXPECT_FALSE(r.readInt16().has_value());
    ListReader r2("12.0\r\n");
    EXPECT_EQ(r2.readInt16(), 12);
    // Just beyond the widest whole number, written with a zero fraction.
    ListReader r3("9223372036854775808.0\r\n");
    EXPECT_FALSE(r3.readInteger(INT64_MIN, INT64_MAX).has_value());
}

TEST(ListReader, FileEndingEarlyIsReported) {
    ListReader r("1\r\n");
    EXPECT_EQ(r.readInt16(), 1);
    EXPECT_FALSE(r.readInt16().has_value());
    EXPECT_TRUE(r.error().contains("ends"));
}

TEST(ListReader, BooleansAndSingles) {
    ListReader r("#TRUE#,#FALSE#,0.55,-1,x\r\n");
    EXPECT_EQ(r.readBool(), true);
    EXPECT_EQ(r.readBool(), false);
    EXPECT_EQ(r.readSingle(), 0.55f);
    EXPECT_EQ(r.readSingle(), -1.0f);
    EXPECT_FALSE(r.readBool().has_value());
}

TEST(ListReader, OneSignAtMost) {
    struct Case {
        const char* text;
        std::optional<int64_t> integer;
        std::optional<float> single;
    };
    const Case cases[] = {
        {"+9000", 9000, 9000.0f},
        {"-9000", -9000, -9000.0f},
        {"+-9000", std::nullopt, std::nullopt},
        {"-+9000", std::nullopt, std::nullopt},
        {"++9000", std::nullopt, std::nullopt},
        {"+-2.52", std::nullopt, std::nullopt},
        {"+", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ListReader integer(c.text);
        EXPECT_EQ(integer.readInteger(INT32_MIN, INT32_MAX), c.integer);
        ListReader single(c.text);
        EXPECT_EQ(single.readSingle(), c.single);
    }
}

TEST(ListReader, ErrorQuotesAtMostTheStartOfALongItem) {
    const QByteArray huge(100000, '7');
    const QByteArray cases[] = {huge, huge + "x", "#" + huge};
    for (const QByteArray& item : cases) {
        for (auto read : {+[](ListReader& r) { return r.readInt16().has_value(); },
                          +[](ListReader& r) { return r.readSingle().has_value(); },
                          +[](ListReader& r) { return r.readBool().has_value(); }}) {
            ListReader r(item);
            EXPECT_FALSE(read(r));
            EXPECT_LT(r.error().size(), 160) << r.error().left(200).toStdString();
            EXPECT_TRUE(r.error().contains(QString::fromLatin1(item.left(60)) + "...\""));
        }
    }
    EXPECT_EQ(quotedItem("short"), "\"short\"");
}
