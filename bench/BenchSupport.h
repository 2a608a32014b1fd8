#pragma once

// Pieces every benchmark program shares: a chart that does no drawing, and a main() that runs
// Google Benchmark inside a QApplication on the offscreen platform.

#include "platform/Chart.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace quorlin::bench {

// Keeps the tables it is handed, as a real chart adapter would, and draws nothing.
class NullChart : public Chart {
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
    void appendPoint(int, double x, double y) override { benchmark::DoNotOptimize(x + y); }

    std::shared_ptr<const PointTable> tables[9];
};

inline int runBenchmarks(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace quorlin::bench
