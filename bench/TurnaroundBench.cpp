// Host turnaround: from the last byte of a reply on the line to the next request byte, seen
// from the board, with the whole program running at full speed (no line timing). Reported
// apart for ordinary replies and for the replies that close a scan (channel 7, which also
// feed the chart), for each graph method.
//
//   build/bench/TurnaroundBench [replies per method, default 20000]
#include "AppRun.h"

#include <cstdio>
#include <cstdlib>

namespace {

using namespace quorlin;
using Micros = std::chrono::duration<double, std::micro>;

void report(const char* what, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("  %-14s n=%6zu  median %7.1f us  p90 %7.1f us  p99 %8.1f us  max %8.1f us\n", what,
                values.size(), bench::percentile(values, 50), bench::percentile(values, 90),
                bench::percentile(values, 99), values.empty() ? 0.0 : values.back());
}

bool measure(const QString& method, size_t replies) {
    const bench::RunResult run = bench::runSampling({.graphMethod = method, .replies = replies});
    std::printf("GraphMethod %s\n", qPrintable(method));
    if (!run.failure.isEmpty()) {
        std::printf("  FAILED: %s\n", qPrintable(run.failure));
        return false;
    }
    std::vector<double> ordinary;
    std::vector<double> closing;
    const auto& log = run.exchanges;
    for (size_t i = 1; i < log.size(); ++i) {
        const sim::Exchange& prev = log[i - 1];
        if (!prev.good || prev.repliedAt == std::chrono::steady_clock::time_point{} ||
            log[i].channel < 0) {
            continue;
        }
        const double us = Micros(log[i].at - prev.repliedAt).count();
        (prev.channel == kChannelCount - 1 ? closing : ordinary).push_back(us);
    }
    report("ordinary", ordinary);
    report("scan-closing", closing);
    std::printf("  %zu replies in %.2f s, program thread busy %.1f%%\n", log.size(),
                std::chrono::duration<double>(run.elapsed).count(), bench::busyPercent(run));
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const size_t replies = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 20000;
    bench::printLoad();
    bool ok = measure(QStringLiteral("AutoScale"), replies);
    ok = measure(QStringLiteral("Continuous"), replies) && ok;
    bench::printLoad();
    return ok ? 0 : 1;
}
