#pragma once

#include "common/ErrorHandler.h"
#include "config/SettingsModel.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/SerialPort.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace quorlin {

// Sleeps the calling thread until the monotonic millisecond tick has moved past `ms`: nothing
// is serviced on that thread meanwhile, on purpose. 0 or less returns at once.
void WaitMilliseconds(Clock& clock, qint64 ms);

// The thin layer over the board's serial port: opening and closing with the fixed line
// settings, the buffer every request and reply passes through, and the samples-averaged
// command pair (with its pause).
class BoardLink {
  public:
    BoardLink(SettingsModel& settings, SerialPort& mainPort, Clock& clock, ErrorHandler& errors,
              MessageBox& messageBox);

    // Opens a closed port on CurrentCommPort at 9600,N,8,1, read length 0. An open port is
    // left as it is. A failure is reported to the error handler; the caller is not told.
    void OpenCommPort(SerialPort& port, const QString& window);
    // Opens the closed main port as OpenCommPort does, but a failure (AppError) is the
    // caller's: a reconnect retries quietly.
    void ReopenMainPort();
    // Closes an open port; a failure is reported to the error handler.
    void CloseCommPort(SerialPort& port, const QString& window);
    // "z", 100 ms, the count code of SamplesAveraged, then the port is closed. A failure ends
    // the sequence with a message of its own (not the error handler). While sampling has the
    // port open nothing is sent; the pair is held back until SendPendingSamplesAveraged.
    void SendSamplesAveraged();
    // Sends the pair held back while the port was open, once it is closed; nothing when none
    // waits. Run where sampling stops.
    void SendPendingSamplesAveraged();
    // The board still averages as before: a SamplesAveraged other than the one last sent
    // waits for sampling to stop.
    bool averagingPending() const { return averagingPending_; }
    // Told whenever a send is held back or the held-back send is made.
    void setAveragingPendingChanged(std::function<void()> changed) {
        averagingPendingChanged_ = std::move(changed);
    }
    // The command pair alone, on the open main port, for the averaging the board last received
    // (the setting when it never received one): a board plugged in again mid-run goes on
    // averaging as before. A failure (AppError) is the caller's.
    void resendSamplesAveraged();

    // A sampling run owns the main port from its start to its stop, also while the port is
    // closed for a reconnect.
    void setSampling(bool on) { sampling_ = on; }

    SerialPort& mainPort() { return mainPort_; }

    // Every write and read of the main port passes through here.
    QByteArray PortBuffer;

  private:
    void writeSamplesAveraged(qint16 count);
    void setAveragingPending(bool pending);  // and tells the one who asked to know

    SettingsModel& settings_;
    SerialPort& mainPort_;
    Clock& clock_;
    ErrorHandler& errors_;
    MessageBox& messageBox_;
    bool sampling_ = false;
    bool averagingPending_ = false;
    qint16 lastSent_ = -1;  // SamplesAveraged of the last pair written whole; -1 before any
    std::function<void()> averagingPendingChanged_;
};

}  // namespace quorlin
