// Cost of handling one reply in the sampling loop, from the receive event to the next request
// written, with in-memory port, chart and clock (no serial line, no window).
#include "BenchSupport.h"
#include "acquisition/SamplingLoop.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

using namespace quorlin;

class MemoryPort : public SerialPort {
  public:
    void setCommPort(qint16 port) override { port_ = port; }
    qint16 commPort() const override { return port_; }
    void setSettings(const QString&) override {}
    void setInputLen(qint16) override {}
    bool isOpen() const override { return open_; }
    void setPortOpen(bool open) override { open_ = open; }
    void output(const QByteArray& bytes) override { last_ = bytes; }
    QByteArray input() override { return std::exchange(pending_, QByteArray()); }
    void setRThreshold(qint16) override {}
    int commEvent() const override { return CommEvent::Receive; }
    void arrive(const QByteArray& bytes) {
        pending_ = bytes;
        emit onComm();
    }

  private:
    qint16 port_ = 0;
    bool open_ = false;
    QByteArray pending_;
    QByteArray last_;
};

class StepClock : public Clock {
  public:
    qint64 tickMs() override { return ++ms_; }
    qint64 counter() override { return counter_ += 1234; }
    qint64 counterFrequency() override { return 1000000; }
    QDateTime localNow() override { return QDateTime(QDate(2026, 1, 1), QTime(0, 0)); }

  private:
    qint64 ms_ = 0;
    qint64 counter_ = 0;
};

class NoErrors : public ErrorHandler {
  public:
    void SimpleErrorHandler(qint32, const QString&, const QString&, const QString&) override {}
};
class NoBoxes : public MessageBox {
  public:
    void showOk(const QString&) override {}
    bool showRetryCancel(const QString&) override { return true; }
};
class IdleTimer : public OneShotTimer {
  public:
    void start(int) override { active_ = true; }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }

  private:
    bool active_ = false;
};
class IdleTimers : public TimerFactory {
  public:
    std::unique_ptr<OneShotTimer> create() override { return std::make_unique<IdleTimer>(); }
};

void BM_ReplyToNextRequest(benchmark::State& state) {
    SettingsModel settings;
    settings.CurrentCommPort = 1;
    settings.GraphMethod = QStringLiteral("AutoScale");
    const bool polynomial = state.range(0) != 0;
    for (int k = 0; k < kChannelCount; ++k) {
        settings.ChannelActive[k] = 1;
        settings.Slope[k] = 2.5;
        settings.PeakDisplay[k] = 2;
        settings.CalibrationMode[k] = polynomial;
        settings.Polynomial[k].PolyOrder = 10;
        settings.Polynomial[k].PolyCoeff.fill(0.5);
    }
    AcquisitionValues values;
    values.CounterFrequency = 1000000;
    ChannelReadings model;
    MemoryPort port;
    StepClock clock;
    NoErrors errors;
    NoBoxes boxes;
    IdleTimers timers;
    EventGate gate;
    BoardLink link(settings, port, clock, errors, boxes);
    ChannelConversion conversion(settings, values, model, clock);
    SamplingLoop loop(settings, values, model, link, clock, errors, boxes, timers, gate, conversion,
                      ScanHooks{});
    for (int k = 0; k < kChannelCount; ++k) {
        model.setChecked(k, true);
    }
    conversion.mnuPeakOn_Click();
    loop.mnuSample_Click();

    // Readings that change every time, so every reply runs the whole display chain.
    QByteArray replies[64];
    for (int i = 0; i < 64; ++i) {
        const int reading = 8192 + i * 97;
        const char bytes[3] = {char(0xFF), char(reading >> 8), char(reading & 0xFF)};
        replies[i] = QByteArray(bytes, 3);
    }
    int i = 0;
    for (auto _ : state) {
        port.arrive(replies[i++ & 63]);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReplyToNextRequest)->Arg(0)->Arg(1)->ArgName("polynomial");

}  // namespace

int main(int argc, char** argv) {
    return quorlin::bench::runBenchmarks(argc, argv);
}
