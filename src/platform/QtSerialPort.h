#pragma once

#include "platform/EventGate.h"
#include "platform/SerialPort.h"
#include "platform/SettingsStore.h"

#include <QSerialPort>

namespace quorlin {

// Line settings as written in "9600,N,8,1" (baud, parity N/E/O/M/S, data bits, stop bits).
struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};
// Throws AppError 380 when the text is not a valid settings text.
LineSettings parseLineSettings(const QString& text);

// A serial port over QSerialPort. Port events (receive threshold reached, line lost) are
// raised from the event loop through the EventGate, never from inside one of this port's
// own calls.
class QtSerialPort : public SerialPort {
    Q_OBJECT
  public:
    QtSerialPort(SettingsStore& store, EventGate& gate, QObject* parent = nullptr);
    ~QtSerialPort() override;

    void setCommPort(qint16 port) override;
    qint16 commPort() const override { return portNumber_; }
    void setSettings(const QString& settings) override;
    void setInputLen(qint16 length) override;
    bool isOpen() const override;
    void setPortOpen(bool open) override;
    void output(const QByteArray& bytes) override;
    QByteArray input() override;
    void setRThreshold(qint16 n) override;
    int commEvent() const override { return event_; }

    // The device path the last opening used (for reports and tests).
    const QString& deviceName() const { return device_; }

  private:
    void open();
    void close();
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void lineLost(quint64 generation);
    void deliverOwed();
    void tryDeliver();
    bool owesEvent() const;
    void scheduleRetry();
    void requestLowLatency();
    qint64 receivedTotal() const { return consumed_ + port_.bytesAvailable(); }

    // Marks a call of this port's own API: events found during it wait for the event loop.
    struct InCall {
        explicit InCall(QtSerialPort& p) : port(p) { ++port.callDepth_; }
        ~InCall() { --port.callDepth_; }
        QtSerialPort& port;
    };

    SettingsStore& store_;
    EventGate& gate_;
    QSerialPort port_;
    QString device_;
    qint16 portNumber_ = 1;
    QString settingsText_ = QStringLiteral("9600,N,8,1");
    LineSettings settings_;
    qint16 inputLen_ = 0;
    qint16 threshold_ = 0;
    int event_ = CommEvent::None;

    quint64 generation_ = 0;  // bumps at every open and close
    bool opening_ = false;
    bool active_ = false;        // opened by setPortOpen(true) and not closed since
    bool lost_ = false;          // the line went away; the port closes on the next pass
    bool lineLostOwed_ = false;  // a LineLost event waits for the gate
    bool retryQueued_ = false;
    int callDepth_ = 0;
    qint64 consumed_ = 0;     // bytes handed out by input() since opening
    qint64 deliveredAt_ = 0;  // receivedTotal() when the last Receive event went out
};

class QtSerialPortFactory : public SerialPortFactory {
  public:
    QtSerialPortFactory(SettingsStore& store, EventGate& gate) : store_(store), gate_(gate) {}
    std::unique_ptr<SerialPort> create() override;

  private:
    SettingsStore& store_;
    EventGate& gate_;
};

}  // namespace quorlin
