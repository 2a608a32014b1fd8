#include "app/HeadlessRun.h"

#include "acquisition/AcquisitionEngine.h"
#include "app/AppErrorHandler.h"
#include "app/Version.h"
#include "common/AppError.h"
#include "common/NumberText.h"
#include "common/Rounding.h"
#include "config/ConfigFile.h"
#include "device/BoardProtocol.h"
#include "display/RunStatusModel.h"
#include "platform/DeviceLock.h"
#include "platform/FileDialog.h"
#include "platform/PortDevice.h"
#include "platform/QtSerialPort.h"
#include "platform/QtTimer.h"
#include "publishing/MqttOptions.h"
#include "recording/DailyFileName.h"
#include "recording/DataFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMap>

#include <algorithm>

namespace quorlin {

namespace {

// The port number a --device run binds its device to.
constexpr qint16 kDevicePort = 1;

// --device: the device is bound to one port number, and nothing is read from or written to
// the per-user store.
class DeviceStore : public SettingsStore {
  public:
    explicit DeviceStore(const QString& device) {
        values_[QStringLiteral("Ports/%1").arg(kDevicePort)] = device;
    }
    QString value(const QString& section, const QString& key, const QString& def) override {
        return values_.value(section + u'/' + key, def);
    }
    void setValue(const QString& section, const QString& key, const QString& value) override {
        values_[section + u'/' + key] = value;
    }

  private:
    QMap<QString, QString> values_;
};

// The save dialog of the window, answered with the file the run was given.
class GivenFile : public FileDialog {
  public:
    explicit GivenFile(const QString& path) : path_(path) {}
    QString showSave(const FileDialogRequest&) override { return path_; }
    QString showOpen(const FileDialogRequest&) override { return {}; }

  private:
    const QString& path_;
};

// The line numbers of the comment lines: a file whose lines there do not start with an
// apostrophe is no configuration file, whatever else it holds.
QList<int> commentLineNumbers() {
    const QStringList lines = configFileLines(SettingsModel{}, true);
    QList<int> numbers;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].startsWith(u'\'')) {
            numbers << static_cast<int>(i + 1);
        }
    }
    return numbers;
}

// Empty when `folder` exists and a file can be made in it; else what is wrong.
QString folderProblem(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir()) {
        return QStringLiteral("does not exist");
    }
    if (!info.isWritable()) {
        return QStringLiteral("is not writable");
    }
    return {};
}

}  // namespace

HeadlessRun::HeadlessRun(HeadlessOptions options, AppFolders folders, HeadlessPlatform platform)
    : options_(std::move(options)),
      folders_(std::move(folders)),
      platform_(std::move(platform)),
      log_(*platform_.clock, platform_.writeLine) {
    if (!platform_.notifier) {
        platform_.notifier = std::make_unique<SystemdNotifier>();
    }
    store_ = platform_.store.get();
    if (!options_.device.isEmpty()) {
        deviceStore_ = std::make_unique<DeviceStore>(options_.device);
        store_ = deviceStore_.get();
    }
    ports_ = std::make_unique<QtSerialPortFactory>(*store_, gate_);
    timers_ = std::make_unique<QtTimerFactory>(gate_);
    messages_ = std::make_unique<LogMessageBox>(log_);
    errorLog_ = std::make_unique<AppErrorHandler>(folders_, settings_, *platform_.clock, *messages_,
                                                  [this] { stop(); });
    reports_ = std::make_unique<HeadlessReports>(*errorLog_, log_);
    reports_->setReported([this](const QString& source) {
        rowsFailed_ = rowsFailed_ || source == QLatin1String("WriteToFile");
    });
    fileDialog_ = std::make_unique<GivenFile>(chosenPath_);
    dataFile_ =
        std::make_unique<DataFile>(settings_, folders_, *platform_.clock, *errorLog_, *fileDialog_);

    waitTimer_.setSingleShot(true);
    connect(&waitTimer_, &QTimer::timeout, this, &HeadlessRun::tryDevice);
    connect(&pulseTimer_, &QTimer::timeout, this, &HeadlessRun::pulse);
    connect(&statusTimer_, &QTimer::timeout, this, &HeadlessRun::statusLine);
    durationTimer_.setSingleShot(true);
    connect(&durationTimer_, &QTimer::timeout, this, [this] {
        log_.info(QStringLiteral("the run's duration is over"));
        stop();
    });
}

