#include "device/BoardLink.h"

#include "common/AppError.h"
#include "device/BoardProtocol.h"

#include <exception>

namespace quorlin {

namespace {
const QString kMainWindow = QStringLiteral("Main");
constexpr qint32 kCommandPauseMs = 100;

QString sendSamplesAveragedFailureText() {
    return QStringLiteral(
        "The application failed to Send Samples Averaged to the QRL during start-up!\r"
        "1) Open Comm Port screen.\r"
        "2) Run Auto Detect.\r"
        "3) Close application.\r"
        "4) Re-start application to proceed.\r");
}

}  // namespace

BoardLink::BoardLink(SettingsModel& settings, SerialPort& mainPort, Clock& clock,
                     ErrorHandler& errors, MessageBox& messageBox)
    : settings_(settings),
      mainPort_(mainPort),
      clock_(clock),
      errors_(errors),
      messageBox_(messageBox) {}

namespace {
void openClosedPort(SerialPort& port, qint16 number) {
    port.setCommPort(number);
    port.setSettings(QStringLiteral("9600,N,8,1"));
    port.setInputLen(0);
    port.setPortOpen(true);
}
}  // namespace

void BoardLink::OpenCommPort(SerialPort& port, const QString& window) {
    try {
        if (port.isOpen()) {
            return;
        }
        openClosedPort(port, settings_.CurrentCommPort);
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("OpenCommPort"), window, e.description);
    }
}

void BoardLink::ReopenMainPort() {
    openClosedPort(mainPort_, settings_.CurrentCommPort);
}

void BoardLink::CloseCommPort(SerialPort& port, const QString& window) {
    try {
        if (port.isOpen()) {
            port.setPortOpen(false);
        }
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("CloseCommPort"), window,
                                   e.description);
    }
}

void WaitMilliseconds(Clock& clock, qint64 ms) {
    if (ms <= 0) {
        return;
    }
    // 64-bit monotonic ticks: no wrap-around to trip over, however long the machine has run.
    // The start may fall anywhere within its millisecond, so one tick more than asked keeps
    // the real pause from ever being shorter than asked. The thread sleeps meanwhile: a
    // pause costs no processor time.
    const qint64 start = clock.tickMs();
    for (qint64 waited = 0; waited <= ms; waited = clock.tickMs() - start) {
        clock.sleepMs(ms + 1 - waited);
    }
}

void BoardLink::SendSamplesAveraged() {
    // An open main port belongs to a running sampling loop: writing the command pair into its
    // request/reply stream and closing the port under it would stop sampling silently; while
    // the run reconnects, the port is closed but still the run's. The board's averaging is
    // then out of date, when it differs from the one last sent, until the pair goes out
    // after the run.
    if (mainPort_.isOpen() || sampling_) {
        setAveragingPending(settings_.SamplesAveraged != lastSent_);
        return;
    }
    OpenCommPort(mainPort_, kMainWindow);
    try {
        writeSamplesAveraged(settings_.SamplesAveraged);
        CloseCommPort(mainPort_, kMainWindow);
        if (averagingPending_) {  // held back during a run that could not send it at its end
            setAveragingPending(false);
        }
    } catch (const std::exception&) {
        messageBox_.showOk(sendSamplesAveragedFailureText());
    }
}

void BoardLink::SendPendingSamplesAveraged() {
    if (!averagingPending_ || mainPort_.isOpen() || sampling_) {
        return;
    }
    setAveragingPending(false);
    SendSamplesAveraged();
}

void BoardLink::setAveragingPending(bool pending) {
    averagingPending_ = pending;
    if (averagingPendingChanged_) {
        averagingPendingChanged_();
    }
}

void BoardLink::resendSamplesAveraged() {
    writeSamplesAveraged(lastSent_ >= 0 ? lastSent_ : settings_.SamplesAveraged);
}

void BoardLink::writeSamplesAveraged(qint16 count) {
    PortBuffer = QByteArray(1, kSamplesAveragedCommand);
    mainPort_.output(PortBuffer);
    WaitMilliseconds(clock_, kCommandPauseMs);
    const char code = countCode(count);
    if (code != kSamplesAveragedCommand) {
        PortBuffer = QByteArray(1, code);
    }
    mainPort_.output(PortBuffer);
    lastSent_ = count;
}

}  // namespace quorlin
