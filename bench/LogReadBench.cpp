// SPDX-License-Identifier: GPL-3.0-or-later
// Reading data logs into the sample series: a million full records (about
// 130 MB, the poll logging for 139 hours) and an hour of the time history's
// records at 20 Hz; converting the million to CSV; the per-pixel ranges a
// review window draws over the whole million; and the million counted as
// hits over a table editor. The logs are written once into a temporary
// folder before the first benchmark.
//
// Peak memory: run one benchmark at a time under /usr/bin/time -v, e.g.
//   /usr/bin/time -v bench_log_read --benchmark_filter=ReadFullLog

#include "monitor/LiveSample.h"
#include "monitor/LogCsv.h"
#include "monitor/LogFormat.h"
#include "monitor/SampleLogReader.h"
#include "monitor/SampleSeries.h"
#include "record/EngineData.h"
#include "review/LogHits.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

constexpr int kFullRecords = 1000000;
constexpr int kPlotRecords = 72000;

struct Logs {
    QTemporaryDir dir;
    QString full = dir.filePath(QStringLiteral("million.log"));
    QString plot = dir.filePath(QStringLiteral("hour.log"));
};

// Live values that move like a drive: every channel changes on every record.
LiveSample sampleAt(int i, qint64 timeMs) {
    EngineData e;
    const double t = i * 0.01;
    e.RpmChannel.Value = static_cast<float>(std::round((3000 + 2500 * std::sin(t)) / 50) * 50);
    e.MapChannel.Value = static_cast<float>(8 + 6 * std::sin(t * 1.3));
    e.TpsChannel.Value = static_cast<float>(50 + 45 * std::sin(t * 0.7));
    e.AirChannel.Value = static_cast<float>(70 + 10 * std::sin(t * 0.01));
    e.WaterChannel.Value = static_cast<float>(180 + 15 * std::sin(t * 0.02));
    e.BatteryChannel.Value = static_cast<float>(13.5 + 0.4 * std::sin(t * 3));
    e.DutyChannel.Value = static_cast<float>(40 + 35 * std::sin(t * 1.1));
    e.FuelChannel.Value = static_cast<float>(4 + 3 * std::sin(t * 1.1));
    e.IgnitionChannel.Value = static_cast<float>(25 + 10 * std::sin(t * 0.9));
    for (int u = 0; u < 3; ++u) {
        e.UserChannel[static_cast<size_t>(u)].Value = static_cast<float>(2.5 + 2 * std::sin(t + u));
    }
    e.EngineStatus1 = static_cast<uint8_t>(i % 3 == 0 ? 6 : 2);
    return LiveSample::fromEngineData(e, timeMs);
}

void writeLog(const QString& path, bool plot, int records) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qFatal("cannot write %s", qPrintable(path));
    }
    const PlotLogLayout layout{LoadControl::Map, {}, {0, 5}, false, {}, {}};
    const QDateTime clock(QDate(2026, 5, 2), QTime(9, 0));
    QString text = logRuleLine() + QStringLiteral("\r\n") + logDateTimeLine(clock, QLocale()) +
                   QStringLiteral("\r\n") +
                   (plot ? plotRecordTitleLine(layout) : fullRecordTitleLine()) +
                   QStringLiteral("\r\n");
    const qint64 stepMs = plot ? 50 : 500;
    for (int i = 0; i < records; ++i) {
        const LiveSample sample = sampleAt(i, i * stepMs);
        const double seconds = static_cast<double>(i * stepMs) / 1000.0;
        text += plot ? plotRecordLine(sample, layout, seconds) : fullRecordLine(sample, seconds);
        text += QStringLiteral("\r\n");
        if (text.size() > 1 << 20) {
            file.write(text.toLatin1());
            text.clear();
        }
    }
    file.write(text.toLatin1());
}

const Logs& logs() {
    static Logs l;
    static const bool written = [] {
        writeLog(l.full, false, kFullRecords);
        writeLog(l.plot, true, kPlotRecords);
        return true;
    }();
    Q_UNUSED(written);
    return l;
}

void readInto(benchmark::State& state, const QString& path, qint64 expected) {
    const double megabytes = static_cast<double>(QFile(path).size()) / 1e6;
    for (auto _ : state) {
        SampleSeries series;
        QFile file(path);
        file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        const LogReadResult result = readSampleLog(file, series);
        if (result.records != expected || result.skippedLines != 0) {
            state.SkipWithError("the log was not read whole");
        }
        benchmark::DoNotOptimize(series.size());
    }
    state.counters["MB"] = megabytes;
    state.counters["records"] = static_cast<double>(expected);
}

void BM_ReadFullLog(benchmark::State& state) {
    readInto(state, logs().full, kFullRecords);
}
BENCHMARK(BM_ReadFullLog)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadPlotLog(benchmark::State& state) {
    readInto(state, logs().plot, kPlotRecords);
}
BENCHMARK(BM_ReadPlotLog)->Unit(benchmark::kMillisecond);

void BM_FullLogToCsv(benchmark::State& state) {
    const QString csvPath = logs().dir.filePath(QStringLiteral("million.csv"));
    for (auto _ : state) {
        QFile log(logs().full);
        log.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        QFile csv(csvPath);
        csv.open(QIODevice::WriteOnly);
        LogCsvConverter converter;
        if (!converter.read(log) || !converter.write(csv) || converter.records() != kFullRecords) {
            state.SkipWithError("the conversion failed");
        }
    }
}
BENCHMARK(BM_FullLogToCsv)->Unit(benchmark::kMillisecond)->Iterations(2);

// A review window's redraw: 4 panes of 4 channels, 1000 pixel columns each,
// over the whole million records.
void BM_DecimateMillion(benchmark::State& state) {
    SampleSeries series;
    QFile file(logs().full);
    file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    readSampleLog(file, series);
    std::vector<ValueRange> columns(1000);
    const qint64 t0 = series.timeMs(0);
    const qint64 t1 = series.timeMs(series.size() - 1) + 1;
    for (auto _ : state) {
        for (int pane = 0; pane < 4; ++pane) {
            for (int channel = 0; channel < 4; ++channel) {
                series.decimate((pane * 4 + channel) % series.channelCount(), t0, t1, columns);
                benchmark::DoNotOptimize(columns.data());
            }
        }
    }
}
BENCHMARK(BM_DecimateMillion)->Unit(benchmark::kMicrosecond);

// The Hits toggle of an editor over the whole million, through a filter of
// Water from 180 and with the mean of User 1: what switching the hits on or
// changing the filter costs.
void BM_HitsOverMillion(benchmark::State& state) {
    auto series = std::make_shared<SampleSeries>();
    QFile file(logs().full);
    file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    readSampleLog(file, *series);
    const SeriesHits log(series, QStringLiteral("million.log"),
                         ChannelFilter({{QStringLiteral("Water"), 180.0f, {}}}));
    EcuSettings settings = EcuSettings::withDefaults();
    settings.LoadControl = 1;
    settings.MaxRpm = 6000;
    for (auto _ : state) {
        const CellHits hits = log.count(settings, QStringLiteral("User 1"));
        if (hits.total() == 0) {
            state.SkipWithError("no record counted");
        }
        benchmark::DoNotOptimize(hits.total());
    }
}
BENCHMARK(BM_HitsOverMillion)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
