// SPDX-License-Identifier: GPL-3.0-or-later

#include "LogSessionScript.h"
#include "TestData.h"
#include "monitor/DataLog.h"
#include "monitor/LineReader.h"
#include "monitor/LiveSample.h"
#include "monitor/LogCsv.h"
#include "monitor/LogFormat.h"
#include "monitor/SampleLogReader.h"
#include "monitor/SampleSeries.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

namespace {

using logscript::Layout;

QByteArray readAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The session's log as the log writer writes it from the samples of the
// poll and of the plot.
QByteArray writeSession() {
    QTemporaryDir dir;
    const QString path = dir.filePath("session.log");
    AppState state;
    EcuSettings settings;
    EngineData engine;
    DataLog log;
    EXPECT_FALSE(log.open(path).has_value());
    int k = 0;
    for (const logscript::Run& run : logscript::runs()) {
        logscript::applyRun(run, state, settings);
        log.requestHeader();
        for (int r = 0; r < run.records; ++r, ++k) {
            const qint64 now = run.startMs + r * run.stepMs;
            logscript::liveValues(k, engine);
            const QDateTime clock = run.clock.addMSecs(r * run.stepMs);
            const LiveSample sample = LiveSample::fromEngineData(engine, now);
            const std::optional<QString> error =
                run.layout == Layout::Full
                    ? log.writeFullRecord(sample, clock, logscript::kLocale)
                    : log.writePlotRecord(sample, plotLogLayout(state, settings, run.plotChannels),
                                          clock, logscript::kLocale);
            EXPECT_FALSE(error.has_value());
        }
    }
    log.close();
    return readAll(path);
}

TEST(LogWriter, SessionMatchesTheGoldenLogByteForByte) {
    const QByteArray golden = testDataBytes("monitor/session.log");
    ASSERT_FALSE(golden.isEmpty());
    EXPECT_EQ(writeSession(), golden);
}

// Reads text into a series.
LogReadResult read(QByteArray text, SampleSeries& series) {
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    return readSampleLog(buffer, series, logscript::kLocale);
}

// The value each run of the session logs on a channel, and how near the
// log's pattern keeps it.
struct Logged {
    QString channel;
    std::function<float(const EngineData&)> value;
    float within;
};

std::vector<Logged> loggedChannels(int run) {
    using E = const EngineData&;
    const std::vector<Logged> full{
        {"Rpm", [](E e) { return e.RpmChannel.Value; }, 0.5f},
        {"Map", [](E e) { return e.MapChannel.Value; }, 0.005f},
        {"TPS", [](E e) { return e.TpsChannel.Value; }, 0.5f},
        {"Air", [](E e) { return e.AirChannel.Value; }, 0.5f},
        {"Water", [](E e) { return e.WaterChannel.Value; }, 0.5f},
        {"Battery", [](E e) { return e.BatteryChannel.Value; }, 0.05f},
        {"Duty", [](E e) { return e.DutyChannel.Value; }, 0.05f},
        {"Fuel", [](E e) { return e.FuelChannel.Value; }, 0.005f},
        {"Ignition", [](E e) { return e.IgnitionChannel.Value; }, 0.05f},
        {"User 1", [](E e) { return e.UserChannel[0].Value; }, 0.05f},
        {"User 2", [](E e) { return e.UserChannel[1].Value; }, 0.05f},
        {"User 3", [](E e) { return e.UserChannel[2].Value; }, 0.05f},
        {"Status", [](E e) { return float(e.EngineStatus1); }, 0.0f},
    };
    switch (run) {
    case 1: // load control 3: the load column is MAP; fuel and user 3 in mode 2
        return {{"Rpm", full[0].value, 0.5f},
                {"Map", full[1].value, 0.05f},
                {"Fuel", full[7].value, 0.005f},
                {"Ignition Compensation", full[11].value, 0.5f}};
    case 2: // load control 2: the load is TPS; user 1 in mode 3 with the spare values
    {
        std::vector<Logged> logged{{"Rpm", full[0].value, 0.5f},
                                   {"TPS", full[2].value, 0.05f},
                                   {"EGO", full[9].value, 0.05f}};
        const float uc[] = {1, 22, 0, 140, 255};
        const float ui[] = {0, 100, 65535, 7, 12345};
        for (int i = 0; i < 5; ++i) {
            logged.push_back(
                {QStringLiteral("UC_Extra(%1)").arg(i), [v = uc[i]](E) { return v; }, 0});
            logged.push_back(
                {QStringLiteral("UI_Extra(%1)").arg(i), [v = ui[i]](E) { return v; }, 0});
        }
        return logged;
    }
    case 3: // rpm on trace 1 (a blank column), user 2 in mode 2
        return {{"Rpm", full[0].value, 0.5f},
                {"Map", full[1].value, 0.05f},
                {"Ignition Compensation", full[10].value, 0.5f}};
    default:
        return full;
    }
}

// Checks that series holds the session: five runs on the clocks of their
// headers, each record at its time with the values its layout logs and
// nothing on the channels it does not log.
void expectSession(const SampleSeries& series, bool clocks) {
    const auto& runs = logscript::runs();
    ASSERT_EQ(series.runs().size(), runs.size());
    ASSERT_EQ(series.size(), 22);
    EngineData e;
    int k = 0;
    qint64 lastTime = 0;
    for (size_t r = 0; r < runs.size(); ++r) {
        const SeriesRun& run = series.runs()[r];
        EXPECT_EQ(run.first, k);
        // With the headers' clocks a run starts at its clock; without them
        // it continues from the last record.
        const qint64 start = clocks ? runs[0].clock.msecsTo(runs[r].clock) : lastTime;
        EXPECT_EQ(run.startMs, start) << "run " << r;
        EXPECT_EQ(run.clock, clocks ? runs[r].clock : QDateTime()) << "run " << r;
        const std::vector<Logged> logged = loggedChannels(static_cast<int>(r));
        for (int i = 0; i < runs[r].records; ++i, ++k) {
            logscript::liveValues(k, e);
            lastTime = start + i * runs[r].stepMs;
            EXPECT_EQ(series.timeMs(k), lastTime) << "record " << k;
            for (int c = 0; c < series.channelCount(); ++c) {
                const QString name = series.channel(c).name;
                const auto it =
                    std::find_if(logged.begin(), logged.end(),
                                 [&name](const Logged& l) { return l.channel == name; });
                const float value = series.value(c, k);
                if (it == logged.end()) {
                    EXPECT_TRUE(std::isnan(value)) << name.toStdString() << " in record " << k;
                } else {
                    EXPECT_NEAR(value, it->value(e), it->within + 1e-4)
                        << name.toStdString() << " in record " << k;
                }
            }
        }
    }
}

TEST(LogReader, ReadsBackBothLayoutsAndEveryRunWithItsClock) {
    const QByteArray log = testDataBytes("monitor/session.log");
    SampleSeries series;
    const LogReadResult result = read(log, series);
    EXPECT_EQ(result.format, LogReadResult::Format::Log);
    EXPECT_EQ(result.records, 22);
    EXPECT_EQ(result.skippedLines, 0);
    EXPECT_FALSE(result.partialLastLine);
    expectSession(series, true);

    // The program stopped while writing a record: the part written is left out.
    const QByteArray lastRecord = log.mid(log.lastIndexOf("\r\n", log.size() - 3) + 2);
    SampleSeries cut;
    const LogReadResult partial = read(log + lastRecord.left(lastRecord.size() - 5), cut);
    EXPECT_TRUE(partial.partialLastLine);
    EXPECT_EQ(partial.firstSkippedLines, QList<qint64>{38});
    expectSession(cut, true);

    // Channel names and units are those of the live samples.
    for (int c = 0; c < kLiveChannelCount; ++c) {
        const auto live = static_cast<LiveChannel>(c);
        const int index = series.channelIndex(liveChannelName(live));
        ASSERT_GE(index, 0) << c;
        EXPECT_EQ(series.channel(index).unit, liveChannelUnit(live));
    }
}

TEST(LogReader, ReadsTheCsvOfLog2CsvWithTheSameChannelsAndValues) {
    QByteArray log = testDataBytes("monitor/session.log");
    QBuffer in(&log);
    in.open(QIODevice::ReadOnly);
    LogCsvConverter converter;
    ASSERT_TRUE(converter.read(in));
    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    ASSERT_TRUE(converter.write(csv));

    SampleSeries fromLog;
    read(log, fromLog);
    SampleSeries fromCsv;
    const LogReadResult result = read(csv.data(), fromCsv);
    EXPECT_EQ(result.format, LogReadResult::Format::Csv);
    EXPECT_EQ(result.records, 22);
    EXPECT_EQ(result.skippedLines, 0);
    ASSERT_EQ(fromCsv.channelCount(), fromLog.channelCount());
    for (int c = 0; c < fromLog.channelCount(); ++c) {
        EXPECT_EQ(fromCsv.channel(c).name, fromLog.channel(c).name);
        EXPECT_EQ(fromCsv.channel(c).unit, fromLog.channel(c).unit);
    }
    // The CSV keeps no clocks: each run continues from the last record.
    expectSession(fromCsv, false);
}

// A log of one run of full records (its header on lines 1 to 3) with lines
// put in or changed: what the reader keeps and skips.
struct DamageCase {
    const char* name;
    std::vector<QByteArray> linesAfterHeader;
    bool lastLineEnds;
    std::vector<qint64> times; // of the records kept
    std::vector<qint64> skipped;
    size_t runs;
    size_t markers;
};

QByteArray fullRecord(double seconds) {
    EngineData e;
    logscript::liveValues(3, e);
    return fullRecordLine(LiveSample::fromEngineData(e, 0), seconds).toLatin1();
}

QByteArray header(const char* clock) {
    return logRuleLine().toLatin1() + "\r\n" + clock + "\r\n" + fullRecordTitleLine().toLatin1();
}

TEST(LogReader, SkipsAndCountsDamagedLinesAndKeepsTheRest) {
    const QByteArray record = fullRecord(0.5);
    QByteArray shortRecord = record;
    shortRecord.chop(10);
    QByteArray letter = record;
    letter[20] = 'x';
    const std::vector<DamageCase> cases{
        {"a cut-off last line", {fullRecord(0), record.left(60)}, false, {0}, {5}, 1, 0},
        {"a whole record without its line end", {fullRecord(0), record}, false, {0}, {5}, 1, 0},
        {"damaged records and foreign text",
         {fullRecord(0), shortRecord, letter, record + "   7", "", "notes", fullRecord(1)},
         true,
         {0, 1000},
         {5, 6, 7, 8, 9},
         1,
         0},
        {"a line too long for any record",
         {fullRecord(0), QByteArray(70000, ' ') + record, fullRecord(1)},
         true,
         {0, 1000},
         {5},
         1,
         0},
        {"a time that goes back",
         {fullRecord(2), fullRecord(1), fullRecord(3)},
         true,
         {2000, 3000},
         {5},
         1,
         0},
        // The old time of day went negative after midnight.
        {"times passing midnight",
         {fullRecord(0.5), fullRecord(-86398.5), fullRecord(-86397.5)},
         true,
         {500, 1500, 2500},
         {},
         1,
         0},
        {"markers",
         {"# engine warm", fullRecord(0), "#link lost", fullRecord(1)},
         true,
         {0, 1000},
         {},
         1,
         2},
        {"a header whose clock cannot be read continues the last run's time",
         {fullRecord(0), fullRecord(2), header("not a date"), fullRecord(0), fullRecord(0.25)},
         true,
         {0, 2000, 2000, 2250},
         {},
         2,
         0},
        {"records under an unknown title line",
         {fullRecord(0), logRuleLine().toLatin1(), "02.05.26      14:40:00", "    Time  Boost",
          fullRecord(1)},
         true,
         {0},
         {7, 8},
         1,
         0},
    };
    for (const DamageCase& c : cases) {
        QByteArray text = header("02.05.26      14:30:00") + "\r\n";
        for (const QByteArray& line : c.linesAfterHeader) {
            text += line + "\r\n";
        }
        if (!c.lastLineEnds) {
            text.chop(2);
        }
        SampleSeries series;
        const LogReadResult result = read(text, series);
        EXPECT_EQ(result.partialLastLine, !c.lastLineEnds) << c.name;
        EXPECT_EQ(result.records, static_cast<qint64>(c.times.size())) << c.name;
        EXPECT_EQ(result.firstSkippedLines, QList<qint64>(c.skipped.begin(), c.skipped.end()))
            << c.name;
        EXPECT_EQ(result.skippedLines, static_cast<qint64>(c.skipped.size())) << c.name;
        std::vector<qint64> times;
        for (qsizetype i = 0; i < series.size(); ++i) {
            times.push_back(series.timeMs(i));
        }
        EXPECT_EQ(times, c.times) << c.name;
        EXPECT_EQ(series.runs().size(), c.runs) << c.name;
        EXPECT_EQ(series.markers().size(), c.markers) << c.name;
    }
}

TEST(LogReader, MarkersStandAtTheRecordBeforeThem) {
    SampleSeries series;
    read(header("02.05.26      14:30:00") + "\r\n" + fullRecord(0) + "\r\n" + fullRecord(1.5) +
             "\r\n# link lost \r\n" + fullRecord(2) + "\r\n",
         series);
    ASSERT_EQ(series.markers().size(), 1u);
    EXPECT_EQ(series.markers()[0].timeMs, 1500);
    EXPECT_EQ(series.markers()[0].text, "link lost");
}

// Hands out its bytes a few at a time, as a pipe does.
class TrickleDevice : public QIODevice {
public:
    explicit TrickleDevice(QByteArray data) : m_data(std::move(data)) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 n = std::min({maxSize, qint64(1 + m_at % 7), qint64(m_data.size()) - m_at});
        std::memcpy(data, m_data.constData() + m_at, static_cast<size_t>(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_at = 0;
};

TEST(LineReader, LineEndsLengthsAndAPartialLastLineWhateverTheReadSizes) {
    const qsizetype max = LineReader::kMaxLineBytes;
    const QByteArray longest(max, 'a');
    const QByteArray tooLong(max + 1, 'b');
    const QByteArray text = "one\r\ntwo\n\nthree\r\r\n" + longest + "\r\n" + tooLong + "\n" +
                            tooLong + tooLong + "\r\nlast\rline";
    struct Expected {
        QByteArray text;
        bool partial;
        bool overlong;
    };
    const std::vector<Expected> expected{{"one", false, false},   {"two", false, false},
                                         {"", false, false},      {"three", false, false},
                                         {longest, false, false}, {"", false, true},
                                         {"", false, true},       {"last\rline", true, false}};
    for (const bool trickle : {false, true}) {
        QByteArray copy = text;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        TrickleDevice pipe(text);
        LineReader reader(trickle ? static_cast<QIODevice&>(pipe) : buffer);
        LineReader::Line line;
        for (size_t i = 0; i < expected.size(); ++i) {
            ASSERT_TRUE(reader.next(line)) << i;
            EXPECT_EQ(line.number, static_cast<qint64>(i + 1));
            EXPECT_EQ(line.text.toByteArray(), expected[i].text) << i << " trickle " << trickle;
            EXPECT_EQ(line.partial, expected[i].partial) << i;
            EXPECT_EQ(line.overlong, expected[i].overlong) << i;
        }
        EXPECT_FALSE(reader.next(line));
        EXPECT_TRUE(reader.error().isEmpty());
    }
}

} // namespace
