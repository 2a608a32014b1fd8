// A long run of the whole program against a simulated board that another process owns (see
// bench/soak.sh, which injects faults through the board's stdin): the main window shown
// offscreen with the real chart, every scan recorded. Prints a line a minute and a summary:
// scans, rows, replies repeated, reconnects, resident memory at the start and the end.
//
//   build/bench/SoakRun DEVICE [minutes, default 30] [AutoScale|Continuous, default
//   Continuous]
#include "AppRun.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

using namespace quorlin;
using namespace std::chrono;

namespace {

// Resident memory of this process in MB.
double residentMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    const double pages = fields.size() > 1 ? fields[1].toDouble() : 0;
    return pages * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
}

}  // namespace

int main(int argc, char* argv[]) {
    bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DEVICE [minutes] [AutoScale|Continuous]\n", argv[0]);
        return 2;
    }
    const QString device = QString::fromLocal8Bit(argv[1]);
    const int minutes = argc > 2 ? std::atoi(argv[2]) : 30;
    const QString method =
        argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("Continuous");

    test::AppHarness h({.startBoard = false, .devicePath = device, .timedBytes = false});
    h.writeDefaultConfig([&](SettingsModel& s) { s.GraphMethod = method; });
    if (!h.start()) {
        std::printf("FAILED: the program did not start\n");
        return 1;
    }
    h.show();
    h.pump(milliseconds(500));
    const QString path = h.appFolder() + QStringLiteral("/soak.csv");
    h.files->answers = {path};
    h.trigger(h.model().mnuSave);

    AcquisitionEngine& loop = h.engine();
    const AcquisitionEngine& data = h.engine();
    const double rssStart = residentMb();
    h.trigger(h.model().mnuSample);
    if (!loop.isSampling()) {
        std::printf("FAILED: sampling did not start\n");
        return 1;
    }
    const auto t0 = steady_clock::now();
    auto report = [&](const char* what) {
        const double s = duration<double>(steady_clock::now() - t0).count();
        std::printf(
            "%s %7.0f s  scans %8llu (%.2f/s)  rows %8lld (%lld bytes)  repeats %6llu  "
            "reconnects %3llu  boxes %lld  rss %.1f MB\n",
            what, s, static_cast<unsigned long long>(loop.scanCount()),
            static_cast<double>(loop.scanCount()) / s, static_cast<long long>(data.rowsWritten()),
            static_cast<long long>(QFileInfo(path).size()),
            static_cast<unsigned long long>(loop.repeatCount()),
            static_cast<unsigned long long>(loop.reconnectCount()),
            static_cast<long long>(h.box->all.size()), residentMb());
        std::fflush(stdout);
    };
    QEventLoop wait;
    QTimer minute;
    QObject::connect(&minute, &QTimer::timeout, &wait, [&] { report("at"); });
    minute.start(60000);
    QTimer::singleShot(minutes * 60000, &wait, &QEventLoop::quit);
    wait.exec();
    minute.stop();
    report("end");
    const double rssEnd = residentMb();
    const bool sampling = loop.isSampling();
    h.trigger(h.model().mnuSample);
    std::printf(
        "summary: %d min, scans %llu, rows %lld, repeats %llu, reconnects %llu, "
        "rss start %.1f MB, end %.1f MB, still sampling at the end: %s\n",
        minutes, static_cast<unsigned long long>(loop.scanCount()),
        static_cast<long long>(data.rowsWritten()),
        static_cast<unsigned long long>(loop.repeatCount()),
        static_cast<unsigned long long>(loop.reconnectCount()), rssStart, rssEnd,
        sampling ? "yes" : "no");
    for (const QString& box : h.box->all) {
        std::printf("box: %s\n", qPrintable(QString(box).replace(u'\n', u' ')));
    }
    return sampling ? 0 : 1;
}
