#pragma once

#include "common/ErrorHandler.h"
#include "config/SettingsModel.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/SerialPort.h"

#include <QByteArray>
#include <QString>

namespace quorlin {

// The serial link to the board: opening and closing a port, the blocking delay and the
// samples-averaged command.
class BoardLink {
  public:
    BoardLink(SettingsModel& settings, SerialPort& mainPort, Clock& clock, ErrorHandler& errors,
              MessageBox& messages);

    void OpenCommPort(SerialPort& port, const QString& window);
    void CloseCommPort(SerialPort& port, const QString& window);
    void WaitMilliseconds(qint32 ms);
    double ReplyToVolts() const;
    void SendSamplesAveraged();
    SerialPort& mainPort() { return mainPort_; }

    QByteArray PortBuffer;

  private:
    SettingsModel& settings_;
    SerialPort& mainPort_;
    Clock& clock_;
    ErrorHandler& errors_;
    MessageBox& messages_;
};

}  // namespace quorlin
