#include "acquisition/AcquisitionEngine.h"

#include "acquisition/ChannelConversion.h"
#include "acquisition/SamplingLoop.h"
#include "common/AppError.h"
#include "common/ThreadScheduling.h"
#include "device/BoardLink.h"
#include "platform/EventGate.h"
#include "platform/FileDialog.h"
#include "publishing/MosquittoClient.h"
#include "publishing/ScanPublisher.h"
#include "recording/DailyFileName.h"
#include "recording/DataFile.h"
#include "recording/PeakFile.h"
#include "recording/SyncScheduler.h"

#include <utility>

namespace quorlin {

namespace {

// The engine's timers: made by the program's factory, raised through the engine's own gate.
class GateTimers : public TimerFactory {
  public:
    GateTimers(TimerFactory& inner, EventGate& gate) : inner_(inner), gate_(gate) {}
    std::unique_ptr<OneShotTimer> create() override { return inner_.createFor(gate_); }

  private:
    TimerFactory& inner_;
    EventGate& gate_;
};

// The engine records into the file the window chose; it never asks for one.
class NoFileDialog : public FileDialog {
  public:
    QString showSave(const FileDialogRequest&) override { return {}; }
    QString showOpen(const FileDialogRequest&) override { return {}; }
};

// Reports and notices go to the engine's maker as queued calls: the engine never waits for
// an answer. Where a failure stops the loop, the loop stands still by itself until the next
// command.
class PostedErrors : public ErrorHandler {
  public:
    explicit PostedErrors(AcquisitionEngine& engine, EngineReports& reports)
        : engine_(engine), reports_(reports) {}
    void SimpleErrorHandler(qint32 number, const QString& source, const QString& screen,
                            const QString& description) override {
        QMetaObject::invokeMethod(
            &engine_,
            [r = &reports_, number, source, screen, description] {
                r->report(number, source, screen, description);
            },
            Qt::QueuedConnection);
    }
    void LogError(qint32 number, const QString& source, const QString& screen,
                  const QString& description) override {
        QMetaObject::invokeMethod(
            &engine_,
            [r = &reports_, number, source, screen, description] {
                r->log(number, source, screen, description);
            },
            Qt::QueuedConnection);
    }

  private:
    AcquisitionEngine& engine_;
    EngineReports& reports_;
};

class PostedNotices : public MessageBox {
  public:
    explicit PostedNotices(AcquisitionEngine& engine, EngineReports& reports)
        : engine_(engine), reports_(reports) {}
    void showOk(const QString& text) override {
        QMetaObject::invokeMethod(
            &engine_, [r = &reports_, text] { r->notice(text); }, Qt::QueuedConnection);
    }
    bool showRetryCancel(const QString& text) override {
        showOk(text);
        return true;
    }

  private:
    AcquisitionEngine& engine_;
    EngineReports& reports_;
};

}  // namespace

// Everything the engine owns; made, used and destroyed on the engine's thread only.
class EngineCore {
  public:
    EngineCore(AcquisitionEngine& engine, EngineReports& reports, EngineParts& parts)
        : engine_(engine),
          clock_(parts.clock),
          timers_(parts.timers, gate_),
          errors_(engine, reports),
          notices_(engine, reports),
          port_(parts.ports.createFor(gate_)),
          link_(settings_, *port_, parts.clock, errors_, notices_),
          sync_(timers_, parts.clock, parts.syncFile),
          dataFile_(settings_, folders_, parts.clock, errors_, noDialog_),
          peakFile_(settings_, folders_, errors_),
          folders_(parts.folders),
          mqttClients_(parts.mqttClients) {
        if (!mqttClients_) {
            mqttClients_ = [] { return std::make_unique<MosquittoClient>(); };
        }
        values_.CounterFrequency = parts.clock.counterFrequency();
        // Published before the conversion runs on it, so the window sees the texts in the
        // order they change.
        QObject::connect(&rows_, &ChannelReadings::rowChanged, &rows_,
                         [this](int channel, RowField field) { publish(channel, field); });
        QObject::connect(&rows_, &ChannelReadings::boardStatusChanged, &rows_,
                         [this](const QString& text) {
                             updatePublishState();
                             emit engine_.boardStatusChanged(text);
                         });
        conversion_ = std::make_unique<ChannelConversion>(settings_, values_, rows_, parts.clock);
        dataFile_.setRowWritten([this](const QString& path) { sync_.written(path); });
        link_.setAveragingPendingChanged(
            [this] { emit engine_.averagingPendingChanged(link_.averagingPending()); });

        ScanHooks hooks;
        hooks.ScanClosed = [this] {
            emit engine_.valuesChanged(values_, true);
            if (publisher_) {
                publisher_->scanClosed(scanMessage());
            }
        };
        hooks.WritePeakFile = [this] {
            if (peakFile_.WritePeakFile(peakEntries())) {
                emit engine_.peakFileWritten(folders_.peakFile());
            }
        };
        hooks.WriteToFile = [this](const QString& elapsed) { writeRow(elapsed); };
        loop_ = std::make_unique<SamplingLoop>(settings_, values_, rows_, link_, parts.clock,
                                               errors_, notices_, timers_, gate_, *conversion_,
                                               std::move(hooks));
        QObject::connect(loop_.get(), &SamplingLoop::samplingChanged, loop_.get(),
                         [this](bool sampling) {
                             if (!sampling) {
                                 sync_.syncNow();  // the run's rows are on the disk at its stop
                             }
                             updatePublishState();
                             emit engine_.samplingChanged(sampling);
                         });
    }

