#include "acquisition/SamplingLoop.h"

#include "common/AppError.h"
#include "common/DateText.h"
#include "common/NumberText.h"
#include "common/Rounding.h"
#include "device/BoardProtocol.h"

#include <algorithm>
#include <exception>

namespace quorlin {

namespace {
const QString kMain = QStringLiteral("Main");
const QString kOnComm = QStringLiteral("MSComm1_OnComm");
const QString kWatchdog = QStringLiteral("tmrReplyWatchdog_Timer");
const QString kReconnect = QStringLiteral("tmrReconnect_Timer");
}  // namespace

SamplingLoop::SamplingLoop(SettingsModel& settings, AcquisitionValues& values,
                           ChannelReadings& rows, BoardLink& link, Clock& clock,
                           ErrorHandler& errors, MessageBox& messages, TimerFactory& timers,
                           EventGate& gate, ChannelConversion& conversion, ScanHooks hooks)
    : settings_(settings),
      values_(values),
      rows_(rows),
      link_(link),
      clock_(clock),
      errors_(errors),
      messages_(messages),
      gate_(gate),
      conversion_(conversion),
      hooks_(std::move(hooks)),
      watchdog_(timers.create()),
      reconnectTimer_(timers.create()),
      resyncTimer_(timers.create()),
      resync_(link.mainPort(), *resyncTimer_, kLineBaud) {
    for (int k = 0; k < kChannelCount; ++k) {
        requests_[k] = QByteArray(1, static_cast<char>(requestByte(k)));
    }
    connect(&link_.mainPort(), &SerialPort::onComm, this, &SamplingLoop::MSComm1_OnComm);
    connect(watchdog_.get(), &OneShotTimer::timeout, this, &SamplingLoop::onWatchdogTimeout);
    connect(reconnectTimer_.get(), &OneShotTimer::timeout, this, &SamplingLoop::onReconnectTick);
    connect(resyncTimer_.get(), &OneShotTimer::timeout, this, &SamplingLoop::onResyncTimeout);
}

SamplingLoop::~SamplingLoop() = default;

qint16 SamplingLoop::CountActiveChannels() const {
    return static_cast<qint16>(
        std::count(settings_.ChannelActive.begin(), settings_.ChannelActive.end(), qint16{1}));
}

double SamplingLoop::ElapsedSeconds() const {
    const double seconds = static_cast<double>(clock_.counter() - values_.SampleStartCount) /
                           static_cast<double>(values_.CounterFrequency);
    return roundHalfEven(seconds, 2);
}

void SamplingLoop::mnuSample_Click() {
    // Port events found while starting or stopping wait until the click has been handled.
    const EventGate::Hold hold(gate_);
    try {
        const bool noneActive =
            std::all_of(settings_.ChannelActive.begin(), settings_.ChannelActive.end(),
                        [](qint16 a) { return a == 0; });
        if (settings_.CurrentCommPort == 0) {
            messages_.showOk(QStringLiteral("No communication port has been selected!"));
        } else if (noneActive) {
            messages_.showOk(QStringLiteral("No active channels have been selected!"));
        } else if (channelRangeOn_ && CountActiveChannels() <= 1) {
            messages_.showOk(
                QStringLiteral("Two or more active channels are needed to use Channel Range!"));
        } else if (sampling_) {
            stop();
        } else {
            start();
        }
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("mnuSample_Click"), kMain,
                                   e.description);
        if (sampling_ && !reconnecting_ && !link_.mainPort().isOpen()) {
            // Started with the device absent: after the reports the run waits for it as after
            // an unplug, and starts by itself once it is there.
            values_.SampleStartCount = clock_.counter();
            onLineLost();
        }
    }
}

void SamplingLoop::stopIfSampling() {
    const EventGate::Hold hold(gate_);
    if (!sampling_) {
        return;
    }
    try {
        stop();
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("mnuSample_Click"), kMain,
                                   e.description);
    }
}

void SamplingLoop::start() {
    SerialPort& port = link_.mainPort();
    reconnecting_ = false;
    ignoreReplies_ = false;
    retried_ = false;
    conversion_.ResetValueDisplays();
    link_.OpenCommPort(port, kMain);
    sampling_ = true;
    link_.setSampling(true);
    emit samplingChanged(true);
    link_.PortBuffer = port.input();  // stale bytes of an earlier run or of the board
    port.setRThreshold(kReplyLength);
    values_.CurrentChannel = 0;
    values_.SampleStartCount = clock_.counter();
    sendRequest();
}

void SamplingLoop::stop() {
    stopWatchdog();
    reconnectTimer_->stop();
    const bool boardAway = reconnecting_;
    reconnecting_ = false;
    rows_.setBoardStatus(QString());
    link_.CloseCommPort(link_.mainPort(), kMain);
    if (settings_.PeakOn) {
        settings_.PeakOn = false;
        call(hooks_.WritePeakFile);
        conversion_.ResetPeakDisplays();
    }
    sampling_ = false;
    link_.setSampling(false);
    emit samplingChanged(false);
    conversion_.ResetValueDisplays();
    if (!boardAway) {
        // An averaging chosen during the run. With the board away it stays pending, and the
        // notice with it, rather than ending the run behind a failure box.
        link_.SendPendingSamplesAveraged();
    }
}

