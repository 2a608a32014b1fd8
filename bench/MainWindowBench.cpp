// Cost of one frame of the main window's value texts: all eight channels change their volts
// (and so their scaled) texts, the window shows them and repaints. Timed in CPU time of the
// thread, without the wait for the frame's timer. The real main window inside its frame,
// shown offscreen.
//
//   build/bench/MainWindowBench
#include "BenchSupport.h"
#include "display/MainWindow.h"
#include "support/AppHarness.h"

#include <QApplication>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <ctime>

namespace {

using namespace quorlin;

double threadSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void BM_ValueTextFrame(benchmark::State& state) {
    test::AppHarness h({.startBoard = false});
    h.writeDefaultConfig({});
    if (!h.start()) {
        state.SkipWithError("the program did not start");
        return;
    }
    h.show();
    auto* last = h.main().window().findChild<QLineEdit*>(QStringLiteral("txtCH7"));
    int n = 0;
    for (auto _ : state) {
        ++n;
        const double t0 = threadSeconds();
        for (int k = 0; k < kChannelCount; ++k) {
            h.model().setVoltsText(k, QString::number(1.0 + n * 0.001 + k, 'f', 3));
        }
        const QString expected = h.model().row(7).voltsText;
        // Sleeps in the event loop until the frame has shown the texts, then runs the repaint
        // that follows.
        while (last->text() != expected) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        QCoreApplication::processEvents();
        state.SetIterationTime(threadSeconds() - t0);
    }
}
BENCHMARK(BM_ValueTextFrame)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    return quorlin::bench::runBenchmarks(argc, argv);
}
