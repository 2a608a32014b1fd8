#include "support/AppHarness.h"

#include "config/ConfigFile.h"
#include "display/MainWindow.h"
#include "platform/QtClock.h"
#include "platform/QtSerialPort.h"
#include "platform/QtTimer.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

namespace quorlin::test {

namespace {
using PortLog = AppHarness::PortLog;

// The real serial port, with its writes timed where the program makes them.
class TimedPort : public SerialPort {
  public:
    TimedPort(std::unique_ptr<SerialPort> inner, PortLog& log)
        : inner_(std::move(inner)), log_(log) {
        connect(inner_.get(), &SerialPort::onComm, this, &SerialPort::onComm);
    }
    void setCommPort(qint16 port) override { inner_->setCommPort(port); }
    qint16 commPort() const override { return inner_->commPort(); }
    void setSettings(const QString& s) override { inner_->setSettings(s); }
    void setInputLen(qint16 length) override { inner_->setInputLen(length); }
    bool isOpen() const override { return inner_->isOpen(); }
    void setPortOpen(bool open) override { inner_->setPortOpen(open); }
    void output(const QByteArray& bytes) override {
        inner_->output(bytes);
        const std::lock_guard lock(log_.mutex);
        log_.writes.emplace_back(bytes, std::chrono::steady_clock::now());
        if (log_.onWrite) {
            log_.onWrite(bytes);
        }
    }
    QByteArray input() override {
        QByteArray bytes = inner_->input();
        if (!bytes.isEmpty()) {
            const std::lock_guard lock(log_.mutex);
            log_.reads.emplace_back(bytes, std::chrono::steady_clock::now());
        }
        return bytes;
    }
    void setRThreshold(qint16 n) override { inner_->setRThreshold(n); }
    int commEvent() const override { return inner_->commEvent(); }
    QString deviceName() const override { return inner_->deviceName(); }

  private:
    std::unique_ptr<SerialPort> inner_;
    PortLog& log_;
};

class TimedPortFactory : public SerialPortFactory {
  public:
    TimedPortFactory(std::unique_ptr<SerialPortFactory> inner, PortLog& log)
        : inner_(std::move(inner)), log_(log) {}
    std::unique_ptr<SerialPort> create() override {
        return std::make_unique<TimedPort>(inner_->create(), log_);
    }
    std::unique_ptr<SerialPort> createFor(EventGate& gate) override {
        return std::make_unique<TimedPort>(inner_->createFor(gate), log_);
    }

