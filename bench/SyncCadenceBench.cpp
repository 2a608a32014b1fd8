// The price of making recorded rows durable: the whole program records every scan against the
// simulated board, once with the data file synced (fdatasync) by the sync scheduler and once
// with a sync that does nothing, rounds alternating. Prints per round the scan rate, the
// syncs done, the longest time a written row waited for its sync, and what the syncs cost.
//
//   build/bench/SyncCadenceBench [seconds per round, default 60] [rounds, default 1]
//                                [free|line, default free: the board answers at once; line:
//                                 paced at 9600 baud]
#include "AppRun.h"
#include "common/TextFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace quorlin;
using namespace std::chrono;

namespace {

struct Round {
    double scansPerSecond = 0;
    quint64 scans = 0;
    qint64 rows = 0;
    qint64 syncs = 0;
    qint64 longestWaitMs = 0;
    double syncMsTotal = 0;
    double syncMsLongest = 0;
    double busyPercent = 0;
    QString failure;
};

Round runRound(bool realSync, int seconds, bool lineTiming) {
    Round r;
    auto sync = [&](const QString& path) {
        if (!realSync) {
            return true;
        }
        const auto t0 = steady_clock::now();
        const bool ok = syncFileData(path);
        const double ms = duration<double, std::milli>(steady_clock::now() - t0).count();
        r.syncMsTotal += ms;
        r.syncMsLongest = std::max(r.syncMsLongest, ms);
        return ok;
    };
    test::AppHarness h({.realChart = qEnvironmentVariableIsEmpty("QUORLIN_BENCH_NO_CHART"),
                        .syncFile = sync,
                        .timedBytes = false});
    h.writeDefaultConfig({});
    if (!h.start()) {
        r.failure = QStringLiteral("the program or the board did not start");
        return r;
    }
    for (int k = 0; k < kChannelCount; ++k) {
        h.board().setSource(k, sim::Source::noise(0x2000, 3000, static_cast<uint32_t>(k + 1)));
    }
    h.board().setTiming({lineTiming, {}, {}});
    h.show();
    if (!h.waitFor([&] { return h.board().totalReceived() >= 2; })) {
        r.failure = QStringLiteral("the samples-averaged commands were not sent");
        return r;
    }
    h.pump(milliseconds(200));
    h.files->answers = {h.appFolder() + QStringLiteral("/bench.csv")};
    h.model().mnuSave->trigger();

    AcquisitionEngine& loop = h.engine();
    const quint64 scans0 = loop.scanCount();
    h.model().mnuSample->trigger();
    const auto cpu0 = bench::threadCpuTime();
    const auto wall0 = steady_clock::now();
    QEventLoop wait;
    QTimer::singleShot(seconds * 1000, &wait, &QEventLoop::quit);
    wait.exec();
    const auto wall = steady_clock::now() - wall0;
    const auto cpu = bench::threadCpuTime() - cpu0;
    r.scans = loop.scanCount() - scans0;
    if (!loop.isSampling()) {
        r.failure = QStringLiteral("sampling stopped on its own");
    }
    h.model().mnuSample->trigger();  // the stop's sync is counted too
    if (!h.box->all.isEmpty()) {
        r.failure = QStringLiteral("the program showed: ") + h.box->all.join(u'|');
    }
    const double s = duration<double>(wall).count();
    r.scansPerSecond = static_cast<double>(r.scans) / s;
    r.rows = h.engine().rowsWritten();
    r.syncs = h.engine().syncFigures().syncs;
    r.longestWaitMs = h.engine().syncFigures().longestWaitMs;
    r.busyPercent = 100.0 * duration<double>(cpu).count() / s;
    return r;
}

void print(const char* name, const Round& r) {
    std::printf(
        "%-12s %8.2f scans/s  %7llu scans  %7lld rows  %4lld syncs  longest wait "
        "%5lld ms  sync time total %7.1f ms, longest %6.2f ms  busy %5.1f%%\n",
        name, r.scansPerSecond, static_cast<unsigned long long>(r.scans),
        static_cast<long long>(r.rows), static_cast<long long>(r.syncs),
        static_cast<long long>(r.longestWaitMs), r.syncMsTotal, r.syncMsLongest, r.busyPercent);
}

}  // namespace

int main(int argc, char* argv[]) {
    bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 1;
    const bool line = argc > 3 && std::strcmp(argv[3], "line") == 0;
    std::printf("%d round(s) of %d s each way, %s\n", rounds, seconds,
                line ? "board paced at 9600 baud" : "board answering at once");
    bench::printLoad();
    double with = 0;
    double without = 0;
    for (int i = 0; i < rounds; ++i) {
        const Round a = runRound(true, seconds, line);
        const Round b = runRound(false, seconds, line);
        for (const Round* r : {&a, &b}) {
            if (!r->failure.isEmpty()) {
                std::printf("FAILED: %s\n", qPrintable(r->failure));
                return 1;
            }
        }
        print("fdatasync", a);
        print("no sync", b);
        with += a.scansPerSecond;
        without += b.scansPerSecond;
    }
    std::printf("mean scan rate: %.2f with syncs, %.2f without (%+.2f%%)\n", with / rounds,
                without / rounds, 100.0 * (with - without) / without);
    bench::printLoad();
    return 0;
}
