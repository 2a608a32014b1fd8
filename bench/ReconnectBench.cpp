// What an unplugged board costs while it is away, and how soon the run goes on once it is
// back: the whole program samples the simulated board through a link, the board is unplugged
// for a while, and the program's thread time is taken over the time the board is away.
//
//   ReconnectBench [SECONDS_AWAY] [ROUNDS]

#include "AppRun.h"
#include "acquisition/SamplingLoop.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace quorlin;
using namespace std::chrono;

namespace {

int run(int round, milliseconds away) {
    test::AppHarness h({.realChart = false, .boardLink = true});
    h.writeDefaultConfig({});
    if (!h.start()) {
        std::printf("FAILED: the program or the board did not start\n");
        return 1;
    }
    h.show();
    h.trigger(h.model().mnuSample);
    if (!h.waitFor([&] { return h.board().totalReceived() >= 80; })) {
        std::printf("FAILED: no sampling\n");
        return 1;
    }
    AcquisitionEngine& loop = h.engine();
    h.board().unplug(away);
    const auto pulled = steady_clock::now();
    if (!h.waitFor([&] { return loop.isReconnecting(); })) {
        std::printf("FAILED: the loss was not noticed\n");
        return 1;
    }
    const auto noticed = steady_clock::now();
    // The program's own event loop while the board is away (the harness's waits poll).
    const nanoseconds cpuBefore = bench::threadCpuTime();
    QEventLoop idle;
    // Ends a little before the board is due back.
    QTimer::singleShot(duration_cast<milliseconds>(away - (noticed - pulled)) - 100ms,
                       Qt::PreciseTimer, &idle, &QEventLoop::quit);
    idle.exec();
    const nanoseconds absentCpu = bench::threadCpuTime() - cpuBefore;
    const double absentMs = duration<double, std::milli>(steady_clock::now() - noticed).count();
    if (!h.waitFor([&] { return h.board().isRunning(); })) {
        std::printf("FAILED: the board did not come back\n");
        return 1;
    }
    const auto back = steady_clock::now();
    h.board().clearLog();
    if (!h.waitFor([&] { return !loop.isReconnecting() && h.board().exchanges().size() >= 3; })) {
        std::printf("FAILED: the run did not resume\n");
        return 1;
    }
    const auto resumed = steady_clock::now();
    std::printf(
        "round %d: loss noticed after %.0f ms; away %.0f ms, program thread busy %.2f ms of it "
        "(%.4f%%); pair and first request %.0f ms after the board was back; reconnects %llu\n",
        round, duration<double, std::milli>(noticed - pulled).count(), absentMs,
        duration<double, std::milli>(absentCpu).count(),
        100.0 * duration<double, std::milli>(absentCpu).count() / absentMs,
        duration<double, std::milli>(resumed - back).count(),
        static_cast<unsigned long long>(loop.reconnectCount()));
    h.trigger(h.model().mnuSample);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    for (int round = 1; round <= rounds; ++round) {
        if (run(round, milliseconds(static_cast<long long>(seconds * 1000))) != 0) {
            return 1;
        }
    }
    return 0;
}
