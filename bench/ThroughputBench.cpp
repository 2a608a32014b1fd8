// Replies per second the whole program holds against the simulated board at full speed (no
// line timing), with the main window shown offscreen and the real chart.
//
//   build/bench/ThroughputBench [seconds, default 10] [AutoScale|Continuous]
#include "AppRun.h"

#include <cstdio>
#include <cstdlib>

using namespace quorlin;

int main(int argc, char* argv[]) {
    bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const QString method = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("AutoScale");
    bench::printLoad();
    const bench::RunResult run =
        bench::runSampling({.graphMethod = method, .duration = std::chrono::seconds(seconds)});
    if (!run.failure.isEmpty()) {
        std::printf("FAILED: %s\n", qPrintable(run.failure));
        return 1;
    }
    const double s = std::chrono::duration<double>(run.elapsed).count();
    const auto good = std::count_if(run.exchanges.begin(), run.exchanges.end(),
                                    [](const sim::Exchange& e) { return e.good; });
    std::printf("GraphMethod %s: %zu requests, %td good replies in %.2f s: %.0f replies/s\n",
                qPrintable(method), run.exchanges.size(), good, s,
                s > 0 ? static_cast<double>(good) / s : 0.0);
    std::printf("program thread busy %.1f%% of the run, %.1f us of its CPU per reply\n",
                bench::busyPercent(run),
                good > 0 ? std::chrono::duration<double, std::micro>(run.programCpu).count() /
                               static_cast<double>(good)
                         : 0.0);
    bench::printLoad();
    return 0;
}