    void apply(const SettingsModel& settings) {
        const QString inUse = settings_.DataFilePath;
        settings_ = settings;
        if (!dailyGiven_.isEmpty()) {
            settings_.DataFilePath = inUse;  // the engine's own choice of the day's file
        }
    }

    void startSampling(const PerChannel<bool>& checked) {
        if (!loop_->isSampling()) {
            try {
                link_.ReopenMainPort();
                link_.resendSamplesAveraged();
            } catch (const AppError& e) {
                try {
                    port_->setPortOpen(false);
                } catch (const AppError&) {
                }
                emit engine_.startAnswered(false, e.description);
                return;
            }
            toggleSampling(checked, false);
        }
        emit engine_.startAnswered(loop_->isSampling(), {});
    }

    void stopSampling() { loop_->stopIfSampling(); }

    void recordDaily(const QString& given, const QDate& day) {
        dailyGiven_ = given;
        fileDay_ = day;
        nextDay_ = {};
        nextDayFailed_ = false;
    }

    void toggleSampling(const PerChannel<bool>& checked, bool channelRangeOn) {
        if (!loop_->isSampling()) {
            for (int k = 0; k < kChannelCount; ++k) {
                rows_.setChecked(k, checked[k]);
            }
        }
        loop_->setChannelRangeOn(channelRangeOn);
        loop_->mnuSample_Click();
    }

    void tare(int channel, const QString& shownScaledText) {
        conversion_->cmdTare_Click(channel, shownScaledText);
        emit engine_.valuesChanged(values_, false);
    }

    void peakOn() { conversion_->mnuPeakOn_Click(); }
    void sendSamplesAveraged() { link_.SendSamplesAveraged(); }
    void dataFileChosen() { dataFile_.fileReplaced(); }

    void setPublishing(const MqttSettings& settings) {
        publisher_.reset();  // says "offline" and disconnects
        if (!settings.enabled()) {
            return;
        }
        ScanPublisher::Parts parts{clock_, timers_, engine_.publishHealth_,
                                   [this] { return healthFigures(); }};
        publisher_ = std::make_unique<ScanPublisher>(settings, mqttClients_(), std::move(parts));
        updatePublishState();
    }

    void shutdown() {
        loop_->stopIfSampling();
        publisher_.reset();
        try {
            if (port_->isOpen()) {
                port_->setPortOpen(false);
            }
        } catch (...) {
            // The OS releases the device as the process ends.
        }
        sync_.syncNow();
    }

    AcquisitionEngine::SyncFigures syncFigures() const {
        return {sync_.isPending(), sync_.syncCount(), sync_.longestWaitMs(), sync_.failedSyncs()};
    }

    BoardLink& link() { return link_; }
    SerialPort& port() { return *port_; }
    SamplingLoop& loop() { return *loop_; }
    const DataFile& dataFile() const { return dataFile_; }

  private:
    ScanMessage scanMessage() {
        ScanMessage scan;
        scan.time = clock_.localNow();
        scan.elapsedText = values_.ElapsedTimeText;
        scan.volts = values_.ChannelVolts;
        scan.values = values_.ChannelScaled;
        scan.units = settings_.Units;
        for (int k = 0; k < kChannelCount; ++k) {
            scan.active[k] = rows_.row(k).checked;
        }
        return scan;
    }

