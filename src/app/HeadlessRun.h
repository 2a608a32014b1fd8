#pragma once

#include "acquisition/AcquisitionValues.h"
#include "app/CommandLine.h"
#include "app/HeadlessLog.h"
#include "config/SettingsModel.h"
#include "platform/AppFolders.h"
#include "platform/Clock.h"
#include "platform/EventGate.h"
#include "platform/ServiceNotifier.h"
#include "platform/SettingsStore.h"

#include <QDate>
#include <QObject>
#include <QTimer>

#include <memory>

namespace quorlin {

class AppErrorHandler;
class BoardLink;
class ChannelConversion;
class DataFile;
class DeviceLock;
class FileDialog;
class MainWindowModel;
class PeakFile;
class SamplingLoop;
class SerialPort;
class SerialPortFactory;
class SyncScheduler;
class TimerFactory;
class Chart;
struct RunCounts;

// What a run without a window needs from outside; main() gives the real ones, tests fakes.
struct HeadlessPlatform {
    std::unique_ptr<SettingsStore> store;  // where --port and the stored port are looked up
    std::unique_ptr<Clock> clock;
    std::unique_ptr<ServiceNotifier> notifier;
    HeadlessLog::Writer writeLine;  // empty: stderr
};

// The data file of a daily run for a day: NAME-YYYY-MM-DD.csv beside the given file NAME.ext.
QString dailyDataFilePath(const QString& given, const QDate& day);

// One acquisition run without a window: the sampling loop, the conversion without tare, the
// data interval, the data file with its sync and the peak file, as the window runs them,
// reporting through log lines and the service manager instead of boxes.
//
// start() checks what it was given and starts; the run then goes on by itself until
// stop() (SIGTERM, SIGINT, --duration), which ends it as a Sample click ends sampling and
// emits finished(). A device that is absent at start is waited for.
class HeadlessRun : public QObject {
    Q_OBJECT
  public:
    static constexpr int kPulseMs = 250;  // how often the scan count is looked at
    static constexpr int kWaitDeviceMs = 1000;
    static constexpr qint64 kStillMs = 5000;  // no scan for this long is said once

    HeadlessRun(HeadlessOptions options, AppFolders folders, HeadlessPlatform platform);
    ~HeadlessRun() override;

    // -1 when the run has started (or waits for its device); otherwise the exit code of a
    // run that must end now, its reason logged.
    int start();
    // Ends the run: rows synced, the peak file written, the port closed. Then finished(0).
    void stop();

    const QString& device() const { return device_; }
    const QString& dataFilePath() const;
    quint64 scanCount() const;

  signals:
    void finished(int exitCode);

  private:
    int loadConfiguration();
    int checkFolders();
    bool openDataFile(const QString& path);
    void tryDevice();
    void beginSampling();
    void writeRow(const QString& elapsed);
    void pulse();
    void statusLine();
    RunCounts counts() const;

    HeadlessOptions options_;
    AppFolders folders_;
    HeadlessPlatform platform_;
    HeadlessLog log_;
    SettingsModel settings_;
    AcquisitionValues values_;
    EventGate gate_;
    std::unique_ptr<SettingsStore> deviceStore_;  // --device: the one port bound to it
    SettingsStore* store_ = nullptr;
    std::unique_ptr<SerialPortFactory> ports_;
    std::unique_ptr<TimerFactory> timers_;
    std::unique_ptr<LogMessageBox> messages_;
    std::unique_ptr<AppErrorHandler> errorLog_;
    std::unique_ptr<HeadlessErrorHandler> errors_;
    std::unique_ptr<FileDialog> fileDialog_;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<BoardLink> link_;
    std::unique_ptr<MainWindowModel> model_;
    std::unique_ptr<Chart> chart_;
    std::unique_ptr<ChannelConversion> conversion_;
    std::unique_ptr<SyncScheduler> sync_;
    std::unique_ptr<DataFile> dataFile_;
    std::unique_ptr<PeakFile> peakFile_;
    std::unique_ptr<SamplingLoop> loop_;
    std::unique_ptr<DeviceLock> lock_;

    QString device_;
    QString chosenPath_;  // the file the next header goes to
    QDate fileDay_;
    QTimer waitTimer_;
    QTimer pulseTimer_;
    QTimer statusTimer_;
    QTimer durationTimer_;
    bool waitSaid_ = false;
    bool ready_ = false;
    bool stillSaid_ = false;
    qint64 lastScanMs_ = 0;
    bool stopped_ = false;
    quint64 pulseScans_ = 0;
    qint64 lastAliveMs_ = 0;
    qint64 startMs_ = 0;
    qint64 statusMs_ = 0;
    quint64 statusScans_ = 0;
};

}  // namespace quorlin
