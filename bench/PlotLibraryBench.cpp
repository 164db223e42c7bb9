// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing how the log review draws: the review's own panes (QPainter over
// the series' per-pixel ranges) against two plotting libraries, QCustomPlot
// (with its adaptive sampling) and Qt Charts, when each is installed.
//
// Each draws 4 panes of 4 channels over the whole of a million records,
// 1000 x 200 pixels a pane. The "Fill" runs measure what a library adds to
// opening a log: copying the channels into its own data, and the memory that
// takes (counter "MB", from the resident set before and after).
//
//   bench_plot_library --benchmark_filter=Redraw

#include "monitor/SampleSeries.h"
#include "review/ReviewPanes.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>
#include <unistd.h>

#ifdef VANTREL_BENCH_QCUSTOMPLOT
#include <qcustomplot.h>
#endif
#ifdef VANTREL_BENCH_QTCHARTS
#include <QChart>
#include <QChartView>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QValueAxis>
#endif

namespace {

constexpr int kRecords = 1000000;
constexpr int kPanes = 4;
constexpr int kChannelsPerPane = 4;
constexpr int kWidth = 1000;
constexpr int kPaneHeight = 200;
constexpr qint64 kStepMs = 500;

// A million full records that move like a drive, every channel on every
// record, as the log benchmark writes them.
const SampleSeries& million() {
    static const std::unique_ptr<SampleSeries> series = [] {
        auto s = std::make_unique<SampleSeries>();
        for (int c = 0; c < kPanes * kChannelsPerPane; ++c) {
            s->addChannel(QStringLiteral("Channel %1").arg(c), {});
        }
        std::vector<ChannelValue> values(kPanes * kChannelsPerPane);
        for (int i = 0; i < kRecords; ++i) {
            const double t = i * 0.01;
            for (int c = 0; c < kPanes * kChannelsPerPane; ++c) {
                values[static_cast<size_t>(c)] = {
                    c, static_cast<float>(100 * std::sin(t * (1 + c * 0.1)) + c * 10)};
            }
            s->append(i * kStepMs, values);
        }
        return s;
    }();
    return *series;
}

double residentMegabytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0.0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1
               ? fields[1].toDouble() * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6
               : 0.0;
}

void BM_RedrawPainter(benchmark::State& state) {
    const SampleSeries& series = million();
    const std::vector<qsizetype> breaks = lineBreaks(series);
    std::vector<PaneScene> scenes(kPanes);
    for (int p = 0; p < kPanes; ++p) {
        PaneScene& scene = scenes[static_cast<size_t>(p)];
        scene.series = &series;
        scene.start = series.timeMs(0);
        scene.end = series.timeMs(series.size() - 1);
        scene.breaks = &breaks;
        scene.cursor = series.size() / 2;
        for (int c = 0; c < kChannelsPerPane; ++c) {
            const int channel = p * kChannelsPerPane + c;
            scene.traces.push_back({channel,
                                    series.channel(channel).name,
                                    {},
                                    Qt::blue,
                                    reviewScale(series.range(channel, 0, series.size()), {}, {})});
        }
    }
    QImage image(kWidth, kPaneHeight * kPanes, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        for (int p = 0; p < kPanes; ++p) {
            paintReviewPane(painter, QRect(0, p * kPaneHeight, kWidth, kPaneHeight),
                            scenes[static_cast<size_t>(p)]);
        }
    }
}
BENCHMARK(BM_RedrawPainter)->Unit(benchmark::kMillisecond);

#ifdef VANTREL_BENCH_QCUSTOMPLOT
// Four axis rects stacked in one plot, four graphs each.
struct CustomPlot {
    QCustomPlot plot;

    CustomPlot() {
        plot.resize(kWidth, kPaneHeight * kPanes);
        plot.plotLayout()->clear();
        for (int p = 0; p < kPanes; ++p) {
            auto* rect = new QCPAxisRect(&plot);
            plot.plotLayout()->addElement(p, 0, rect);
            for (int c = 0; c < kChannelsPerPane; ++c) {
                plot.addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            }
        }
    }

