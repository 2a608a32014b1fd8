// Acquisition under window load: the whole program sampling the simulated board at 9600 baud
// (line timing) while the window's thread is kept busy in one way after another. For each load
// the scan rate as a share of the idle rate measured in the same run, and the turnaround (the
// board's last reply byte to the next request byte) at the 50th and 99th percentile, and the
// board's own time from request to last reply byte (evidence that the simulator kept to the
// line's timing, so that the figures are the program's), and the share of the phase's time
// that the host of a virtual machine took from its cores (above a fraction of a percent, the
// phase measured the host, not the program).
//
//   build/bench/WindowLoadBench [seconds per load, default 5]
// The review file's phase lasts until the file is loaded, at least that long.
#include "AppRun.h"
#include "RecordedFile.h"

#include "display/ChartView.h"
#include "display/DataReviewWindow.h"
#include "display/MainWindow.h"
#include "platform/EventGate.h"
#include "platform/QCustomPlotChart.h"

#include <qcustomplot.h>
#include <QDialog>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QThread>
#include <QWheelEvent>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace quorlin;
using Steady = std::chrono::steady_clock;

struct Phase {
    const char* name;
    Steady::time_point from, to;
    double stolen = 0;  // seconds the host took from the machine's cores meanwhile
};

// Sleeps on every paint of the widgets it watches: a window thread made slow on purpose.
class SlowPaint : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* e) override {
        if (on && e->type() == QEvent::Paint) {
            QThread::msleep(50);
        }
        return false;
    }
    bool on = false;
};

void runFor(std::chrono::milliseconds d, const std::function<void()>& tick = {}) {
    QEventLoop loop;
    QTimer work;
    if (tick) {
        QObject::connect(&work, &QTimer::timeout, tick);
        work.start(10);
    }
    QTimer::singleShot(d, &loop, &QEventLoop::quit);
    loop.exec();
}

