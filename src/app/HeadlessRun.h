#pragma once

#include "app/CommandLine.h"
#include "app/HeadlessLog.h"
#include "config/SettingsModel.h"
#include "platform/AppFolders.h"
#include "platform/Clock.h"
#include "platform/EventGate.h"
#include "platform/ServiceNotifier.h"
#include "platform/SettingsStore.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace quorlin {

class AcquisitionEngine;
class AppErrorHandler;
class DataFile;
class DeviceLock;
class FileDialog;
class SerialPortFactory;
class TimerFactory;
struct RunCounts;

// What a run without a window needs from outside; main() gives the real ones, tests fakes.
struct HeadlessPlatform {
    std::unique_ptr<SettingsStore> store;  // where --port and the stored port are looked up
    std::unique_ptr<Clock> clock;
    std::unique_ptr<ServiceNotifier> notifier;
    HeadlessLog::Writer writeLine;  // empty: stderr
};

// One acquisition run without a window, on the acquisition engine the window uses: this side
// checks what it was given, writes the data file's header as the window's Save does, sends
// the engine its commands and turns what the engine signals and reports into log lines and
// service notifications.
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
    const QString& dataFilePath() const { return dataPath_; }
    // Scans closed so far; after stop(), those of the whole run.
    quint64 scanCount() const;

  signals:
    void finished(int exitCode);

  private:
    int loadConfiguration();
    int checkFolders();
    bool openDataFile(const QString& path);
    void tryDevice();
    void onStartAnswered(bool sampling, const QString& absent);
    void pulse();
    void statusLine();
    RunCounts counts() const;
    PerChannel<bool> activeChannels() const;

    HeadlessOptions options_;
    AppFolders folders_;
    HeadlessPlatform platform_;
    HeadlessLog log_;
    SettingsModel settings_;
    EventGate gate_;
    std::unique_ptr<SettingsStore> deviceStore_;  // --device: the one port bound to it
    SettingsStore* store_ = nullptr;
    std::unique_ptr<SerialPortFactory> ports_;
    std::unique_ptr<TimerFactory> timers_;
    std::unique_ptr<LogMessageBox> messages_;
    std::unique_ptr<AppErrorHandler> errorLog_;
    std::unique_ptr<HeadlessReports> reports_;
    std::unique_ptr<FileDialog> fileDialog_;
    std::unique_ptr<DataFile> dataFile_;  // writes the first file's header, as Save does
    std::unique_ptr<DeviceLock> lock_;
    std::unique_ptr<AcquisitionEngine> engine_;  // made once the checks have passed

    QString device_;
    QString chosenPath_;  // the file the next header goes to
    QString dataPath_;    // the file rows go into
    QTimer waitTimer_;
    QTimer pulseTimer_;
    QTimer statusTimer_;
    QTimer durationTimer_;
    bool waitSaid_ = false;
    bool ready_ = false;
    bool stillSaid_ = false;
    bool rowsFailed_ = false;  // a row failed since rows were last said to be written
    qint64 lastScanMs_ = 0;
    bool stopped_ = false;
    quint64 finalScans_ = 0;
    quint64 pulseScans_ = 0;
    qint64 lastAliveMs_ = 0;
    qint64 startMs_ = 0;
    qint64 statusMs_ = 0;
    quint64 statusScans_ = 0;
};

}  // namespace quorlin
