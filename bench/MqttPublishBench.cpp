// Publishing every scan to a broker on localhost: the scan rate with publishing against the
// rate without, in one run (phases alternate, so drift and machine load fall on both alike),
// and the latency from the board's last reply of a scan to the subscriber's receipt of it.
// Starts Debian's mosquitto on a free port of 127.0.0.1.
//
//   build/bench/MqttPublishBench [seconds per phase, default 5] [phases, default 6]
//                                [line timing: 1 (default) 9600 baud, 0 full speed]
#include "AppRun.h"
#include "publishing/Payloads.h"
#include "support/MqttBroker.h"

#include <QTemporaryDir>

#include <map>

using namespace quorlin;
using namespace std::chrono;

namespace {

// The volts array of a scan message, as its bytes stand.
QByteArray voltsOf(const QByteArray& payload) {
    const qsizetype from = payload.indexOf("\"volts\":[");
    const qsizetype to = payload.indexOf(']', from);
    return from < 0 || to < 0 ? QByteArray() : payload.mid(from + 9, to - from - 9);
}

}  // namespace

int main(int argc, char* argv[]) {
    bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    const int phases = argc > 2 ? std::max(2, std::atoi(argv[2])) : 6;
    const bool lineTiming = argc > 3 ? std::atoi(argv[3]) != 0 : true;
    bench::printLoad();

    QTemporaryDir dir;
    test::MosquittoBroker broker(dir.path());
    const QString brokerFailure = broker.start();
    if (!brokerFailure.isEmpty()) {
        std::printf("FAILED: %s\n", qPrintable(brokerFailure));
        return 1;
    }
    const QString topic = QStringLiteral("quorlin-bench/rig");
    test::MqttSubscriber sub;
    struct Receipt {
        QByteArray volts;
        steady_clock::time_point at;
    };
    std::vector<Receipt> receipts;
    std::mutex receiptsMutex;
    sub.setOnMessage([&](const test::ReceivedMessage& m) {
        if (m.topic.endsWith("/scan")) {
            std::lock_guard lock(receiptsMutex);
            receipts.push_back({voltsOf(m.payload), m.at});
        }
    });
    if (!sub.subscribe(QStringLiteral("127.0.0.1"), broker.port(), topic + "/#").isEmpty()) {
        std::printf("FAILED: no subscription\n");
        return 1;
    }

    test::AppHarness h;
    h.writeDefaultConfig({});
    if (!h.start()) {
        std::printf("FAILED: the program or the board did not start\n");
        return 1;
    }
    for (int k = 0; k < kChannelCount; ++k) {
        h.board().setSource(k, sim::Source::noise(0x2000, 3000, static_cast<uint32_t>(k + 1)));
    }
    h.board().setTiming({lineTiming, {}, {}});
    h.show();
    h.waitFor([&] { return h.board().totalReceived() >= 2; });
    h.pump(milliseconds(200));
    h.board().clearLog();
    h.trigger(h.model().mnuSample);
    if (!h.engine().isSampling()) {
        std::printf("FAILED: sampling did not start\n");
        return 1;
    }
    h.pump(milliseconds(500));

    const MqttSettings publishing{broker.url(), topic, 0, 0, {}, {}};
    quint64 scansOn = 0;
    quint64 scansOff = 0;
    double secondsOn = 0;
    double secondsOff = 0;
    for (int phase = 0; phase < phases; ++phase) {
        const bool on = phase % 2 == 1;
        h.engine().setPublishing(on ? publishing : MqttSettings{});
        h.settle();
        const quint64 scans0 = h.engine().scanCount();
        const auto t0 = steady_clock::now();
        h.pump(seconds * 1000ms);
        const double s = duration<double>(steady_clock::now() - t0).count();
        const quint64 scans = h.engine().scanCount() - scans0;
        (on ? scansOn : scansOff) += scans;
        (on ? secondsOn : secondsOff) += s;
        std::printf("phase %d publishing %-3s: %llu scans in %.2f s = %.2f scans/s\n", phase,
                    on ? "on" : "off", static_cast<unsigned long long>(scans), s, scans / s);
    }
    h.engine().setPublishing({});
    h.trigger(h.model().mnuSample);
    h.pump(milliseconds(500));
    const PublishHealth& health = h.engine().publishHealth();

    const double rateOn = scansOn / secondsOn;
    const double rateOff = scansOff / secondsOff;
    std::printf(
        "line timing %s: with publishing %.2f scans/s, without %.2f scans/s, ratio %.4f "
        "(target >= 0.99); sent %llu, dropped %llu\n",
        lineTiming ? "9600 baud" : "off", rateOn, rateOff, rateOn / rateOff,
        static_cast<unsigned long long>(health.sent()),
        static_cast<unsigned long long>(health.dropped()));

    // The board's scans by their volts, with the moment the last reply was written.
    std::map<QByteArray, steady_clock::time_point> replied;
    QByteArray volts;
    int next = 0;
    for (const sim::Exchange& e : h.board().exchanges()) {
        if (e.channel < 0 || !e.good || e.channel != next) {
            next = 0;
            volts.clear();
            continue;
        }
        volts += (next ? "," : "") + jsonNumber(sim::rawToVolts(e.raw));
        next = (next + 1) % kChannelCount;
        if (next == 0) {
            replied[volts] = e.repliedAt;
            volts.clear();
        }
    }
    std::vector<double> latencyMs;
    {
        std::lock_guard lock(receiptsMutex);
        for (const Receipt& r : receipts) {
            const auto it = replied.find(r.volts);
            if (it != replied.end()) {
                latencyMs.push_back(duration<double, std::milli>(r.at - it->second).count());
            }
        }
        std::printf("scan messages received %zu, matched to the board's replies %zu\n",
                    receipts.size(), latencyMs.size());
    }
    std::sort(latencyMs.begin(), latencyMs.end());
    std::printf("latency last reply -> subscriber: median %.2f ms, p99 %.2f ms, max %.2f ms\n",
                bench::percentile(latencyMs, 50), bench::percentile(latencyMs, 99),
                latencyMs.empty() ? 0.0 : latencyMs.back());
    bench::printLoad();
    return 0;
}
