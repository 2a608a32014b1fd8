// Fast-forward soak of the "Continuous" chart: a week of scans at 28.8 scans per second
// (17.4 million) pushed through the real plot history and chart, without the serial line.
// Prints resident memory and bytes per scan at one day and at the end, the cost per scan at
// the start and at the end, and the time to redraw the whole run on a 1,400-pixel-wide
// chart.
//
//   SoakBench [days, default 7]
//
// The chart is redrawn once per simulated second (a screen redraws more often, but a redraw
// between scans only repaints the pixel columns that changed, so its share per scan is what
// matters); the costs per scan include those redraws.
#include "acquisition/AcquisitionValues.h"
#include "common/ErrorHandler.h"
#include "common/NumberText.h"
#include "common/Rounding.h"
#include "display/PlotArrays.h"
#include "platform/QCustomPlotChart.h"

#include <qcustomplot.h>
#include <QApplication>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <random>
#include <vector>

namespace quorlin {
namespace {

constexpr double kScansPerSecond = 28.8;
constexpr qint64 kScansPerDay = 2488320;  // 28.8 * 86400
constexpr int kRedrawEvery = 29;          // scans: about once per simulated second
constexpr qint64 kCostWindow = 200000;    // scans timed at the start and at the end

class CountingErrors : public ErrorHandler {
  public:
    void SimpleErrorHandler(qint32, const QString&, const QString& source,
                            const QString& description) override {
        std::fprintf(stderr, "error: %s %s\n", qPrintable(source), qPrintable(description));
        ++count;
    }
    int count = 0;
};

double residentMB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A board channel: a slow drift over hours, noise of a few counts, and now and then a
// spike; quantised to the board's 0.61 mV steps within +-5 V.
class Channel {
  public:
    explicit Channel(unsigned seed) : rng_(seed), level_(-3.0 + seed * 0.7) {}
    double next(qint64 scan) {
        const double drift = std::sin(static_cast<double>(scan) / (kScansPerSecond * 3600)) * 0.8;
        double v = level_ + drift + noise_(rng_);
        if (spike_(rng_) == 0) {
            v += (rng_() % 2 ? 1 : -1) * 1.5;
        }
        const double step = 10.0 / 16384;
        return std::clamp(std::round(v / step) * step, -5.0, 5.0 - step);
    }

  private:
    std::mt19937 rng_;
    double level_;
    std::normal_distribution<double> noise_{0.0, 0.002};
    std::uniform_int_distribution<int> spike_{0, 4999};
};

struct Window {
    double cpu = 0;
    double wall = 0;
};

int run(int days) {
    QCustomPlotChart chart;
    QCustomPlot* plot = chart.customPlot();
    const QSize size(1400, 500);
    plot->resize(size);
    plot->setViewport(QRect(QPoint(0, 0), size));  // a hidden widget gets no resize event
    chart.setXAutoRange();
    AcquisitionValues values;
    CountingErrors errors;
    PlotArrays plots(values, chart, errors);
    std::vector<Channel> channels;
    for (int k = 0; k < kChannelCount; ++k) {
        channels.emplace_back(static_cast<unsigned>(k + 1));
    }
    const qint64 scans = kScansPerDay * days;
    const double startMB = residentMB();
    std::printf("scans %lld (%d days at %.1f scans/s), resident at start %.1f MB\n",
                static_cast<long long>(scans), days, kScansPerSecond, startMB);

    auto historyBytes = [&] {
        std::size_t bytes = chart.memoryBytes();
        for (const auto& t : plots.PlotHistory()) {
            bytes += t->memoryBytes();
        }
        return static_cast<double>(bytes);
    };
    auto report = [&](const char* when, qint64 done) {
        const double mb = residentMB();
        std::printf(
            "%s: resident %.1f MB, %.1f bytes per scan (resident growth), %.1f bytes "
            "per scan (history and drawing structures counted)\n",
            when, mb, (mb - startMB) * 1e6 / static_cast<double>(done),
            historyBytes() / static_cast<double>(done));
        std::fflush(stdout);
    };
    Window first;
    Window last;
    Window* timing = nullptr;
    double cpu0 = 0;
    double wall0 = 0;
    const double runStart = wallSeconds();
    for (qint64 scan = 0; scan < scans; ++scan) {
        if (scan == 0 || scan == scans - kCostWindow) {
            timing = scan == 0 ? &first : &last;
            cpu0 = threadSeconds();
            wall0 = wallSeconds();
        }
        values.ElapsedTimeText =
            shortNumberText(roundHalfEven(static_cast<double>(scan) / kScansPerSecond, 2));
        for (int k = 0; k < kChannelCount; ++k) {
            values.ChannelVolts[k] = channels[static_cast<std::size_t>(k)].next(scan);
        }
        plots.PlotVoltArrays();
        if (scan % kRedrawEvery == 0) {
            chart.redrawNow();
        }
        if (timing && (scan + 1) % kCostWindow == 0) {
            timing->cpu = threadSeconds() - cpu0;
            timing->wall = wallSeconds() - wall0;
            timing = nullptr;
        }
        if (scan + 1 == kScansPerDay) {
            report("1 day", scan + 1);
        }
    }
    report(days == 1 ? "end" : "7 days", scans);
    const double toMicros = 1e6 / static_cast<double>(kCostWindow);
    std::printf(
        "cost per scan (incl. a redraw per second), first %lld scans: %.2f us CPU "
        "(%.2f us wall); last %lld scans: %.2f us CPU (%.2f us wall); ratio %.2f\n",
        static_cast<long long>(kCostWindow), first.cpu * toMicros, first.wall * toMicros,
        static_cast<long long>(kCostWindow), last.cpu * toMicros, last.wall * toMicros,
        last.cpu / first.cpu);

    // The whole run redrawn from scratch, as after a new X range: the axis alternates
    // between two ranges over the whole run so every redraw paints the plots as a whole.
    const double span = static_cast<double>(scans) / kScansPerSecond;
    std::vector<double> redraws;
    for (int i = 0; i < 21; ++i) {
        chart.setXRange(0, span * (i % 2 ? 1.0 : 1.001));
        const double t0 = wallSeconds();
        chart.redrawNow();
        redraws.push_back(wallSeconds() - t0);
    }
    std::sort(redraws.begin(), redraws.end());
    std::printf(
        "redraw of the whole run, 1400 px wide, 8 plots: median %.2f ms, best %.2f ms "
        "(%lld points drawn on plot 1)\n",
        redraws[redraws.size() / 2] * 1e3, redraws.front() * 1e3,
        static_cast<long long>(chart.drawnPointCount(1)));
    std::printf("run took %.0f s wall; %d errors reported\n", wallSeconds() - runStart,
                errors.count);
    return errors.count == 0 ? 0 : 1;
}

}  // namespace
}  // namespace quorlin

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int days = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    return quorlin::run(days);
}
