// Cost of one scan on the strip chart against the length of the run already drawn, the
// memory a run holds per scan and channel, and the redraw of a zoomed view.
//
//   ChartBench --benchmark_min_time=0.3
//   ChartBench --benchmark_filter=ZoomedRedraw
//
// Histories are filled straight into the tables (2.6 million scans of eight channels take
// a while to fill through the per-scan path); the timed loop is the per-scan path.
#include "BenchSupport.h"
#include "chart/M4Decimation.h"
#include "chart/PointTable.h"
#include "platform/QCustomPlotChart.h"

#include <qcustomplot.h>
#include <QApplication>

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <memory>
#include <random>

namespace quorlin {
namespace {

constexpr int kPlots = 8;
constexpr double kScanSeconds = 0.03;
const QSize kChartSize(1000, 500);

// A board-like signal: noise and now and then a single-sample spike, with or without a
// wave of about 6000 scans (3 minutes at 30 scans a second). The wave matters to the
// picture: in a long run every pixel column then spans the wave's whole height, so there
// is more to paint (the same pixels as drawing every point would paint). Between steps of the
// X axis only the changed pixel columns are painted again, so that cost stays flat too;
// full_repaints counts the redraws that painted the plots as a whole.
class Signal {
  public:
    Signal(unsigned seed, bool wave) : rng_(seed), wave_(wave ? 2.0 : 0.0) {}
    double next(qint64 scan) {
        const double spike = spike_(rng_) == 0 ? 4.0 : 0.0;
        return std::sin(static_cast<double>(scan) * 1e-3) * wave_ + noise_(rng_) + spike;
    }