// One step of an operator working a chart: the pointer moves (the readout follows it), every
// few steps a wheel notch zooms in or out, and a drag pans.
void workChart(QCustomPlot* plot, int step) {
    const QRect area = plot->axisRect()->rect();
    const QPointF at(area.left() + 20 + (step * 7) % (area.width() - 40),
                     area.top() + 20 + (step * 3) % (area.height() - 40));
    auto mouse = [&](QEvent::Type type, QPointF where, Qt::MouseButton button,
                     Qt::MouseButtons buttons) {
        QMouseEvent e(type, where, plot->mapToGlobal(where), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(plot, &e);
    };
    mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    if (step % 4 == 0) {
        QWheelEvent wheel(at, plot->mapToGlobal(at), {}, {0, step % 40 < 20 ? 120 : -120},
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(plot, &wheel);
    } else if (step % 4 == 2) {
        const QPointF to = at + QPointF(step % 8 < 4 ? 30 : -30, 0);
        mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const std::chrono::milliseconds each(1000 * (argc > 1 ? std::atoi(argv[1]) : 5));
    bench::printLoad();
    // Written before the run so that writing it is not one of the loads.
    QTemporaryDir reviewDir;
    const QString reviewPath = reviewDir.filePath(QStringLiteral("review.csv"));
    // 900,000 rows 672 ms apart: about 90 MB over a week.
    if (!bench::writeRecordedFile(reviewPath, 900'000, 672)) {
        return 1;
    }
    test::AppHarness h({.timedBytes = false});
    h.writeDefaultConfig({});
    if (!h.start()) {
        return 1;
    }
    for (int k = 0; k < kChannelCount; ++k) {
        h.board().setSource(k, sim::Source::noise(0x2000, 3000, static_cast<uint32_t>(k + 1)));
    }
    h.board().setTiming({true, {}, {}});
    std::printf("simulated board's thread: %s\n", bench::wakeBoardPromptly());
    h.show();
    h.waitFor([&] { return h.board().totalReceived() >= 2; });
    h.board().clearLog();
    h.trigger(h.model().mnuSample);
    runFor(std::chrono::seconds(1));  // settled

    std::vector<Phase> phases;
    auto phase = [&](const char* name, const std::function<void()>& body) {
        const double stolenBefore = bench::stolenSeconds();
        Phase p{name, Steady::now(), {}};
        body();
        p.to = Steady::now();
        p.stolen = bench::stolenSeconds() - stolenBefore;
        phases.push_back(p);
    };
    phase("idle", [&] { runFor(each); });
    phase("modal dialog open", [&] {
        // As the program's own dialogs and boxes open: holding the window's event gate.
        const EventGate::Hold hold(h.app().eventGate());
        QDialog dialog(&h.main().window());
        QTimer::singleShot(each, &dialog, &QDialog::accept);
        dialog.exec();
    });
    QCustomPlot* live = dynamic_cast<QCustomPlotChart&>(h.main().chart()).customPlot();
    phase("pointer, zoom, pan on chart", [&] {
        int step = 0;
        runFor(each, [&] { workChart(live, step++); });
    });
    phase("review file (90 MB) opening", [&] {
        h.files->answers.push_back(reviewPath);
        h.trigger(h.model().mnuOpenDataFile);
        auto loading = [] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                for (auto* review : w->findChildren<DataReviewWindow*>()) {
                    if (review->model().state() == DataReviewModel::State::Loading) {
                        return true;
                    }
                }
            }
            return false;
        };
        const Steady::time_point from = Steady::now();
        while (loading() || Steady::now() - from < each) {
            runFor(std::chrono::milliseconds(100));
        }
    });
    DataReviewWindow* review = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        for (auto* r : w->findChildren<DataReviewWindow*>()) {
            review = r;
        }
    }
    if (!review) {
        return 1;
    }
    QCustomPlot* reviewPlot = review->chart().customPlot();
    const QCPRange whole = reviewPlot->xAxis->range();
    int zooms = 0;
    phase("week-long review chart worked", [&] {
        int step = 0;
        runFor(each, [&] {
            const double span = reviewPlot->xAxis->range().size();
            workChart(reviewPlot, step++);
            zooms += reviewPlot->xAxis->range().size() != span;
        });
    });
    // Evidence that the chart was worked, not only sent events.
    std::printf("review chart: %.0f s in view at first, %d wheel steps changed the span\n",
                whole.size(), zooms);
    SlowPaint slow;
    for (QWidget* w : h.main().window().findChildren<QWidget*>()) {
        w->installEventFilter(&slow);
    }
    phase("50 ms sleep per paint", [&] {
        slow.on = true;
        runFor(each, [&] { h.main().window().update(); });
        slow.on = false;
    });
    h.trigger(h.model().mnuSample);
    const std::vector<sim::Exchange> log = h.board().exchanges();

    double idleRate = 0;
    std::printf("%-28s %9s %7s %10s %10s %12s %12s %8s\n", "load", "scans/s", "share", "p50 us",
                "p99 us", "board p50 us", "board p99 us", "stolen");
    for (const Phase& p : phases) {
        int scans = 0;
        std::vector<double> turns;
        std::vector<double> replies;  // the board's own time: request read to last reply byte
        for (size_t i = 1; i < log.size(); ++i) {
            if (log[i].at < p.from || log[i].at >= p.to) {
                continue;
            }
            if (log[i - 1].channel == kChannelCount - 1 && log[i - 1].good) {
                ++scans;
            }
            if (log[i].good && log[i].repliedAt != Steady::time_point{}) {
                replies.push_back(
                    std::chrono::duration<double, std::micro>(log[i].repliedAt - log[i].at)
                        .count());
            }
            if (log[i - 1].good && log[i - 1].repliedAt != Steady::time_point{}) {
                turns.push_back(
                    std::chrono::duration<double, std::micro>(log[i].at - log[i - 1].repliedAt)
                        .count());
            }
        }
        std::sort(turns.begin(), turns.end());
        std::sort(replies.begin(), replies.end());
        const double seconds = std::chrono::duration<double>(p.to - p.from).count();
        const double rate = scans / seconds;
        if (idleRate == 0) {
            idleRate = rate;
        }
        std::printf("%-28s %9.2f %7.3f %10.1f %10.1f %12.1f %12.1f %7.1f%%\n", p.name, rate,
                    idleRate > 0 ? rate / idleRate : 0.0, bench::percentile(turns, 50),
                    bench::percentile(turns, 99), bench::percentile(replies, 50),
                    bench::percentile(replies, 99), 100 * p.stolen / seconds);
    }
    bench::printLoad();
    return 0;
}
