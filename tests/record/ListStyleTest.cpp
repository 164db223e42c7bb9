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