void SamplingLoop::MSComm1_OnComm() {
    try {
        if (!takeReply()) {
            return;
        }
        const int k = values_.CurrentChannel;
        const QByteArray reply = link_.PortBuffer;  // shared, not copied
        values_.CurrentChannel = static_cast<qint16>((k + 1) % kChannelCount);
        if (retried_) {
            // One of two replies to the same channel's request: the other one may still be
            // on its way and would be taken for the next channel's reading. Ask for the next
            // channel once the line has been quiet.
            handleReply(k, reply);
            retried_ = false;
            watch_ = Watch::QuietWait;
            watchdog_->start(kQuietMs);
            return;
        }
        requestThenShow(k, reply);
    } catch (const AppError& e) {
        fail(kOnComm, e);
    }
}

bool SamplingLoop::takeReply() {
    if (!sampling_) {
        return false;
    }
    SerialPort& port = link_.mainPort();
    const int event = port.commEvent();
    if (event == CommEvent::LineLost && !reconnecting_) {
        onLineLost();
        return false;
    }
    if (event != CommEvent::Receive || reconnecting_) {
        return false;
    }
    link_.PortBuffer = port.input();
    if (ignoreReplies_) {
        return false;
    }
    if (resync_.isWaiting()) {
        resync_.drop(link_.PortBuffer);  // the line is not quiet yet
        return false;
    }
    if (watch_ == Watch::QuietWait) {
        // A late reply or line noise after a time-out: never a reading of the channel now
        // outstanding. Discard it and wait for the line to be quiet again.
        watchdog_->start(kQuietMs);
        return false;
    }
    if (!isGoodReply(link_.PortBuffer)) {
        ++repeats_;
        // CurrentChannel stays as it is: the same request goes out again once the line is
        // quiet (onResyncTimeout).
        stopWatchdog();
        resync_.begin(link_.PortBuffer);
        return false;
    }
    return true;
}

void SamplingLoop::requestThenShow(int k, const QByteArray& reply) {
    // The next request goes out before the reply is shown: the display work then runs while
    // the line carries the request and its reply, instead of adding to every exchange. A
    // failed write is reported after the reply has been shown, as it would have been before.
    std::exception_ptr sendFailure;
    try {
        sendRequest();
    } catch (const AppError&) {
        sendFailure = std::current_exception();
    }
    // Should showing the reply fail, the flag stays set: the reply to the request already
    // sent is dropped, so that the loop stands still after the report as after any failed
    // event.
    ignoreReplies_ = !sendFailure;
    handleReply(k, reply);
    ignoreReplies_ = false;
    if (sendFailure) {
        std::rethrow_exception(sendFailure);
    }
}

void SamplingLoop::handleReply(int k, const QByteArray& reply) {
    rows_.setBoardStatus(QString());
    if (k == 0) {
        values_.ElapsedTimeText = shortNumberText(ElapsedSeconds());
    }
    const double volts = rows_.row(k).checked ? replyToVolts(reply) : 0.0;
    values_.ChannelVolts[k] = volts;
    rows_.setVoltsText(k, displayNumberText(volts));  // runs the conversion and peak tracking
    if (k == kChannelCount - 1) {
        closeScan();
    }
}

void SamplingLoop::closeScan() {
    ++scans_;
    call(hooks_.ScanClosed);
    writeDataRow();
}

void SamplingLoop::writeDataRow() {
    if (!settings_.DataFileInUse || !hooks_.WriteToFile) {
        return;
    }
    if (settings_.DataIntervalMs == 0) {
        hooks_.WriteToFile(values_.ElapsedTimeText);
        return;
    }
    // A 64-bit monotonic tick: the gate keeps working however long the machine has run.
    // The first gated row of the program's run is always due, whatever the clock's origin.
    const double t = static_cast<double>(clock_.tickMs());
    if (!rowWritten_ || values_.LastRowTick + settings_.DataIntervalMs <= t) {
        hooks_.WriteToFile(values_.ElapsedTimeText);
        values_.LastRowTick = t;
        rowWritten_ = true;
    }
}

void SamplingLoop::sendRequest() {
    link_.PortBuffer = requests_[values_.CurrentChannel];
    link_.mainPort().output(link_.PortBuffer);
    watch_ = Watch::AwaitingReply;
    watchdog_->start(kReplyTimeoutMs);
}

void SamplingLoop::stopWatchdog() {
    watchdog_->stop();
    watch_ = Watch::Off;
    resync_.cancel();
}