    HealthMessage healthFigures() const {
        HealthMessage h;
        h.scans = loop_->scanCount();
        h.repeats = loop_->repeatCount();
        h.reconnects = loop_->reconnectCount();
        h.recording = settings_.DataFileInUse;
        h.rowsWritten = dataFile_.rowsWritten();
        h.rowsFailing = dataFile_.rowsFailing();
        return h;
    }

    void updatePublishState() {
        if (!publisher_ || !loop_) {
            return;
        }
        publisher_->setState(!loop_->isSampling()      ? PublishState::Stopped
                             : loop_->isReconnecting() ? PublishState::Reconnecting
                                                       : PublishState::Sampling);
    }

    void writeRow(const QString& elapsed) {
        const QDateTime now = clock_.localNow();
        if (!dailyGiven_.isEmpty() && now.date() != fileDay_) {
            startDay(now.date());
        }
        dataFile_.WriteToFile(elapsed, recordedValues(values_, settings_.WriteFileMethod), now);
    }

    void startDay(const QDate& day) {
        if (day != nextDay_) {
            nextDay_ = day;  // one name per day, even when its start is tried again
            nextDayPath_ = unusedDailyDataFilePath(dailyGiven_, day);
            nextDayFailed_ = false;
        }
        try {
            dataFile_.startFile(nextDayPath_);
        } catch (const AppError& e) {
            if (!std::exchange(nextDayFailed_, true)) {
                errors_.SimpleErrorHandler(e.number, QStringLiteral("WriteToFile"),
                                           QStringLiteral("General"), e.description);
            }
            return;
        }
        fileDay_ = day;
        emit engine_.dataFileStarted(nextDayPath_);
    }

    void publish(int channel, RowField field) {
        const ChannelReading& row = rows_.row(channel);
        switch (field) {
            case RowField::VoltsText:
                emit engine_.rowTextChanged(channel, field, row.voltsText);
                break;
            case RowField::ScaledText:
                emit engine_.rowTextChanged(channel, field, row.scaledText);
                break;
            case RowField::PeakText:
                emit engine_.rowTextChanged(channel, field, row.peakText);
                break;
            case RowField::PeakTimeText:
                emit engine_.rowTextChanged(channel, field, row.peakTimeText);
                break;
            case RowField::TareCaption:
                emit engine_.rowTextChanged(channel, field, row.tareCaption);
                break;
            default:
                break;  // the tick marks are the window's
        }
    }

    PerChannel<PeakEntry> peakEntries() const {
        PerChannel<PeakEntry> entries;
        for (int c = 0; c < kChannelCount; ++c) {
            const ChannelReading& row = rows_.row(c);
            entries[c] = {row.peakTimeText, row.peakText, settings_.PeakDisplay[c]};
        }
        return entries;
    }

