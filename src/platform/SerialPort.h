#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

namespace quorlin {

// Kinds of port event (commEvent()).
namespace CommEvent {
constexpr int None = 0;
constexpr int Receive = 2;      // at least the receive threshold of bytes is waiting
constexpr int LineLost = 1020;  // the device went away or the line failed; the port is closed
}  // namespace CommEvent

// The operations the system needs of a serial port. Failures throw AppError (8002 invalid
// port number, 8005 port already open, 8012 port not open, 75 access denied, ...).
class SerialPort : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~SerialPort() override = default;

    virtual void setCommPort(qint16 port) = 0;
    virtual qint16 commPort() const = 0;
    virtual void setSettings(const QString& settings) = 0;  // "9600,N,8,1"
    virtual void setInputLen(qint16 length) = 0;            // 0 = every waiting byte
    virtual bool isOpen() const = 0;
    virtual void setPortOpen(bool open) = 0;
    // Puts the bytes on the line before returning.
    virtual void output(const QByteArray& bytes) = 0;
    // Every byte waiting, including what the OS still holds.
    virtual QByteArray input() = 0;
    // onComm() is raised once at least n bytes are waiting; 0 switches the event off.
    virtual void setRThreshold(qint16 n) = 0;
    virtual int commEvent() const = 0;
    // The device path the last opening used (for reports); empty before the first.
    virtual QString deviceName() const { return {}; }

  signals:
    // Delivered on the thread that owns the port, never inside another onComm() handler.
    void onComm();
};

class EventGate;

class SerialPortFactory {
  public:
    virtual ~SerialPortFactory() = default;
    virtual std::unique_ptr<SerialPort> create() = 0;
    // A port whose events pass `gate`, the gate of the thread that calls (and then owns the
    // port). Ports without a gate of their own ignore it.
    virtual std::unique_ptr<SerialPort> createFor(EventGate& gate) {
        static_cast<void>(gate);
        return create();
    }
};

}  // namespace quorlin
