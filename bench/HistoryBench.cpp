// SPDX-License-Identifier: GPL-3.0-or-later
// The tune history at 10,000 snapshots, on a real database file:
//
// - the database's size ("database_MB", target under 50 MB), reported with
//   the listing;
// - listing all snapshots (target under 100 ms);
// - the difference of two snapshots, from the database to the listed text
//   (target under 10 ms);
// - and, for reference, opening the history (with its quick check) and
//   taking one more snapshot.
//
// Two histories are built once each: a tune that changes a few cells from
// one snapshot to the next, as a tuning session does ("session"), and one
// whose snapshots are unrelated records with random tables, which compress
// worst ("random"). All snapshots fall within the days automatic snapshots
// are kept, so that none is removed.

#include "app/Initialise.h"
#include "files/DifferenceText.h"
#include "history/TuneHistory.h"
#include "record/AppState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int kSnapshots = 10000;

// Shows nothing; prints messages so that a failed run is noticed.
class QuietInteraction : public UserInteraction {
public:
    Answer message(const QString& text, Icon, Buttons, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return Answer::Ok;
    }
    void setBusy(bool) override {}
    void beginProgress(const QString&) override {}
    void stepProgress() override {}
    void endProgress() override {}
};

enum class Kind { Session, Random };

EcuSettings startRecord() {
    AppState state;
    return initialiseSettings(state);
}

struct BuiltHistory {
    QTemporaryDir dir;
    QString path;
    double megabytes = 0;
    double buildSeconds = 0;
    EcuSettings base;
    std::vector<qint64> ids;
};

TuneHistoryOptions optionsFor(const QString& path) {
    TuneHistoryOptions options;
    options.path = path;
    return options;
}

const BuiltHistory& built(Kind kind) {
    static std::map<Kind, std::unique_ptr<BuiltHistory>> histories;
    std::unique_ptr<BuiltHistory>& history = histories[kind];
    if (history) {
        return *history;
    }
    history = std::make_unique<BuiltHistory>();
    history->path = history->dir.filePath(QStringLiteral("history.sqlite"));
    history->base = startRecord();
    QuietInteraction ui;
    QRandomGenerator random(kind == Kind::Session ? 1 : 2);
    EcuIdentity ecu;
    ecu.SerialNumberText = QStringLiteral("2-3-05-00042");
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-170);
    int step = 0;
    TuneHistoryOptions options = optionsFor(history->path);
    options.now = [&] { return start.addSecs(step * 60LL * 24); };
    {
        TuneHistory tune(ui, options);
        EcuSettings record = history->base;
        QElapsedTimer timer;
        timer.start();
        for (step = 0; step < kSnapshots; ++step) {
            auto& table = random.bounded(2) ? record.FuelTable : record.IgnitionTable;
            if (kind == Kind::Session) {
                // A few cells a step, up or down by a little.
                for (int cells = 1 + random.bounded(3); cells > 0; --cells) {
                    int16_t& cell = table[random.bounded(16)][random.bounded(16)];
                    const int change = (random.bounded(2) ? 1 : -1) * (1 + random.bounded(3));
                    const bool fits = cell + change >= 0 && cell + change <= 255;
                    cell = static_cast<int16_t>(fits ? cell + change : cell - change);
                }
            } else {
                for (auto& row : table) {
                    for (int16_t& cell : row) {
                        cell = static_cast<int16_t>(random.bounded(256));
                    }
                }
            }
            const SnapshotSource source =
                step % 3 == 0 ? SnapshotSource::FileSaved : SnapshotSource::SentToEcu;
            history->ids.push_back(
                tune.record(record, source, source == SnapshotSource::SentToEcu ? &ecu : nullptr)
                    .id);
        }
        history->buildSeconds = static_cast<double>(timer.elapsed()) / 1000.0;
    } // closing the last connection folds the log into the file
    history->megabytes = static_cast<double>(QFileInfo(history->path).size()) / (1024.0 * 1024.0);
    return *history;
}

const char* label(Kind kind) {
    return kind == Kind::Session ? "session" : "random";
}

void BM_ListAll(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const BuiltHistory& history = built(kind);
    QuietInteraction ui;
    TuneHistory tune(ui, optionsFor(history.path));
    size_t listed = 0;
    for (auto _ : state) {
        const auto list = tune.list();
        listed = list ? list->size() : 0;
        benchmark::DoNotOptimize(listed);
    }
    if (listed != static_cast<size_t>(kSnapshots)) {
        state.SkipWithError("not every snapshot was listed");
    }
    state.SetLabel(label(kind));
    state.counters["database_MB"] = history.megabytes;
    state.counters["build_s"] = history.buildSeconds;
}
BENCHMARK(BM_ListAll)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DiffTwo(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const BuiltHistory& history = built(kind);
    QuietInteraction ui;
    TuneHistory tune(ui, optionsFor(history.path));
    // The first and the last snapshot: the most differences.
    const qint64 first = history.ids.front();
    const qint64 last = history.ids.back();
    qsizetype length = 0;
    for (auto _ : state) {
        const auto a = tune.settings(first, history.base);
        const auto b = tune.settings(last, history.base);
        length = a && b ? differenceLines(*a, *b, DifferenceUnits::Shown).size() : 0;
        benchmark::DoNotOptimize(length);
    }
    if (length == 0) {
        state.SkipWithError("no differences");
    }
    state.SetLabel(label(kind));
}
BENCHMARK(BM_DiffTwo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Open(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const BuiltHistory& history = built(kind);
    QuietInteraction ui;
    for (auto _ : state) {
        TuneHistory tune(ui, optionsFor(history.path));
        benchmark::DoNotOptimize(tune.isAvailable());
    }
    state.SetLabel(label(kind));
}
BENCHMARK(BM_Open)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecordOneMore(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const BuiltHistory& history = built(kind);
    QuietInteraction ui;
    TuneHistory tune(ui, optionsFor(history.path));
    EcuSettings record = history.base;
    int n = 0;
    for (auto _ : state) {
        record.RevLimit = ++n;
        benchmark::DoNotOptimize(tune.record(record, SnapshotSource::FileSaved).id);
    }
    state.SetLabel(label(kind));
}
BENCHMARK(BM_RecordOneMore)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
