// Opening a recorded data file of about 100 MB (1 million rows of eight values): the reader
// alone, and the review window from the first slice to the first picture. Counters give the
// rows, the file's size and what the kept values take next to the live history of the same
// scans (PlotArrays).
//
//   build/bench/DataFileReaderBench --benchmark_filter=. --benchmark_counters_tabular=true
#include "BenchSupport.h"
#include "RecordedFile.h"
#include "display/DataReviewWindow.h"
#include "display/PlotArrays.h"
#include "platform/EventGate.h"
#include "platform/QCustomPlotChart.h"
#include "platform/QtClock.h"
#include "platform/QtTimer.h"
#include "recording/DataFileReader.h"

#include <qcustomplot.h>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace quorlin;

constexpr qint64 kRows = 1'000'000;

// Written once per program run.
const QString& bigFile() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("big.csv"));
        return bench::writeRecordedFile(p, kRows) ? p : QString();
    }();
    return path;
}

// Heap bytes of the live history of the same scans.
std::size_t liveHistoryBytes() {
    static const std::size_t bytes = [] {
        AcquisitionValues values;
        bench::NullChart chart;
        struct NoErrors : ErrorHandler {
            void SimpleErrorHandler(qint32, const QString&, const QString&,
                                    const QString&) override {}
        } errors;
        PlotArrays plots(values, chart, errors);
        values.ElapsedTimeText = QStringLiteral("12.34");
        for (qint64 i = 0; i < kRows; ++i) {
            plots.PlotVoltArrays();
        }
        std::size_t sum = 0;
        for (const auto& t : plots.PlotHistory()) {
            sum += t->memoryBytes();
        }
        return sum;
    }();
    return bytes;
}

void setCounters(benchmark::State& state, const RecordedData& d) {
    std::size_t kept = 0;
    for (const auto& t : d.channels) {
        kept += t->memoryBytes();
    }
    state.counters["rows"] = static_cast<double>(d.rows);
    state.counters["fileMB"] = static_cast<double>(QFileInfo(bigFile()).size()) / 1e6;
    state.counters["keptMB"] = static_cast<double>(kept) / 1e6;
    state.counters["keptPerLiveHistory"] =
        static_cast<double>(kept) / static_cast<double>(liveHistoryBytes());
}

void BM_ReadDataFile(benchmark::State& state) {
    const QString& path = bigFile();
    liveHistoryBytes();
    for (auto _ : state) {
        DataFileReader reader(path);
        if (!reader.readAll()) {
            state.SkipWithError(reader.error().toStdString().c_str());
            return;
        }
        state.PauseTiming();
        setCounters(state, reader.data());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReadDataFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The review window as the operator gets it: slices from the event loop, the chart handed the
// tables, the first picture drawn.
void BM_OpenInReviewWindow(benchmark::State& state) {
    const QString& path = bigFile();
    QtClock clock;
    EventGate gate;
    QtTimerFactory timers(gate);
    for (auto _ : state) {
        auto model = std::make_unique<DataReviewModel>(path, clock, timers);
        if (!model->open()) {
            state.SkipWithError(model->errorText().toStdString().c_str());
            return;
        }
        DataReviewWindow window(std::move(model), PerChannel<ColourValue>{}, 0);
        window.resize(1280, 800);
        window.show();
        window.model().startLoading();
        while (window.model().state() == DataReviewModel::State::Loading) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        window.chart().redrawNow();
    }
}
BENCHMARK(BM_OpenInReviewWindow)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return quorlin::bench::runBenchmarks(argc, argv);
}