HeadlessRun::~HeadlessRun() {
    engine_.reset();  // before the platform it uses
}

quint64 HeadlessRun::scanCount() const {
    return stopped_ || !engine_ ? finalScans_ : engine_->scanCount();
}

int HeadlessRun::start() {
    Clock& clock = *platform_.clock;
    settings_.VersionText = BuildVersionText();
    settings_.DataIntervalUnit = QStringLiteral("No Restriction");
    if (const int code = loadConfiguration(); code != ExitCode::Ok) {
        return code;
    }
    if (const int code = checkFolders(); code != ExitCode::Ok) {
        return code;
    }
    const MqttOptionsResult mqtt = mqttSettingsFromOptions(options_.mqtt);
    if (!mqtt.error.isEmpty()) {
        log_.error(mqtt.error);
        return ExitCode::BadConfiguration;
    }
    if (!options_.device.isEmpty()) {
        settings_.CurrentCommPort = kDevicePort;
    } else if (options_.port != 0) {
        settings_.CurrentCommPort = options_.port;
    } else {
        const QString stored = store_->value(
            QStringLiteral("Startup"), QStringLiteral("CurrentCommPort"), QStringLiteral("1"));
        try {
            settings_.CurrentCommPort = toInt16(leadingNumber(stored));
        } catch (const AppError&) {
            settings_.CurrentCommPort = 0;
        }
        if (settings_.CurrentCommPort < 1 || settings_.CurrentCommPort > 16) {
            log_.error(QStringLiteral("no serial port chosen: the stored port is '%1'; give "
                                      "--port N or --device PATH")
                           .arg(stored));
            return ExitCode::Usage;
        }
    }
    device_ = portDeviceName(settings_.CurrentCommPort, *store_);
    lock_ = std::make_unique<DeviceLock>(device_);
    if (!lock_->acquire()) {
        log_.error(QStringLiteral("the device %1 is in use by another headless run, %2: a "
                                  "second run on it is refused")
                       .arg(lock_->device(), lock_->holder()));
        return ExitCode::DeviceHeld;
    }
    settings_.DataIntervalMs = options_.intervalMs;
    engine_ = std::make_unique<AcquisitionEngine>(
        EngineParts{*ports_, *timers_, *platform_.clock, folders_, {}, {}}, *reports_);
    connect(engine_.get(), &AcquisitionEngine::startAnswered, this, &HeadlessRun::onStartAnswered);
    if (!mqtt.settings.url.isEmpty()) {
        engine_->setPublishing(mqtt.settings);
        log_.info(QStringLiteral("publishing every scan to %1").arg(mqtt.settings.url));
    }
    connect(engine_.get(), &AcquisitionEngine::dataFileStarted, this, [this](const QString& path) {
        dataPath_ = path;
        log_.info(QStringLiteral("recording to %1").arg(path));
    });
    connect(engine_.get(), &AcquisitionEngine::peakFileWritten, this, [this](const QString& path) {
        log_.info(QStringLiteral("peak file written: %1").arg(path));
    });
    if (!options_.dataFile.isEmpty()) {
        const QDate today = clock.localNow().date();
        const QString given = QFileInfo(options_.dataFile).absoluteFilePath();
        if (!openDataFile(options_.daily ? unusedDailyDataFilePath(given, today) : given)) {
            return ExitCode::DataFolder;
        }
        engine_->applySettings(settings_);
        if (options_.daily) {
            engine_->recordDaily(given, today);
        }
    }
    if (options_.peak) {
        settings_.PeakOn = true;
        engine_->peakOn(settings_);
    }
    startMs_ = clock.tickMs();
    if (options_.durationSeconds > 0) {
        durationTimer_.start(static_cast<int>(std::min(options_.durationSeconds * 1000.0, 2.0e9)));
    }
    tryDevice();
    return -1;
}

