#include "device/BoardLink.h"

#include "common/AppError.h"
#include "device/BoardProtocol.h"

namespace quorlin {

BoardLink::BoardLink(SettingsModel& settings, SerialPort& mainPort, Clock& clock,
                     ErrorHandler& errors, MessageBox& messages)
    : settings_(settings),
      mainPort_(mainPort),
      clock_(clock),
      errors_(errors),
      messages_(messages) {}

void BoardLink::OpenCommPort(SerialPort& port, const QString& window) {
    try {
        if (port.isOpen()) {
            return;
        }
        port.setCommPort(settings_.CurrentCommPort);
        port.setSettings(QStringLiteral("9600,N,8,1"));
        port.setInputLen(0);
        port.setPortOpen(true);
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("OpenCommPort"), window, e.description);
    }
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

void BoardLink::WaitMilliseconds(qint32 ms) {
    const qint64 start = clock_.tickMs();
    while (clock_.tickMs() - start < ms) {
    }
}

double BoardLink::ReplyToVolts() const {
    return replyToVolts(PortBuffer);
}

void BoardLink::SendSamplesAveraged() {
    OpenCommPort(mainPort_, QStringLiteral("Main"));
    try {
        PortBuffer = QByteArray(1, 0x7A);
        mainPort_.output(PortBuffer);
        WaitMilliseconds(100);
        switch (settings_.SamplesAveraged) {
            case 1:
                PortBuffer = QByteArray(1, 0x69);
                break;
            case 10:
                PortBuffer = QByteArray(1, 0x6A);
                break;
            case 100:
                PortBuffer = QByteArray(1, 0x6B);
                break;
            case 200:
                PortBuffer = QByteArray(1, 0x6C);
                break;
            default:
                break;
        }
        mainPort_.output(PortBuffer);
        CloseCommPort(mainPort_, QStringLiteral("Main"));
    } catch (const AppError&) {
        messages_.showOk(QStringLiteral(
            "The application failed to Send Samples Averaged to the QRL during start-up!\r"
            "1) Open Comm Port screen.\r2) Run Auto Detect.\r3) Close application.\r"
            "4) Re-start application to proceed.\r"));
    }
}

}  // namespace quorlin
