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
// raised through the EventGate; this port's own calls hold the gate, so an event found
// during one of them waits until the call has returned.
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

    QString deviceName() const override { return device_; }

  private:
    void open();
    void close();
    void onError(QSerialPort::SerialPortError error);
    void lineGone();
    bool receiveDue() const;
    void deliverReceive();
    void deliverLineLost();
    void requestLowLatency();
    qint64 receivedTotal() const { return consumed_ + port_.bytesAvailable(); }

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

    bool opening_ = false;
    bool active_ = false;     // opened by setPortOpen(true) and not closed since
    bool lost_ = false;       // the line went away; the port closes when LineLost is raised
    qint64 consumed_ = 0;     // bytes handed out by input() since opening
    qint64 deliveredAt_ = 0;  // receivedTotal() when the last Receive event went out
    EventGate::Entry receive_;
    EventGate::Entry lineLost_;
};

class QtSerialPortFactory : public SerialPortFactory {
  public:
    QtSerialPortFactory(SettingsStore& store, EventGate& gate) : store_(store), gate_(gate) {}
    std::unique_ptr<SerialPort> create() override;
    std::unique_ptr<SerialPort> createFor(EventGate& gate) override;

  private:
    SettingsStore& store_;
    EventGate& gate_;
};

}  // namespace quorlin
