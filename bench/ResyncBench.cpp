// What a bad reply costs the run. The whole program samples the simulated board, which paces
// every byte at 9600 baud as a UART sends them, while faults are injected: first one stray
// byte before every 40th reply for a while (requests asked again per stray byte, scans per
// second against the line's limit), then each fault kind alone, a few times over (requests
// asked again per fault and the time the run lost to it). A run's requests asked again are
// the loop's own count; its time lost is the time beyond what its other requests take on a
// clean line.
//
//   build/bench/ResyncBench [seconds of the stray-byte run, default 20] [repeats of each kind,
//   default 5]
#include "AppRun.h"

#include "acquisition/AcquisitionEngine.h"
#include "device/BoardProtocol.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>

using namespace quorlin;
using namespace std::chrono;

namespace {

struct Run {
    test::AppHarness h{{.realChart = false, .timedBytes = false}};
    bool ok = false;

    Run() {
        h.writeDefaultConfig({});
        h.board().setTiming({true, {}, {}});
        if (!h.start()) {
            return;
        }
        h.show();
        h.pump(milliseconds(300));
        h.trigger(h.model().mnuSample);
        ok = h.engine().isSampling() && h.waitFor([&] { return h.engine().scanCount() >= 3; });
    }
    AcquisitionEngine& loop() { return h.engine(); }
};

// One stray byte before every 40th reply for `seconds`.
int strayEvery40th(int seconds) {
    Run r;
    if (!r.ok) {
        std::printf("FAILED: sampling did not start\n");
        return 1;
    }
    std::atomic<bool> done{false};
    std::atomic<int> faults{0};
    const quint64 repeats0 = r.loop().repeatCount();
    const quint64 scans0 = r.loop().scanCount();
    const auto t0 = steady_clock::now();
    std::thread injector([&] {
        size_t next = r.h.board().exchanges().size() + 40;
        while (!done) {
            if (r.h.board().waitForRequests(next, milliseconds(100))) {
                r.h.board().injectFault(sim::Fault::StrayByteBefore);
                ++faults;
                next += 40;
            }
        }
    });
    r.h.pump(seconds * 1000ms);
    done = true;
    injector.join();
    const double s = duration<double>(steady_clock::now() - t0).count();
    const double repeats = static_cast<double>(r.loop().repeatCount() - repeats0);
    const double rate = static_cast<double>(r.loop().scanCount() - scans0) / s;
    // Each fault adds its stray byte and one request asked again with its reply: 5 bytes.
    const double limit = lineScanLimit(kLineBaud);
    const double scanBytes = 4.0 * kChannelCount;
    const double faultsPerScan = faults / (rate * s);
    const double limitWithFaults = limit * scanBytes / (scanBytes + faultsPerScan * 5.0);
    std::printf(
        "stray byte before every 40th reply, %.0f s: faults %d, asked again %.0f (%.2f per "
        "fault), %.2f scans/s; line limit %.1f, %.2f for these faults (%.1f %% below it)\n",
        s, faults.load(), repeats, faults > 0 ? repeats / faults : 0.0, rate, limit,
        limitWithFaults, 100.0 * (1.0 - rate / limitWithFaults));
    return 0;
}

struct Kind {
    const char* name;
    std::optional<sim::Fault> fault;
};

int eachKind(int times) {
    const Kind kinds[] = {
        {"no fault", std::nullopt},
        {"stray byte", sim::Fault::StrayByteBefore},
        {"short reply", sim::Fault::ShortReply},
        {"long reply", sim::Fault::LongReply},
        {"wrong marker", sim::Fault::WrongMarker},
        {"50 noise bytes", sim::Fault::NoiseBefore},
    };
    Run r;
    if (!r.ok) {
        std::printf("FAILED: sampling did not start\n");
        return 1;
    }
    double perGoodMs = 0;  // a request and its good reply on a clean line, turnaround included
    for (const Kind& k : kinds) {
        double worst = 0;
        double lostMs = 0;
        for (int i = 0; i < times; ++i) {
            r.h.pump(200ms);  // the run settles after the last fault
            sim::BoardSim& board = r.h.board();
            const quint64 repeats0 = r.loop().repeatCount();
            const size_t from = board.exchanges().size();
            if (k.fault) {
                board.injectFault(*k.fault);
            }
            // Two good scans after the fault: its cost has been paid by then.
            const quint64 scans0 = r.loop().scanCount();
            if (!r.h.waitFor([&] { return r.loop().scanCount() >= scans0 + 3; })) {
                std::printf("FAILED: %s stopped the run\n", k.name);
                return 1;
            }
            const auto log = board.exchanges();
            const double spent =
                duration<double, std::milli>(log.back().repliedAt - log[from].at).count();
            const double repeats = static_cast<double>(r.loop().repeatCount() - repeats0);
            // The requests the run went on with, each as long as on a clean line.
            const double taken = static_cast<double>(log.size() - from) - repeats;
            worst = std::max(worst, repeats);
            if (!k.fault) {
                perGoodMs += spent / taken / times;
            } else {
                lostMs += spent - taken * perGoodMs;
            }
        }
        std::printf("%-15s asked again at most %.0f times, %.1f ms lost per fault\n", k.name, worst,
                    lostMs / times);
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    const int times = argc > 2 ? std::atoi(argv[2]) : 5;
    bench::printLoad();
    if (const int failed = strayEvery40th(seconds)) {
        return failed;
    }
    return eachKind(times);
}
