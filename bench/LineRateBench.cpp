// Scan rate with the board pacing every byte at 9600 baud and converting instantly: a
// request and its reply are 4 bytes of 10 bits, so a scan of eight channels cannot be
// shorter than 32 * 10 / 9600 s = 33.33 ms. Reports the mean scan period from the board's
// log and how far it is above that limit.
//
//   build/bench/LineRateBench [scans, default 300]
#include "AppRun.h"

#include <cstdio>
#include <cstdlib>

using namespace quorlin;

int main(int argc, char* argv[]) {
    bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const size_t scans = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 300;
    bench::printLoad();
    // One scan more than measured, so that `scans` whole periods lie between scan starts.
    const bench::RunResult run =
        bench::runSampling({.lineTiming = true, .replies = (scans + 2) * kChannelCount});
    if (!run.failure.isEmpty()) {
        std::printf("FAILED: %s\n", qPrintable(run.failure));
        return 1;
    }
    // A scan starts with the request for channel 0.
    std::vector<std::chrono::steady_clock::time_point> starts;
    for (const sim::Exchange& e : run.exchanges) {
        if (e.channel == 0) {
            starts.push_back(e.at);
        }
    }
    if (starts.size() < scans + 1) {
        std::printf("FAILED: only %zu scans\n", starts.size());
        return 1;
    }
    using Ms = std::chrono::duration<double, std::milli>;
    const double mean = Ms(starts[scans] - starts[0]).count() / static_cast<double>(scans);
    double longest = 0;
    for (size_t i = 1; i <= scans; ++i) {
        longest = std::max(longest, Ms(starts[i] - starts[i - 1]).count());
    }
    const double limit = 32 * 10 * 1000.0 / 9600;
    std::printf("%zu scans: mean period %.3f ms (line limit %.3f ms, %+.2f%%), longest %.3f ms\n",
                scans, mean, limit, (mean / limit - 1) * 100, longest);
    bench::printLoad();
    return 0;
}