  private:
    std::mt19937 rng_;
    double wave_;
    std::normal_distribution<double> noise_{0.0, 0.2};
    std::uniform_int_distribution<int> spike_{0, 999};
};

void sizeChart(QCustomPlotChart& chart) {
    QCustomPlot* plot = chart.customPlot();
    plot->resize(kChartSize);
    plot->setViewport(QRect(QPoint(0, 0), kChartSize));  // a hidden widget gets no resize event
}

void setCounters(benchmark::State& state, std::size_t bytes, qint64 scans) {
    state.counters["scans"] = static_cast<double>(scans);
    state.counters["bytes_per_scan_per_channel"] =
        static_cast<double>(bytes) / static_cast<double>(scans * kPlots);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

// The "Continuous" method: per scan each channel's shared history gets its value, the plot
// is handed the whole table again, the table gets its next empty column; then the chart is
// redrawn.
void BM_ContinuousScan(benchmark::State& state) {
    const qint64 history = state.range(0);
    std::array<std::shared_ptr<PointTable>, kPlots> tables;
    std::vector<Signal> sources;
    for (int p = 0; p < kPlots; ++p) {
        tables[p] = std::make_shared<PointTable>();
        sources.emplace_back(static_cast<unsigned>(p + 1), state.range(1) != 0);
        for (qint64 s = 0; s < history; ++s) {
            tables[p]->setLast(static_cast<double>(s) * kScanSeconds, sources[p].next(s));
            tables[p]->addEmptyColumn();
        }
    }
    QCustomPlotChart chart;
    sizeChart(chart);
    for (int p = 0; p < kPlots; ++p) {
        chart.replacePlotData(p + 1, tables[p]);
    }
    chart.redrawNow();

    qint64 scan = history;
    for (auto _ : state) {
        const double t = static_cast<double>(scan) * kScanSeconds;
        for (int p = 0; p < kPlots; ++p) {
            tables[p]->setLast(t, sources[p].next(scan));
        }
        for (int p = 0; p < kPlots; ++p) {
            chart.replacePlotData(p + 1, tables[p]);
        }
        for (int p = 0; p < kPlots; ++p) {
            tables[p]->addEmptyColumn();
        }
        chart.redrawNow();
        ++scan;
    }
    std::size_t bytes = chart.memoryBytes();
    for (const auto& t : tables) {
        bytes += t->memoryBytes();
    }
    setCounters(state, bytes, scan);
    state.counters["drawn_points_plot1"] = static_cast<double>(chart.drawnPointCount(1));
    state.counters["full_repaints"] = static_cast<double>(chart.fullRepaintCount());
}

// The "AutoScale" method: one appended point per plot per scan, then a redraw.
void BM_AutoScaleScan(benchmark::State& state) {
    const qint64 history = state.range(0);
    QCustomPlotChart chart;
    sizeChart(chart);
    std::vector<Signal> sources;
    for (int p = 0; p < kPlots; ++p) {
        sources.emplace_back(static_cast<unsigned>(p + 1), state.range(1) != 0);
        for (qint64 s = 0; s < history; ++s) {
            // Appending only marks the chart dirty; no redraw happens while filling.
            chart.appendPoint(p + 1, static_cast<double>(s) * kScanSeconds, sources[p].next(s));
        }
    }
    chart.redrawNow();

    qint64 scan = history;
    for (auto _ : state) {
        const double t = static_cast<double>(scan) * kScanSeconds;
        for (int p = 0; p < kPlots; ++p) {
            chart.appendPoint(p + 1, t, sources[p].next(scan));
        }
        chart.redrawNow();
        ++scan;
    }
    setCounters(state, chart.memoryBytes(), scan);
    state.counters["drawn_points_plot1"] = static_cast<double>(chart.drawnPointCount(1));
    state.counters["full_repaints"] = static_cast<double>(chart.fullRepaintCount());
}

// A redraw after the X axis moved (as at a step of the automatic range, or a new fixed
// range): the plots are painted as a whole. Happens once per step, not per scan.
void BM_RedrawAfterAxisMove(benchmark::State& state) {
    const qint64 history = state.range(0);
    QCustomPlotChart chart;
    sizeChart(chart);
    for (int p = 0; p < kPlots; ++p) {
        auto table = std::make_shared<PointTable>();
        Signal source(static_cast<unsigned>(p + 1), false);
        for (qint64 s = 0; s < history; ++s) {
            table->setLast(static_cast<double>(s) * kScanSeconds, source.next(s));
            table->addEmptyColumn();
        }
        chart.replacePlotData(p + 1, table);
    }
    const double span = static_cast<double>(history) * kScanSeconds;
    bool wide = false;
    for (auto _ : state) {
        chart.setXRange(0, span * (wide ? 1.25 : 1.125));
        wide = !wide;
        chart.redrawNow();
    }
    state.counters["full_repaints"] = static_cast<double>(chart.fullRepaintCount());
}

// A redraw of the operator's zoomed view of a 2.6-million-scan history (eight plots, a day
// at 30 scans a second): a window of the given seconds, moved by half its width between
// redraws (as a pan does), so every redraw decimates and paints the plots as a whole. The
// last argument 0 stands for the whole history. The history is held as a run's is: one row
// of scan times (in hundredths) shared by the eight tables.
void BM_ZoomedRedraw(benchmark::State& state) {
    constexpr qint64 kHistory = 2600000;
    std::array<std::shared_ptr<PointTable>, kPlots> tables;
    const auto times = std::make_shared<ScanTimes>();
    for (int p = 0; p < kPlots; ++p) {
        tables[p] = std::make_shared<PointTable>(times);
        Signal source(static_cast<unsigned>(p + 1), true);
        for (qint64 s = 0; s < kHistory; ++s) {
            tables[p]->setLast(static_cast<double>(s * 3) / 100, source.next(s));
            tables[p]->addEmptyColumn();
        }
    }
    QCustomPlotChart chart;
    sizeChart(chart);
    for (int p = 0; p < kPlots; ++p) {
        chart.replacePlotData(p + 1, tables[p]);
    }
    const double span = static_cast<double>(kHistory - 1) * kScanSeconds;
    const double width = state.range(0) > 0 ? static_cast<double>(state.range(0)) : span;
    const double centre = span / 2;
    bool shifted = false;
    for (auto _ : state) {
        // The whole history moves by a sliver: a new mapping all the same.
        const double lower =
            state.range(0) > 0 ? centre + (shifted ? width / 2 : 0) : (shifted ? -1.0 : 0.0);
        chart.setViewXRange(lower, lower + width);
        shifted = !shifted;
        chart.redrawNow();
    }
    state.counters["drawn_points_plot1"] = static_cast<double>(chart.drawnPointCount(1));
    state.counters["full_repaints"] = static_cast<double>(chart.fullRepaintCount());
}

// The per-pixel reduction of one plot alone, at a 940-pixel-wide plot area.
void BM_DecimateOnePlot(benchmark::State& state) {
    const qint64 history = state.range(0);
    PointTable table;
    Signal source(1, true);
    for (qint64 s = 0; s < history; ++s) {
        table.setLast(static_cast<double>(s) * kScanSeconds, source.next(s));
        table.addEmptyColumn();
    }
    const double span = static_cast<double>(history) * kScanSeconds;
    std::vector<qint64> columns;
    for (auto _ : state) {
        m4Columns(
            table, 50, 990, [span](double x) { return x / span * 940 + 50; }, columns);
        benchmark::DoNotOptimize(columns.data());
    }
    state.counters["points"] = static_cast<double>(columns.size());
}

// Window of 1 s, 1 min, 1 h and the whole history (0).
BENCHMARK(BM_ZoomedRedraw)
    ->Arg(1)
    ->Arg(60)
    ->Arg(3600)
    ->Arg(0)
    ->ArgName("window_s")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecimateOnePlot)->Arg(1000)->Arg(100000)->Arg(2600000)->Unit(benchmark::kMicrosecond);
// Arguments: scans of history already present, wave (1) or not (0).
BENCHMARK(BM_ContinuousScan)
    ->ArgsProduct({{1000, 100000, 2600000}, {0, 1}})
    ->ArgNames({"history", "wave"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawAfterAxisMove)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(2600000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoScaleScan)
    ->ArgsProduct({{1000, 100000, 2600000}, {0, 1}})
    ->ArgNames({"history", "wave"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorlin

int main(int argc, char** argv) {
    return quorlin::bench::runBenchmarks(argc, argv);
}
