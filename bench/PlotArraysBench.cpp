// Cost of one "Continuous" scan as the run grows: it must not depend on the history length.
#include "display/PlotArrays.h"

#include <benchmark/benchmark.h>

namespace {

using namespace quorlin;

// Keeps the tables as a real chart adapter would, and nothing else.
class SharingChart : public Chart {
  public:
    void clear() override {}
    void setYCaption(const QString&) override {}
    void setYMaximum(double) override {}
    void setYMinimum(double) override {}
    void setXRange(double, double) override {}
    void setXAutoRange() override {}
    void setPlotVisible(int, bool) override {}
    void setPlotColour(int, ColourValue) override {}
    ColourValue backgroundColour() const override { return 0; }
    void setBackgroundColour(ColourValue) override {}
    void replacePlotData(int plot, std::shared_ptr<const PointTable> t) override {
        tables[plot] = std::move(t);
    }
    void appendPoint(int, double, double) override {}
    std::shared_ptr<const PointTable> tables[9];
};

class NoErrors : public ErrorHandler {
  public:
    void SimpleErrorHandler(qint32, const QString&, const QString&, const QString&) override {}
};

// state.range(0): scans already in the history before timing starts.
void BM_PlotVoltArrays(benchmark::State& state) {
    AcquisitionValues values;
    SharingChart chart;
    NoErrors errors;
    PlotArrays plots(values, chart, errors);
    values.ElapsedTimeText = QStringLiteral("12.34");
    for (int64_t i = 0; i < state.range(0); ++i) {
        plots.PlotVoltArrays();
    }
    for (auto _ : state) {
        plots.PlotVoltArrays();
    }
    state.counters["history"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_PlotVoltArrays)->Arg(0)->Arg(100000)->Arg(1000000);

}  // namespace

BENCHMARK_MAIN();