void SamplingLoop::onResyncTimeout() {
    try {
        if (sampling_ && !reconnecting_ && resync_.quietNow()) {
            // Unless a reply came among the bytes dropped, the request may yet be answered
            // twice: as after a time-out, its second answer must not pass for the next channel.
            if (!resync_.endedWithAReply()) {
                retried_ = true;
            }
            sendRequest();
        }
    } catch (const AppError& e) {
        fail(kOnComm, e);
    }
}

void SamplingLoop::onWatchdogTimeout() {
    try {
        SerialPort& port = link_.mainPort();
        if (watch_ == Watch::AwaitingReply) {
            retried_ = true;  // the request goes out again, its first reply may still come
            ++repeats_;
            showBoardStatus();
            link_.PortBuffer = port.input();
            watch_ = Watch::QuietWait;
            watchdog_->start(kQuietMs);
        } else if (watch_ == Watch::QuietWait) {
            // Fewer bytes than the receive threshold raise no event: look for them here.
            link_.PortBuffer = port.input();
            if (!link_.PortBuffer.isEmpty()) {
                watchdog_->start(kQuietMs);
                return;
            }
            sendRequest();  // CurrentChannel is unchanged: the same request once more
        }
    } catch (const AppError& e) {
        fail(kWatchdog, e);
    }
}

void SamplingLoop::fail(const QString& source, const AppError& e) {
    stopWatchdog();
    if (sampling_ && !reconnecting_ && !link_.mainPort().isOpen()) {
        onLineLost();  // the call failed because the device went away under it
        return;
    }
    errors_.SimpleErrorHandler(e.number, source, kMain, e.description);
}

void SamplingLoop::onLineLost() {
    stopWatchdog();
    closeLostPort();
    reconnecting_ = true;
    permissionSaid_ = false;
    lostAtMs_ = clock_.tickMs();
    const QString where = portText();
    // Logged, not shown in a box: an unattended run must not wait for a click.
    errors_.LogError(ErrorNumber::LineLost, kOnComm, kMain,
                     QStringLiteral("The connection on %1 was lost: the device went away. "
                                    "Sampling goes on; the device is reopened once it is back.")
                         .arg(where));
    rows_.setBoardStatus(QStringLiteral("The board was lost on %1 since %2. Reconnecting...")
                             .arg(where, timeText(clock_.localNow())));
    reconnectTimer_->start(kReconnectMs);
}

void SamplingLoop::onReconnectTick() {
    if (!reconnecting_) {
        return;
    }
    try {
        link_.ReopenMainPort();
    } catch (const AppError& e) {
        // Absent, or present but not yet openable: tried again in a second. Only a refusal
        // for lack of permission needs someone, and is said once.
        if (e.number == ErrorNumber::PathFileAccessError && !permissionSaid_) {
            permissionSaid_ = true;
            errors_.LogError(e.number, kReconnect, kMain, e.description);
            rows_.setBoardStatus(rows_.boardStatus() + QLatin1Char(' ') + e.description);
        }
        reconnectTimer_->start(kReconnectMs);
        return;
    }
    try {
        link_.resendSamplesAveraged();
        resumeAfterReconnect();
    } catch (const AppError&) {
        // Gone again during the command pair or the first request.
        closeLostPort();
        reconnecting_ = true;
        stopWatchdog();
        reconnectTimer_->start(kReconnectMs);
    }
}

void SamplingLoop::resumeAfterReconnect() {
    SerialPort& port = link_.mainPort();
    const double awaySeconds = static_cast<double>(clock_.tickMs() - lostAtMs_) / 1000.0;
    link_.PortBuffer = port.input();  // whatever the board sent while it came up
    port.setRThreshold(kReplyLength);
    values_.CurrentChannel = 0;  // a new scan: the one cut short is not recorded
    retried_ = false;
    ignoreReplies_ = false;
    reconnecting_ = false;
    sendRequest();
    ++reconnects_;
    rows_.setBoardStatus(QString());
    errors_.LogError(ErrorNumber::LineLost, kReconnect, kMain,
                     QStringLiteral("The connection on %1 came back after %2 s: sampling goes on.")
                         .arg(portText(), shortNumberText(roundHalfEven(awaySeconds, 1))));
}

void SamplingLoop::closeLostPort() {
    // Also a port that knows it is lost but has not closed yet: never two handles on reopening.
    try {
        link_.mainPort().setPortOpen(false);
    } catch (const AppError&) {
    }
}

QString SamplingLoop::portText() {
    SerialPort& port = link_.mainPort();
    const QString device = port.deviceName();
    const QString number = QString::number(port.commPort());
    return device.isEmpty() ? QStringLiteral("serial port %1").arg(number)
                            : QStringLiteral("serial port %1 (%2)").arg(number, device);
}

void SamplingLoop::showBoardStatus() {
    rows_.setBoardStatus(QStringLiteral("The board is not answering on serial port %1. Retrying...")
                             .arg(link_.mainPort().commPort()));
}

}  // namespace quorlin