int HeadlessRun::loadConfiguration() {
    const QString path = options_.configFile.isEmpty()
                             ? folders_.defaultConfig()
                             : QFileInfo(options_.configFile).absoluteFilePath();
    auto bad = [&](const QString& what) {
        log_.error(
            QStringLiteral("configuration file %1: %2; nothing is recorded").arg(path, what));
        return ExitCode::BadConfiguration;
    };
    if (!QFileInfo::exists(path)) {
        return bad(QStringLiteral("missing"));
    }
    QStringList lines;
    try {
        lines = readConfigLines(path);
    } catch (const AppError& e) {
        return bad(QStringLiteral("cannot be read: %1").arg(e.description));
    }
    for (const int n : commentLineNumbers()) {
        if (n <= lines.size() && !lines[n - 1].startsWith(u'\'')) {
            return bad(QStringLiteral("line %1: not a configuration file (a comment line "
                                      "starting with ' was expected)")
                           .arg(n));
        }
    }
    int failed = 0;
    try {
        applyConfigLines(lines, settings_, &failed);
    } catch (const AppError& e) {
        return bad(QStringLiteral("line %1: %2").arg(failed).arg(e.description));
    }
    if (std::none_of(settings_.ChannelActive.begin(), settings_.ChannelActive.end(),
                     [](qint16 a) { return a == 1; })) {
        return bad(QStringLiteral("lines 46-53: no active channels have been selected"));
    }
    log_.info(QStringLiteral("configuration read from %1").arg(path));
    return ExitCode::Ok;
}

int HeadlessRun::checkFolders() {
    if (const QString what = folderProblem(folders_.root()); !what.isEmpty()) {
        log_.error(QStringLiteral("application folder %1 %2").arg(folders_.root(), what));
        return ExitCode::DataFolder;
    }
    try {
        folders_.createFolders();
    } catch (const AppError& e) {
        log_.error(e.description);
        return ExitCode::DataFolder;
    }
    if (!options_.dataFile.isEmpty()) {
        const QString folder = QFileInfo(options_.dataFile).absolutePath();
        if (const QString what = folderProblem(folder); !what.isEmpty()) {
            log_.error(QStringLiteral("data folder %1 %2").arg(folder, what));
            return ExitCode::DataFolder;
        }
    }
    return ExitCode::Ok;
}

bool HeadlessRun::openDataFile(const QString& path) {
    chosenPath_ = path;
    if (dataFile_->ChooseDataFile().isEmpty()) {
        log_.error(QStringLiteral("data file %1 cannot be created").arg(path));
        return false;
    }
    settings_.DataFileInUse = true;
    dataPath_ = path;
    log_.info(QStringLiteral("recording to %1").arg(path));
    return true;
}

PerChannel<bool> HeadlessRun::activeChannels() const {
    PerChannel<bool> checked{};
    for (int c = 0; c < kChannelCount; ++c) {
        checked[c] = settings_.ChannelActive[c] == 1;
    }
    return checked;
}

void HeadlessRun::tryDevice() {
    if (!stopped_) {
        engine_->startSampling(settings_, activeChannels());
    }
}

