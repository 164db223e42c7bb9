// SPDX-License-Identifier: GPL-3.0-or-later
// Reading CSV files of any logger and log2csv's marker rows.

#include "monitor/LiveSample.h"
#include "monitor/LogCsv.h"
#include "monitor/LogFormat.h"
#include "monitor/SampleLogReader.h"
#include "monitor/SampleSeries.h"
#include "record/EngineData.h"

#include <QBuffer>
#include <cmath>
#include <gtest/gtest.h>

namespace {

LogReadResult read(QByteArray text, SampleSeries& series) {
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    return readSampleLog(buffer, series);
}

std::vector<qint64> times(const SampleSeries& series) {
    std::vector<qint64> t;
    for (qsizetype i = 0; i < series.size(); ++i) {
        t.push_back(series.timeMs(i));
    }
    return t;
}

std::vector<float> values(const SampleSeries& series, const QString& channel) {
    std::vector<float> v;
    const int c = series.channelIndex(channel);
    for (qsizetype i = 0; i < series.size(); ++i) {
        v.push_back(c >= 0 ? series.value(c, i) : NAN);
    }
    return v;
}

struct Channel {
    QString name;
    QString unit;
};

struct DialectCase {
    const char* name;
    QByteArray text;
    std::vector<Channel> channels;
    std::vector<qint64> times;
    QString checked; // a channel and its values
    std::vector<float> values;
};

TEST(CsvLog, ReadsEachSeparatorAndDecimalMarkWithNamesAndUnitsFromTheHeader) {
    const std::vector<DialectCase> cases{
        {"comma and point, as log2csv writes",
         "Time (s),Rpm (rpm),Map (psi)\r\n0.000,850,4.25\r\n0.500,1300,4.98\r\n",
         {{"Rpm", "rpm"}, {"Map", "psi"}},
         {0, 500},
         "Map",
         {4.25f, 4.98f}},
        {"semicolon and decimal comma",
         "Time (s);Rpm (rpm);Map (psi)\n0,0;850;4,25\n0,5;1300;4,98\n",
         {{"Rpm", "rpm"}, {"Map", "psi"}},
         {0, 500},
         "Map",
         {4.25f, 4.98f}},
        {"tab and decimal comma, quoted titles, a byte order mark, milliseconds",
         "\xEF\xBB\xBF\"Time (ms)\"\t\"Map (psi)\"\t\"Rpm\"\n0\t4,25\t850\n50\t4,98\t1300\n",
         {{"Map", "psi"}, {"Rpm", ""}},
         {0, 50},
         "Map",
         {4.25f, 4.98f}},
        {"tab and point, no time column: a second apart; signs and exponents",
         "Engine Speed (rpm)\tBoost (psi)\n850\t-1.5e0\n900\t+0.25\n",
         {{"Engine Speed", "rpm"}, {"Boost", "psi"}},
         {0, 1000},
         "Boost",
         {-1.5f, 0.25f}},
        {"a separator inside a quoted title, a text column left out",
         "Time,\"AFR, wideband (lambda)\",Gear\n0.05,1.02,N\n0.10,0.98,3\n",
         {{"AFR, wideband", "lambda"}},
         {50, 100},
         "AFR, wideband",
         {1.02f, 0.98f}},
        {"blanks around cells, the time not first",
         "Rpm ; Time ; Map (psi)\n 850 ; 0 ; 4,25 \n900;0,25;4,5\n",
         {{"Rpm", ""}, {"Map", "psi"}},
         {0, 250},
         "Rpm",
         {850.0f, 900.0f}},
        {"a name met twice is numbered",
         "Time,EGO (V),EGO (V)\n0,0.45,0.9\n",
         {{"EGO", "V"}, {"EGO 2", "V"}},
         {0},
         "EGO 2",
         {0.9f}},
    };
    for (const DialectCase& c : cases) {
        SampleSeries series;
        const LogReadResult result = read(c.text, series);
        EXPECT_EQ(result.format, LogReadResult::Format::Csv) << c.name;
        EXPECT_EQ(result.skippedLines, 0) << c.name;
        ASSERT_EQ(series.channelCount(), static_cast<int>(c.channels.size())) << c.name;
        for (size_t i = 0; i < c.channels.size(); ++i) {
            EXPECT_EQ(series.channel(static_cast<int>(i)).name, c.channels[i].name) << c.name;
            EXPECT_EQ(series.channel(static_cast<int>(i)).unit, c.channels[i].unit) << c.name;
        }
        EXPECT_EQ(times(series), c.times) << c.name;
        EXPECT_EQ(values(series, c.checked), c.values) << c.name;
    }
}

struct DamageCase {
    const char* name;
    QByteArray rows; // after the header "Time (s),Rpm,Map (psi)" (line 1)
    std::vector<qint64> times;
    std::vector<qint64> skipped;
    bool partial; // the last line was left out as cut short
};

TEST(CsvLog, SkipsAndCountsDamagedRowsAndKeepsACompleteLastRowWithoutItsLineEnd) {
    const std::vector<DamageCase> cases{
        {"too many cells, a word, no time",
         "0,850,4\n1,2,3,4\n2,abc,3\n,900,4\n3,900,4\n",
         {0, 3000},
         {3, 4, 5},
         false},
        {"blank lines are passed over, a short row lacks values",
         "0,850,4\n\n \n1,870\n",
         {0, 1000},
         {},
         false},
        {"a complete last row without its line end", "0,850,4\n1,900,4.5", {0, 1000}, {}, false},
        {"a last row cut short", "0,850,4\n1,90", {0}, {3}, true},
        {"a cell that is not finite", "0,850,4\n1,inf,4\n2,nan,4\n", {0}, {3, 4}, false},
        {"a line longer than any row",
         "0,850,4\n" + QByteArray(70000, '1') + "\n1,900,4\n",
         {0, 1000},
         {3},
         false},
    };
    for (const DamageCase& c : cases) {
        SampleSeries series;
        const LogReadResult result = read("Time (s),Rpm,Map (psi)\n" + c.rows, series);
        EXPECT_EQ(times(series), c.times) << c.name;
        EXPECT_EQ(result.records, static_cast<qint64>(c.times.size())) << c.name;
        EXPECT_EQ(result.firstSkippedLines, QList<qint64>(c.skipped.begin(), c.skipped.end()))
            << c.name;
        EXPECT_EQ(result.partialLastLine, c.partial) << c.name;
    }
    SampleSeries shortRow;
    read("Time (s),Rpm,Map (psi)\n0,850,4\n1,870\n", shortRow);
    EXPECT_TRUE(std::isnan(shortRow.value(shortRow.channelIndex("Map"), 1)));
}

// A log with markers before, between and after records and a second header
// whose clock cannot be read, so that both its runs continue from the last
// record as the CSV's do.
QByteArray markedLog() {
    const LiveSample sample = LiveSample::fromEngineData(EngineData::withChannelLayout(), 0);
    const QByteArray header = (logRuleLine() + QStringLiteral("\r\nnot a date\r\n") +
                               fullRecordTitleLine() + QStringLiteral("\r\n"))
                                  .toLatin1();
    const auto record = [&sample](double seconds) {
        return fullRecordLine(sample, seconds).toLatin1() + "\r\n";
    };
    return header + "# engine warm\r\n" + record(0) + record(0.5) + "#Link lost, retrying\r\n" +
           header + "# Link found \"again\"\r\n" + record(0) + record(0.5);
}

TEST(CsvLog, Log2CsvWritesMarkerRowsThatReadBackAsTheLogsMarkers) {
    QByteArray log = markedLog();
    QBuffer in(&log);
    in.open(QIODevice::ReadOnly);
    LogCsvConverter converter;
    ASSERT_TRUE(converter.read(in));
    EXPECT_EQ(converter.records(), 4);
    EXPECT_EQ(converter.skippedLines(), 0);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(converter.write(out));

    // Rows: the time, 13 channels and the marker column.
    const QList<QByteArray> rows = out.data().split('\n');
    ASSERT_EQ(rows.size(), 9);
    EXPECT_TRUE(rows[0].endsWith(",Status,Marker\r"));
    const QByteArray empty(13, ',');
    EXPECT_EQ(rows[1], "0.000" + empty + ",engine warm\r");
    EXPECT_TRUE(rows[2].startsWith("0.000,")) << rows[2].data();
    EXPECT_TRUE(rows[2].endsWith(",\r")); // no marker on a record
    EXPECT_EQ(rows[4], "0.500" + empty + ",\"Link lost, retrying\"\r");
    EXPECT_EQ(rows[5], "0.000" + empty + ",\"Link found \"\"again\"\"\"\r");
    EXPECT_EQ(rows[8], "");

    SampleSeries fromLog;
    SampleSeries fromCsv;
    read(log, fromLog);
    const LogReadResult csv = read(out.data(), fromCsv);
    EXPECT_EQ(csv.skippedLines, 0);
    EXPECT_EQ(times(fromCsv), times(fromLog));
    EXPECT_EQ(values(fromCsv, "Rpm"), values(fromLog, "Rpm"));
    EXPECT_EQ(fromCsv.runs().size(), fromLog.runs().size());
    ASSERT_EQ(fromCsv.markers().size(), 3u);
    ASSERT_EQ(fromLog.markers().size(), 3u);
    for (size_t m = 0; m < 3; ++m) {
        EXPECT_EQ(fromCsv.markers()[m].timeMs, fromLog.markers()[m].timeMs) << m;
        EXPECT_EQ(fromCsv.markers()[m].text, fromLog.markers()[m].text) << m;
    }
    EXPECT_EQ(fromCsv.markers()[1].text, "Link lost, retrying");
    EXPECT_EQ(fromCsv.markers()[1].timeMs, 500);
}

TEST(CsvLog, ALogWithoutMarkersHasNoMarkerColumn) {
    QByteArray log = markedLog();
    log.replace("# engine warm\r\n", "").replace("#Link lost, retrying\r\n", "");
    log.replace("# Link found \"again\"\r\n", "");
    QBuffer in(&log);
    in.open(QIODevice::ReadOnly);
    LogCsvConverter converter;
    ASSERT_TRUE(converter.read(in));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    ASSERT_TRUE(converter.write(out));
    EXPECT_TRUE(out.data().startsWith("Time (s),Rpm (rpm)"));
    EXPECT_FALSE(out.data().contains("Marker"));
    EXPECT_EQ(out.data().split('\n')[1].count(','), 13);
}

} // namespace
