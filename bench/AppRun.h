#pragma once

// The whole program sampling against the simulated board, for the end-to-end benchmarks:
// the real main window shown offscreen, the real chart, the real serial port and timers, all
// eight channels active and moving. The board's exchange log is the measurement.

#include "common/ThreadScheduling.h"
#include "support/AppHarness.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace quorlin::bench {

// Each bench's main calls this before anything else.
inline void useOffscreenPlatform() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

inline std::chrono::nanoseconds threadCpuTime() {
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

// The simulated board stands in for hardware, whose UART answers on time whatever the
// computer's processors are doing. On a machine with two cores a window thread busy drawing
// would otherwise hold the simulator's thread back, and a bench would measure the simulator's
// late bytes instead of the program. Its thread gets a real-time priority where that is
// allowed, else the short time slice the engine's thread has. Returns what it got.
inline const char* wakeBoardPromptly() {
    const char* got = "none";
    const QString tasks = QStringLiteral("/proc/self/task");
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks + u'/' + tid + QStringLiteral("/comm"));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "board-sim") {
            continue;
        }
        const sched_param realTime{1};
        if (::sched_setscheduler(static_cast<pid_t>(tid.toLong()), SCHED_FIFO, &realTime) == 0) {
            got = "real-time priority";
        } else if (askForShortTimeSlice(tid.toLong())) {
            got = "short time slice";
        }
    }
    return got;
}

// Processor time the host of a virtual machine took from all of this machine's cores, in
// seconds (the steal column of /proc/stat): while it grows, no figure of the program is its own.
inline double stolenSeconds() {
    QFile stat(QStringLiteral("/proc/stat"));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> f = stat.readLine().simplified().split(' ');  // "cpu user nice ..."
    return f.size() > 8 ? f[8].toDouble() / static_cast<double>(::sysconf(_SC_CLK_TCK)) : 0;
}

struct RunOptions {
    QString graphMethod = QStringLiteral("AutoScale");
    bool lineTiming = false;  // the board paces every byte at 9600 baud
    // The run ends when the board has answered this many requests or the time is up.
    size_t replies = 0;
    std::chrono::milliseconds duration{0};
};

struct RunResult {
    std::vector<sim::Exchange> exchanges;  // every byte the board handled while sampling
    std::chrono::nanoseconds elapsed{0};   // from the first request to the last
    // CPU time of the program's thread while sampling, and the wall time it was taken over:
    // what the program itself costs, whatever else loads the machine.
    std::chrono::nanoseconds programCpu{0};
    std::chrono::nanoseconds sampled{0};
    QString failure;  // empty when the run went as planned
};

// The share of the run the program's thread was busy.
inline double busyPercent(const RunResult& run) {
    return run.sampled.count() > 0 ? 100.0 * static_cast<double>(run.programCpu.count()) /
                                         static_cast<double>(run.sampled.count())
                                   : 0.0;
}

inline RunResult runSampling(const RunOptions& options) {
    using namespace std::chrono;
    RunResult result;
    // QUORLIN_BENCH_NO_CHART=1 puts a recording stand-in in the chart's place, to see its share.
    test::AppHarness h({.realChart = qEnvironmentVariableIsEmpty("QUORLIN_BENCH_NO_CHART")});
    h.writeDefaultConfig([&](SettingsModel& s) { s.GraphMethod = options.graphMethod; });
    if (!h.start()) {
        result.failure = QStringLiteral("the program or the board did not start");
        return result;
    }
    // Every reading differs from the last, so every reply changes its row's texts.
    for (int k = 0; k < kChannelCount; ++k) {
        h.board().setSource(k, sim::Source::noise(0x2000, 3000, static_cast<uint32_t>(k + 1)));
    }
    h.board().setTiming({options.lineTiming, {}, {}});
    h.show();  // activates the main window, which sends the samples-averaged command pair
    if (!h.waitFor([&] { return h.board().totalReceived() >= 2; })) {
        result.failure = QStringLiteral("the samples-averaged commands were not sent");
        return result;
    }
    h.pump(milliseconds(200));
    h.board().clearLog();
    const uint64_t before = h.board().totalReceived();

    h.model().mnuSample->trigger();
    if (!h.engine().isSampling()) {
        result.failure = QStringLiteral("sampling did not start");
        return result;
    }
    // The program's own event loop, as in the application; the check is cheap and rare.
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer check;
    check.setInterval(20);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        const uint64_t got = h.board().totalReceived() - before;
        const bool enough = options.replies > 0 && got >= options.replies;
        const bool late =
            options.duration.count() > 0 && clock.elapsed() >= options.duration.count();
        if (enough || late || !h.engine().isSampling()) {
            loop.quit();
        }
    });
    check.start();
    const auto cpu0 = threadCpuTime();
    const auto wall0 = steady_clock::now();
    loop.exec();
    result.programCpu = threadCpuTime() - cpu0;
    result.sampled = steady_clock::now() - wall0;
    check.stop();
    const bool stillSampling = h.engine().isSampling();
    result.exchanges = h.board().exchanges();
    if (stillSampling) {
        h.model().mnuSample->trigger();
    } else {
        result.failure = QStringLiteral("sampling stopped on its own");
    }
    if (!h.box->all.isEmpty()) {
        result.failure = QStringLiteral("the program showed: ") + h.box->all.join(u'|');
    }
    if (result.exchanges.size() >= 2) {
        result.elapsed = result.exchanges.back().at - result.exchanges.front().at;
    }
    return result;
}

// Percentile p (0..100) of sorted values, nearest rank.
template <typename T>
T percentile(const std::vector<T>& sorted, double p) {
    if (sorted.empty()) {
        return T{};
    }
    const auto rank = static_cast<size_t>(p / 100.0 * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(rank, sorted.size() - 1)];
}

inline void printLoad() {
    double load[3] = {};
    if (::getloadavg(load, 3) == 3) {
        std::printf("load average: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    }
}

}  // namespace quorlin::bench