void HeadlessRun::onStartAnswered(bool sampling, const QString& absent) {
    if (stopped_) {
        return;
    }
    if (!absent.isEmpty()) {
        if (!waitSaid_) {
            waitSaid_ = true;
            log_.warning(QStringLiteral("waiting for the device %1: %2").arg(device_, absent));
        }
        waitTimer_.start(kWaitDeviceMs);
        return;
    }
    if (!sampling) {
        log_.error(QStringLiteral("sampling could not start on %1").arg(device_));
        emit finished(ExitCode::Failure);
        return;
    }
    if (waitSaid_) {
        log_.info(QStringLiteral("the device %1 is there").arg(device_));
    }
    log_.info(QStringLiteral("sampling on %1 (serial port %2)")
                  .arg(device_)
                  .arg(settings_.CurrentCommPort));
    pulseTimer_.start(kPulseMs);
    statusMs_ = platform_.clock->tickMs();
    if (options_.statusEverySeconds > 0) {
        statusTimer_.start(options_.statusEverySeconds * 1000);
    }
}

void HeadlessRun::pulse() {
    const quint64 scans = engine_->scanCount();
    const qint64 now = platform_.clock->tickMs();
    if (rowsFailed_ && !engine_->rowsFailing() && engine_->rowsWritten() > 0) {
        rowsFailed_ = false;
        log_.info(QStringLiteral("rows are written to %1 again").arg(dataPath_));
    }
    if (scans == pulseScans_) {
        // The loop stands still: no sign of life, so a watchdog may end the run. Said once
        // unless the line is away, which the loop says itself.
        if (ready_ && !stillSaid_ && !engine_->isReconnecting() && now - lastScanMs_ >= kStillMs) {
            stillSaid_ = true;
            log_.warning(QStringLiteral("no scan from the board on %1 for %2 s")
                             .arg(device_)
                             .arg(kStillMs / 1000));
        }
        return;
    }
    pulseScans_ = scans;
    lastScanMs_ = now;
    if (stillSaid_) {
        stillSaid_ = false;
        log_.info(QStringLiteral("scans come again from %1").arg(device_));
    }
    if (!ready_) {
        ready_ = true;
        log_.info(QStringLiteral("first scan in"));
        platform_.notifier->ready();
    }
    if (now - lastAliveMs_ >= 1000) {
        lastAliveMs_ = now;
        platform_.notifier->alive();
    }
}

RunCounts HeadlessRun::counts() const {
    RunCounts c = engineRunCounts(*engine_);
    c.recording = settings_.DataFileInUse;
    if (c.recording) {
        c.fileBytes = QFileInfo(dataPath_).size();
    }
    return c;
}

void HeadlessRun::statusLine() {
    const qint64 now = platform_.clock->tickMs();
    const RunCounts c = counts();
    const double seconds = static_cast<double>(now - statusMs_) / 1000.0;
    const double rate = seconds > 0 ? static_cast<double>(c.scans - statusScans_) / seconds : -1.0;
    statusMs_ = now;
    statusScans_ = c.scans;
    const QString text = runStatusText(c, rate, lineScanLimit(kLineBaud), (now - startMs_) / 1000);
    log_.info(text);
    platform_.notifier->status(text);
}

void HeadlessRun::stop() {
    if (stopped_) {
        return;
    }
    stopped_ = true;
    waitTimer_.stop();
    durationTimer_.stop();
    pulseTimer_.stop();
    statusTimer_.stop();
    if (!engine_) {
        emit finished(ExitCode::Ok);
        return;
    }
    const bool sampling = engine_->isSampling();
    if (sampling) {
        statusLine();  // the run's final figures
    }
    platform_.notifier->stopping();
    engine_->stopSampling();  // as a Sample click: the peak file, the rows synced, the port closed
    engine_->call([] {});     // the stop is done: the counts are final
    finalScans_ = engine_->scanCount();
    const qint64 rows = engine_->rowsWritten();
    engine_->shutdown();
    QCoreApplication::sendPostedEvents();  // what the engine said last is logged before the end
    log_.info(QStringLiteral("stopped: %1 scans, %2 rows").arg(finalScans_).arg(rows));
    emit finished(ExitCode::Ok);
}

}  // namespace quorlin
