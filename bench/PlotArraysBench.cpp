// Cost of one "Continuous" scan as the run grows: it must not depend on the history length.
#include "BenchSupport.h"
#include "display/PlotArrays.h"

#include <benchmark/benchmark.h>

namespace {

using namespace quorlin;
using bench::NullChart;

class NoErrors : public ErrorHandler {
  public:
    void SimpleErrorHandler(qint32, const QString&, const QString&, const QString&) override {}
};

// state.range(0): scans already in the history before timing starts.
void BM_PlotVoltArrays(benchmark::State& state) {
    AcquisitionValues values;
    NullChart chart;
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

int main(int argc, char** argv) {
    return quorlin::bench::runBenchmarks(argc, argv);
}
