#pragma once

#include "acquisition/AcquisitionValues.h"
#include "acquisition/ChannelReadings.h"
#include "common/Channel.h"
#include "config/SettingsModel.h"
#include "platform/AppFolders.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "platform/Timer.h"
#include "presentation/MainWindowModel.h"
#include "publishing/MqttClient.h"
#include "publishing/MqttSettings.h"
#include "publishing/PublishHealth.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QThread>

#include <functional>

namespace quorlin {

class BoardLink;
class SamplingLoop;
class EngineCore;

// Where the engine's reports go. Called on the thread that made the engine, in the order they
// were raised, never while the engine waits: a window shows boxes, a run without one logs.
class EngineReports {
  public:
    virtual ~EngineReports() = default;
    // A failure for the error handler (logged, then Retry or Cancel).
    virtual void report(qint32 number, const QString& source, const QString& screen,
                        const QString& description) = 0;
    // A failure the run handles by itself: logged, nothing shown.
    virtual void log(qint32 number, const QString& source, const QString& screen,
                     const QString& description) = 0;
    // A notice with an OK button (a refused start, a failed samples-averaged pair).
    virtual void notice(const QString& text) = 0;
};

// What the engine takes from the outside world. The factories make the engine's port and
// timers on its own thread; the clock is called from both threads.
struct EngineParts {
    SerialPortFactory& ports;
    TimerFactory& timers;
    Clock& clock;
    AppFolders folders;
    std::function<bool(const QString& path)> syncFile;  // empty: fdatasync
    MqttClientFactory mqttClients;                      // empty: libmosquitto
};

// The acquisition engine: the main serial port and its reconnect timer, the sampling loop with
// its watchdog and quiet wait, the board link, the conversion with tare and peaks, the data
// interval, the data file with its one-second sync, the peak file and the run-health counters.
// They all live on one thread of the engine's own (a QThread running its event loop), so no
// window, dialog or paint ever delays a request, a reply, a row or a sync.
//
// One owner per piece of state. Everything above is created, used and destroyed on the
// engine's thread; nothing else touches it. What crosses threads:
// - commands, from the thread that made the engine: queued calls carrying copies (the
//   settings as they stand, the ticked channels);
// - what the window shows, to that thread: queued signals of copied values, in the order
//   the engine made them (every text change, every closed scan's values, the sampling state,
//   the board status, the averaging notice), and the reports through EngineReports;
// - the run-health counters: atomics the window reads at its own pace.
// The engine keeps its own settings: each command brings the window's settings with it.
class AcquisitionEngine : public QObject {
    Q_OBJECT
  public:
    AcquisitionEngine(EngineParts parts, EngineReports& reports, QObject* parent = nullptr);
    ~AcquisitionEngine() override;  // shutdown()

    // Commands: queued, handled in order on the engine's thread.
    void applySettings(const SettingsModel& settings);
    // The Sample command: starts a stopped run, stops a running one, or refuses with a notice.
    void toggleSampling(const SettingsModel& settings, const PerChannel<bool>& checked,
                        bool channelRangeOn);
    // Tare or Untare; a tare takes the scaled text the window showed when it was clicked.
    void tare(int channel, const QString& shownScaledText);
    // Peak On: tracking restarts from the start values.
    void peakOn(const SettingsModel& settings);
    // The samples-averaged pair of the main window's activation (held back during a run).
    void sendSamplesAveraged(const SettingsModel& settings);
    // A new data file was chosen: its first failing row is reported again.
    void dataFileChosen(const SettingsModel& settings);
    // A run without a window starts: the port is opened and the samples-averaged pair sent,
    // then the run starts as Sample starts it. Answered with startAnswered().
    void startSampling(const SettingsModel& settings, const PerChannel<bool>& checked);
    // Stops a run as the Sample command stops it (peak file written, rows synced, port
    // closed); nothing when none runs.
    void stopSampling();
    // Daily files: the file in use is the one of `day`, named from `given`. The first row of
    // a later local day starts that day's file (its header, then the row), stamped with the
    // time that chose the file, so every row is in one file, of its own day. Later commands'
    // settings do not change the file in use. A day's file that cannot be started is
    // reported once; rows go on into the file in use, and the next row tries again.
    void recordDaily(const QString& given, const QDate& day);
    // Publishes every scan with these settings from now on (they passed mqttSettingsError());
    // settings without a URL end publishing.
    void setPublishing(const MqttSettings& settings);

    // Stops a run as the Sample command would (peak file written, rows synced), closes the
    // port and ends the thread; waits for all of it. Later commands do nothing.
    void shutdown();
    // Runs `work` on the engine's thread and waits for it (tests, benchmarks, a flush).
    void call(const std::function<void()>& work);

    // On the thread that made the engine: sampling as last signalled.
    bool isSampling() const { return sampling_; }
    // On any thread.
    bool isReconnecting() const;
    quint64 scanCount() const;
    quint64 repeatCount() const;
    quint64 reconnectCount() const;
    qint64 rowsWritten() const;
    quint64 fileStarts() const;
    bool rowsFailing() const;
    const PublishHealth& publishHealth() const { return publishHealth_; }

    struct SyncFigures {
        bool pending = false;
        qint64 syncs = 0;
        qint64 longestWaitMs = 0;
        qint64 failed = 0;
    };
    SyncFigures syncFigures();  // asks the engine's thread and waits

    // Only on the engine's thread (inside call()).
    BoardLink& link();
    SerialPort& mainPort();
    SamplingLoop& loop();

  signals:
    // A text of a channel's boxes changed (volts, scaled, peak, peak time, tare caption).
    void rowTextChanged(int channel, quorlin::RowField field, const QString& text);
    // The values of a closed scan (scanClosed) or after a tare.
    void valuesChanged(const quorlin::AcquisitionValues& values, bool scanClosed);
    void samplingChanged(bool sampling);
    void boardStatusChanged(const QString& text);
    void averagingPendingChanged(bool pending);
    // startSampling's answer: sampling; or not, because the port did not open (`absent`
    // says why) or the start was refused (`absent` empty; reported as the Sample command's).
    void startAnswered(bool sampling, const QString& absent);
    // A daily file was started; rows go into it.
    void dataFileStarted(const QString& path);
    // The peak file was written at the end of a run.
    void peakFileWritten(const QString& path);

  private:
    friend class EngineCore;
    void post(std::function<void(EngineCore&)> work);

    EngineReports& reports_;
    QThread thread_;
    QObject* anchor_ = nullptr;  // lives on the engine's thread: the target of its calls
    EngineCore* core_ = nullptr;
    bool running_ = false;
    bool sampling_ = false;
    PublishHealth publishHealth_;  // outlives the publishers the engine makes
};

}  // namespace quorlin