    AcquisitionEngine& engine_;
    Clock& clock_;
    EventGate gate_;
    GateTimers timers_;
    PostedErrors errors_;
    PostedNotices notices_;
    NoFileDialog noDialog_;
    SettingsModel settings_;
    AcquisitionValues values_;
    ChannelReadings rows_;
    std::unique_ptr<SerialPort> port_;
    BoardLink link_;
    std::unique_ptr<ChannelConversion> conversion_;
    SyncScheduler sync_;  // outlives the data file, which feeds it
    DataFile dataFile_;
    PeakFile peakFile_;
    AppFolders folders_;
    MqttClientFactory mqttClients_;
    std::unique_ptr<SamplingLoop> loop_;
    QString dailyGiven_;  // empty: one file for the run
    QDate fileDay_;
    QDate nextDay_;
    QString nextDayPath_;
    bool nextDayFailed_ = false;
    std::unique_ptr<ScanPublisher> publisher_;  // reads the loop and the files: goes first
};

AcquisitionEngine::AcquisitionEngine(EngineParts parts, EngineReports& reports, QObject* parent)
    : QObject(parent), reports_(reports) {
    // First of the receivers, so the window's view is current for the others.
    connect(this, &AcquisitionEngine::samplingChanged, this,
            [this](bool sampling) { sampling_ = sampling; });
    thread_.setObjectName(QStringLiteral("Acquisition"));
    anchor_ = new QObject;
    anchor_->moveToThread(&thread_);
    thread_.start();
    running_ = true;
    call([this, &parts] {
        // A reply must not wait for the window's thread to finish a slice of drawing.
        askForShortTimeSlice();
        core_ = new EngineCore(*this, reports_, parts);
    });
}

AcquisitionEngine::~AcquisitionEngine() {
    shutdown();
}

void AcquisitionEngine::post(std::function<void(EngineCore&)> work) {
    if (!running_) {
        return;
    }
    QMetaObject::invokeMethod(
        anchor_,
        [this, work = std::move(work)] {
            if (core_) {
                work(*core_);
            }
        },
        Qt::QueuedConnection);
}

void AcquisitionEngine::call(const std::function<void()>& work) {
    if (running_) {
        QMetaObject::invokeMethod(anchor_, work, Qt::BlockingQueuedConnection);
    }
}

void AcquisitionEngine::shutdown() {
    if (!running_) {
        return;
    }
    call([this] {
        core_->shutdown();
        delete core_;
        core_ = nullptr;
    });
    running_ = false;
    thread_.quit();
    thread_.wait();
    delete anchor_;
    anchor_ = nullptr;
}

void AcquisitionEngine::applySettings(const SettingsModel& settings) {
    post([settings](EngineCore& core) { core.apply(settings); });
}

void AcquisitionEngine::toggleSampling(const SettingsModel& settings,
                                       const PerChannel<bool>& checked, bool channelRangeOn) {
    post([settings, checked, channelRangeOn](EngineCore& core) {
        core.apply(settings);
        core.toggleSampling(checked, channelRangeOn);
    });
}

void AcquisitionEngine::tare(int channel, const QString& shownScaledText) {
    post([channel, shownScaledText](EngineCore& core) { core.tare(channel, shownScaledText); });
}

void AcquisitionEngine::peakOn(const SettingsModel& settings) {
    post([settings](EngineCore& core) {
        core.apply(settings);
        core.peakOn();
    });
}

void AcquisitionEngine::sendSamplesAveraged(const SettingsModel& settings) {
    post([settings](EngineCore& core) {
        core.apply(settings);
        core.sendSamplesAveraged();
    });
}

void AcquisitionEngine::setPublishing(const MqttSettings& settings) {
    post([settings](EngineCore& core) { core.setPublishing(settings); });
}

void AcquisitionEngine::dataFileChosen(const SettingsModel& settings) {
    post([settings](EngineCore& core) {
        core.apply(settings);
        core.dataFileChosen();
    });
}

void AcquisitionEngine::startSampling(const SettingsModel& settings,
                                      const PerChannel<bool>& checked) {
    post([settings, checked](EngineCore& core) {
        core.apply(settings);
        core.startSampling(checked);
    });
}

void AcquisitionEngine::stopSampling() {
    post([](EngineCore& core) { core.stopSampling(); });
}

void AcquisitionEngine::recordDaily(const QString& given, const QDate& day) {
    post([given, day](EngineCore& core) { core.recordDaily(given, day); });
}

bool AcquisitionEngine::isReconnecting() const {
    return core_ && core_->loop().isReconnecting();
}

quint64 AcquisitionEngine::scanCount() const {
    return core_ ? core_->loop().scanCount() : 0;
}

quint64 AcquisitionEngine::repeatCount() const {
    return core_ ? core_->loop().repeatCount() : 0;
}

quint64 AcquisitionEngine::reconnectCount() const {
    return core_ ? core_->loop().reconnectCount() : 0;
}

qint64 AcquisitionEngine::rowsWritten() const {
    return core_ ? core_->dataFile().rowsWritten() : 0;
}

quint64 AcquisitionEngine::fileStarts() const {
    return core_ ? core_->dataFile().fileStarts() : 0;
}

bool AcquisitionEngine::rowsFailing() const {
    return core_ && core_->dataFile().rowsFailing();
}

AcquisitionEngine::SyncFigures AcquisitionEngine::syncFigures() {
    SyncFigures figures;
    call([this, &figures] { figures = core_->syncFigures(); });
    return figures;
}

BoardLink& AcquisitionEngine::link() {
    return core_->link();
}

SerialPort& AcquisitionEngine::mainPort() {
    return core_->port();
}

SamplingLoop& AcquisitionEngine::loop() {
    return core_->loop();
}

}  // namespace quorlin