  private:
    std::unique_ptr<SerialPortFactory> inner_;
    PortLog& log_;
};

class AloneInstance : public SingleInstance {
  public:
    bool acquire() override { return true; }
};

QString harnessBase() {
    const QString b = qEnvironmentVariable("QUORLIN_TEST_TMP", QDir::tempPath());
    QDir().mkpath(b);
    return b + QStringLiteral("/harness-XXXXXX");
}
}  // namespace

AppHarness::AppHarness(AppHarnessOptions options) : options_(options), dir_(harnessBase()) {}

AppHarness::~AppHarness() {
    main_.reset();
    app_.reset();
    board_.stop();
}

void AppHarness::writeDefaultConfig(const std::function<void(SettingsModel&)>& edit) {
    SettingsModel s;
    s.GraphMethod = QStringLiteral("AutoScale");
    s.YAxisUpper = 5;
    s.YAxisLower = -5;
    s.SamplesAveraged = 1;
    s.WriteFileMethod = QStringLiteral("Volts");
    for (int k = 0; k < kChannelCount; ++k) {
        s.Slope[k] = 1;
        s.ChannelActive[k] = 1;
        s.Units[k] = QStringLiteral("V");
    }
    if (edit) {
        edit(s);
    }
    QDir().mkpath(dir_.path() + QStringLiteral("/Logs"));
    writeConfigFile(AppFolders(dir_.path()).defaultConfig(), s, true);
}

bool AppHarness::start() {
    const QString link = options_.boardLink ? dir_.path() + QStringLiteral("/ttyQRL") : QString();
    if (options_.startBoard && !board_.start(link)) {
        return false;
    }
    const bool realChart = options_.realChart;
    app_ = std::make_unique<Application>(
        [&](EventGate& gate, QWidget*) {
            Platform p;
            p.store.reset(store = new MemorySettingsStore);
            p.clock = std::make_unique<QtClock>();
            p.messageBox.reset(box = new RecordingMessageBox);
            auto ports = std::make_unique<QtSerialPortFactory>(*p.store, gate);
            if (options_.timedBytes) {
                p.ports = std::make_unique<TimedPortFactory>(std::move(ports), portLog_);
            } else {
                p.ports = std::move(ports);
            }
            p.instance = std::make_unique<AloneInstance>();
            p.fileDialog.reset(files = new FakeFileDialog);
            p.colourDialog.reset(colours = new FakeColourDialog);
            p.timers = std::make_unique<QtTimerFactory>(gate);
            p.syncFile = options_.syncFile;
            return p;
        },
        AppFolders(dir_.path()), [this] { ++processEnds; });
    if (options_.startBoard) {
        store->setValue(QStringLiteral("Ports"), QString::number(options_.port),
                        link.isEmpty() ? board_.devicePath() : link);
    } else if (!options_.devicePath.isEmpty()) {
        store->setValue(QStringLiteral("Ports"), QString::number(options_.port),
                        options_.devicePath);
    }
    store->setValue(QStringLiteral("Startup"), QStringLiteral("CurrentCommPort"),
                    QString::number(options_.port));
    if (!app_->loadFrame()) {
        return false;
    }
    std::unique_ptr<Chart> chart;
    if (!realChart) {
        auto rc = std::make_unique<RecordingChart>();
        recordingChart = rc.get();
        chart = std::move(rc);
    }
    main_ = std::make_unique<MainWindowAssembly>(*app_, std::move(chart));
    app_->frame().setMainWindow(&main_->window());
    return true;
}

void AppHarness::activate() {
    main_->panel().Activate();
    settle();
}

bool AppHarness::startOnBoard(const std::function<void(SettingsModel&)>& edit) {
    writeDefaultConfig(edit);
    if (!start()) {
        return false;
    }
    activate();
    if (!waitFor([&] { return board_.exchanges().size() >= 2; })) {
        return false;
    }
    board_.clearLog();
    return true;
}

bool AppHarness::startRecording(const QString& path) {
    files->answers = {path};
    trigger(model().mnuSave);
    return settings().DataFileInUse && model().mnuSave->isChecked();
}

void AppHarness::show() {
    app_->frame().show();
    pump(std::chrono::milliseconds(50));
}

bool AppHarness::waitFor(const std::function<bool()>& cond, std::chrono::milliseconds timeout) {
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > timeout.count()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

bool AppHarness::waitForBoardToCatchUp(std::chrono::milliseconds timeout) {
    return waitFor(
        [this] {
            uint64_t written = 0;
            for (const auto& w : writes()) {
                written += static_cast<uint64_t>(w.first.size());
            }
            // At least: bytes from other holders of the device count too.
            return board_.totalReceived() >= written &&
                   board_.exchanges().size() >= board_.received().size();
        },
        timeout);
}

void AppHarness::pump(std::chrono::milliseconds duration) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < duration.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void AppHarness::trigger(QAction* action) {
    action->trigger();
    settle();
}

void AppHarness::settle() {
    app_->engine().call([] {});
    QCoreApplication::sendPostedEvents();
}

bool AppHarness::mainPortOpen() {
    bool open = false;
    engine().call([&] { open = engine().mainPort().isOpen(); });
    return open;
}

AppHarness::TimedBytes AppHarness::writes() const {
    const std::lock_guard lock(portLog_.mutex);
    return portLog_.writes;
}

AppHarness::TimedBytes AppHarness::reads() const {
    const std::lock_guard lock(portLog_.mutex);
    return portLog_.reads;
}

void AppHarness::setOnWrite(std::function<void(const QByteArray&)> onWrite) {
    const std::lock_guard lock(portLog_.mutex);
    portLog_.onWrite = std::move(onWrite);
}

}  // namespace quorlin::test
