// SPDX-License-Identifier: GPL-3.0-or-later
// Autotune and the cell hits: a proposal from a million records fed to the
// engine, and "vantrelctl log hits" and "vantrelctl autotune" over a log of
// a million full records (about 130 MB). The log is written once into a
// temporary folder before the first benchmark that reads it; with
// VANTREL_BENCH_LOG=PATH it is written there and kept, with the tune next to
// it as PATH.ecu, so that the command can be timed on its own:
//
//   VANTREL_BENCH_LOG=/tmp/million.log bench_autotune --benchmark_filter=LogHits
//   /usr/bin/time -v vantrelctl log hits --ecu-file /tmp/million.log.ecu /tmp/million.log

#include "app/Initialise.h"
#include "autotune/Autotune.h"
#include "cli/Commands.h"
#include "files/EcuFile.h"
#include "monitor/LiveSample.h"
#include "monitor/LogFormat.h"
#include "record/AppState.h"
#include "record/EngineData.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kRecords = 1000000;
constexpr qint64 kStepMs = 500;

// A drive over the whole table: every channel moves on every record.
EngineData engineAt(int i) {
    EngineData e;
    const double t = i * 0.01;
    e.RpmChannel.Value = static_cast<float>(std::round((3000 + 2500 * std::sin(t)) / 50) * 50);
    e.MapChannel.Value = static_cast<float>(std::round((8 + 6 * std::sin(t * 1.3)) * 100) / 100);
    e.TpsChannel.Value = static_cast<float>(std::round(50 + 45 * std::sin(t * 0.7)));
    e.AirChannel.Value = static_cast<float>(std::round(70 + 10 * std::sin(t * 0.01)));
    e.WaterChannel.Value = static_cast<float>(std::round(175 + 20 * std::sin(t * 0.02)));
    e.BatteryChannel.Value = static_cast<float>(13.5 + 0.4 * std::sin(t * 3));
    e.DutyChannel.Value = static_cast<float>(40 + 35 * std::sin(t * 1.1));
    e.FuelChannel.Value = static_cast<float>(4 + 3 * std::sin(t * 1.1));
    e.IgnitionChannel.Value = static_cast<float>(25 + 10 * std::sin(t * 0.9));
    for (int u = 0; u < 3; ++u) {
        e.UserChannel[static_cast<size_t>(u)].Value =
            static_cast<float>(std::round((2.4 + 0.6 * std::sin(t * 2.3 + u)) * 10) / 10);
    }
    e.EngineStatus1 = 6;
    return e;
}

EcuSettings benchTune() {
    AppState state;
    EcuSettings settings = initialiseSettings(state);
    settings.LoadControl = 1;
    settings.UserInputAnalogMode[0] = 3;
    return settings;
}

struct Files {
    std::unique_ptr<QTemporaryDir> dir;
    QString log;
    QString tune;
};

const Files& files() {
    static const Files f = [] {
        Files made;
        made.log = qEnvironmentVariable("VANTREL_BENCH_LOG");
        if (made.log.isEmpty()) {
            made.dir = std::make_unique<QTemporaryDir>();
            made.log = made.dir->filePath(QStringLiteral("million.log"));
        }
        made.tune = made.log + QStringLiteral(".ecu");
        if (!saveEcuFile(made.tune, benchTune()).ok()) {
            qFatal("cannot write %s", qPrintable(made.tune));
        }
        QFile file(made.log);
        if (!file.open(QIODevice::WriteOnly)) {
            qFatal("cannot write %s", qPrintable(made.log));
        }
        QString text = logRuleLine() + QStringLiteral("\r\n") +
                       logDateTimeLine(QDateTime(QDate(2026, 5, 2), QTime(9, 0)), QLocale()) +
                       QStringLiteral("\r\n") + fullRecordTitleLine() + QStringLiteral("\r\n");
        for (int i = 0; i < kRecords; ++i) {
            const LiveSample sample = LiveSample::fromEngineData(engineAt(i), i * kStepMs);
            text += fullRecordLine(sample, static_cast<double>(i * kStepMs) / 1000.0) +
                    QStringLiteral("\r\n");
            if (text.size() > 1 << 20) {
                file.write(text.toLatin1());
                text.clear();
            }
        }
        file.write(text.toLatin1());
        return made;
    }();
    return f;
}

void BM_ProposalFromAMillionRecords(benchmark::State& state) {
    std::vector<AutotuneSample> samples;
    samples.reserve(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        const EngineData e = engineAt(i);
        samples.push_back({i * kStepMs, e.RpmChannel.Value, e.MapChannel.Value, e.TpsChannel.Value,
                           e.WaterChannel.Value, e.FuelChannel.Value, e.UserChannel[0].Value});
    }
    AutotuneOptions options;
    options.targetAfr = 14.7;
    for (auto _ : state) {
        Autotune autotune(benchTune(), options);
        for (const AutotuneSample& sample : samples) {
            autotune.add(sample);
        }
        const AutotuneProposal proposal = autotune.proposal();
        if (autotune.counts().used < kRecords / 2) {
            state.SkipWithError("too few records used");
        }
        benchmark::DoNotOptimize(proposal.changedCells());
    }
    state.counters["records"] = kRecords;
}
BENCHMARK(BM_ProposalFromAMillionRecords)->Unit(benchmark::kMillisecond);

void runCommand(benchmark::State& state, const QStringList& arguments) {
    for (auto _ : state) {
        QBuffer out;
        QBuffer err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        if (runVantrelctl(QStringList{QStringLiteral("vantrelctl")} + arguments, out, err) != 0) {
            state.SkipWithError(err.data().constData());
        }
        benchmark::DoNotOptimize(out.data().size());
    }
    state.counters["MB"] = static_cast<double>(QFile(files().log).size()) / 1e6;
}

void BM_LogHitsOnAMillionFullRecords(benchmark::State& state) {
    runCommand(state, {QStringLiteral("log"), QStringLiteral("hits"), QStringLiteral("--ecu-file"),
                       files().tune, files().log});
}
BENCHMARK(BM_LogHitsOnAMillionFullRecords)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AutotuneOnAMillionFullRecords(benchmark::State& state) {
    const QTemporaryDir out;
    runCommand(state, {QStringLiteral("autotune"), QStringLiteral("--ecu-file"), files().tune,
                       QStringLiteral("--target"), QStringLiteral("14.7"), QStringLiteral("-o"),
                       out.filePath(QStringLiteral("out.ecu")), files().log});
}
BENCHMARK(BM_AutotuneOnAMillionFullRecords)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