    void fill(const SampleSeries& series) {
        QVector<double> keys(series.size());
        QVector<double> values(series.size());
        for (int g = 0; g < plot.graphCount(); ++g) {
            for (qsizetype i = 0; i < series.size(); ++i) {
                keys[i] = static_cast<double>(series.timeMs(i));
                values[i] = series.value(g, i);
            }
            plot.graph(g)->setData(keys, values, true);
            plot.graph(g)->rescaleAxes(g % kChannelsPerPane != 0);
        }
    }
};

void BM_FillCustomPlot(benchmark::State& state) {
    const SampleSeries& series = million();
    double grown = 0.0;
    for (auto _ : state) {
        const double before = residentMegabytes();
        CustomPlot p;
        p.fill(series);
        grown = residentMegabytes() - before;
    }
    state.counters["MB"] = grown;
}
BENCHMARK(BM_FillCustomPlot)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_RedrawCustomPlot(benchmark::State& state) {
    CustomPlot p;
    p.fill(million());
    for (auto _ : state) {
        p.plot.replot(QCustomPlot::rpRefreshHint);
    }
}
BENCHMARK(BM_RedrawCustomPlot)->Unit(benchmark::kMillisecond);
#endif

#ifdef VANTREL_BENCH_QTCHARTS
// One chart a pane, four line series each on its own vertical axis.
struct Charts {
    std::vector<std::unique_ptr<QChartView>> views;

    Charts() {
        for (int p = 0; p < kPanes; ++p) {
            auto* chart = new QChart;
            chart->legend()->hide();
            auto view = std::make_unique<QChartView>(chart);
            chart->resize(kWidth, kPaneHeight);
            views.push_back(std::move(view));
        }
    }

    void fill(const SampleSeries& series) {
        QList<QPointF> points(series.size());
        for (int p = 0; p < kPanes; ++p) {
            QChart* chart = views[static_cast<size_t>(p)]->chart();
            auto* x = new QValueAxis;
            x->setRange(0, static_cast<double>(series.timeMs(series.size() - 1)));
            chart->addAxis(x, Qt::AlignBottom);
            for (int c = 0; c < kChannelsPerPane; ++c) {
                const int channel = p * kChannelsPerPane + c;
                for (qsizetype i = 0; i < series.size(); ++i) {
                    points[i] =
                        QPointF(static_cast<double>(series.timeMs(i)), series.value(channel, i));
                }
                auto* line = new QLineSeries;
                line->replace(points);
                chart->addSeries(line);
                auto* y = new QValueAxis;
                const ValueRange r = series.range(channel, 0, series.size());
                y->setRange(r.min, r.max);
                chart->addAxis(y, Qt::AlignLeft);
                line->attachAxis(x);
                line->attachAxis(y);
            }
        }
    }

    void render(QImage& image) {
        QPainter painter(&image);
        for (int p = 0; p < kPanes; ++p) {
            views[static_cast<size_t>(p)]->scene()->render(
                &painter, QRectF(0, p * kPaneHeight, kWidth, kPaneHeight),
                QRectF(0, 0, kWidth, kPaneHeight));
        }
    }
};

void BM_FillCharts(benchmark::State& state) {
    const SampleSeries& series = million();
    double grown = 0.0;
    for (auto _ : state) {
        const double before = residentMegabytes();
        Charts c;
        c.fill(series);
        grown = residentMegabytes() - before;
    }
    state.counters["MB"] = grown;
}
BENCHMARK(BM_FillCharts)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_RedrawCharts(benchmark::State& state) {
    Charts c;
    c.fill(million());
    QImage image(kWidth, kPaneHeight * kPanes, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        // A change of range makes the chart lay its series out again, as a
        // zoom or pan does.
        for (const auto& view : c.views) {
            auto* x = qobject_cast<QValueAxis*>(view->chart()->axes(Qt::Horizontal).front());
            x->setMax(x->max() + 1);
        }
        c.render(image);
    }
}
BENCHMARK(BM_RedrawCharts)->Unit(benchmark::kMillisecond)->Iterations(2);
#endif

} // namespace
