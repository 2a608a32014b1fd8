#include "platform/QtSerialPort.h"

#include "common/AppError.h"
#include "platform/PortDevice.h"

#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace quorlin {

namespace {

constexpr qint32 kInvalidPropertyValue = 380;
constexpr int kWriteBoundMs = 1000;   // output() waits at most this long for the line
constexpr int kMaxDrainPasses = 256;  // input() stops draining a line that never pauses

AppError invalidProperty() {
    return AppError(kInvalidPropertyValue, QStringLiteral("Invalid property value"));
}

AppError notOpen() {
    return AppError(ErrorNumber::DeviceNotOpen,
                    QStringLiteral("Operation valid only when the port is open"));
}

AppError alreadyOpen() {
    return AppError(ErrorNumber::PortAlreadyOpen, QStringLiteral("Port already open"));
}

QString ownerGroup(const QByteArray& nativePath) {
    struct stat st {};
    if (::stat(nativePath.constData(), &st) != 0) {
        return {};
    }
    const struct group* g = ::getgrgid(st.st_gid);
    return g != nullptr ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid);
}

AppError permissionDenied(qint16 n, const QString& device, const QByteArray& nativePath) {
    const QString group = ownerGroup(nativePath);
    const QString owner =
        group.isEmpty() ? QString() : QStringLiteral(" (this device belongs to %1)").arg(group);
    return AppError(ErrorNumber::PathFileAccessError,
                    QStringLiteral("Permission denied: port %1 (%2) cannot be opened. To use it, "
                                   "add your user to the group that owns the device, usually "
                                   "dialout%3, then log in again.")
                        .arg(n)
                        .arg(device, owner));
}

}  // namespace

LineSettings parseLineSettings(const QString& text) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 4) {
        throw invalidProperty();
    }
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0) {
        throw invalidProperty();
    }
    const QString parity = parts[1].trimmed().toUpper();
    if (parity == u"N") {
        s.parity = QSerialPort::NoParity;
    } else if (parity == u"E") {
        s.parity = QSerialPort::EvenParity;
    } else if (parity == u"O") {
        s.parity = QSerialPort::OddParity;
    } else if (parity == u"M") {
        s.parity = QSerialPort::MarkParity;
    } else if (parity == u"S") {
        s.parity = QSerialPort::SpaceParity;
    } else {
        throw invalidProperty();
    }
    const int bits = parts[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8) {
        throw invalidProperty();
    }
    s.dataBits = static_cast<QSerialPort::DataBits>(bits);
    const QString stop = parts[3].trimmed();
    if (stop == u"1") {
        s.stopBits = QSerialPort::OneStop;
    } else if (stop == u"1.5") {
        s.stopBits = QSerialPort::OneAndHalfStop;
    } else if (stop == u"2") {
        s.stopBits = QSerialPort::TwoStop;
    } else {
        throw invalidProperty();
    }
    return s;
}

QtSerialPort::QtSerialPort(SettingsStore& store, EventGate& gate, QObject* parent)
    : SerialPort(parent),
      store_(store),
      gate_(gate),
      port_(this),
      receive_(gate, [this] { deliverReceive(); }),
      lineLost_(gate, [this] { deliverLineLost(); }) {
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        if (receiveDue()) {
            receive_.raise();
        }
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

QtSerialPort::~QtSerialPort() {
    QObject::disconnect(&port_, nullptr, this, nullptr);
    port_.close();
}

void QtSerialPort::setCommPort(qint16 port) {
    if (isOpen()) {
        throw alreadyOpen();
    }
    portNumber_ = port;
}

void QtSerialPort::setSettings(const QString& settings) {
    const LineSettings parsed = parseLineSettings(settings);
    settingsText_ = settings;
    settings_ = parsed;
    if (port_.isOpen()) {
        const EventGate::Hold hold(gate_);
        port_.setBaudRate(settings_.baud);
        port_.setParity(settings_.parity);
        port_.setDataBits(settings_.dataBits);
        port_.setStopBits(settings_.stopBits);
    }
}

void QtSerialPort::setInputLen(qint16 length) {
    if (length < 0) {
        throw invalidProperty();
    }
    inputLen_ = length;
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen() && !lost_;
}

void QtSerialPort::setPortOpen(bool open) {
    const EventGate::Hold hold(gate_);
    if (open) {
        if (isOpen()) {
            throw alreadyOpen();
        }
        close();  // a line found lost but not yet closed
        this->open();
    } else {
        close();
    }
}

void QtSerialPort::open() {
    if (portNumber_ < 1 || portNumber_ > 16) {
        throw AppError(ErrorNumber::InvalidPortNumber, QStringLiteral("Invalid Port Number"));
    }
    const QString device = portDeviceName(portNumber_, store_);
    const QByteArray native = QFile::encodeName(device);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        throw AppError(ErrorNumber::InvalidPortNumber,
                       QStringLiteral("Invalid Port Number: port %1 is %2, which does not exist")
                           .arg(portNumber_)
                           .arg(device));
    }
    // QSerialPort reports a missing permission, a busy device and a foreign lock all as
    // PermissionError: ask the system first so that each gets its own report.
    if (::access(native.constData(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM)) {
        throw permissionDenied(portNumber_, device, native);
    }

    port_.setPortName(device);
    port_.setBaudRate(settings_.baud);
    port_.setParity(settings_.parity);
    port_.setDataBits(settings_.dataBits);
    port_.setStopBits(settings_.stopBits);
    opening_ = true;
    const bool ok = port_.open(QIODevice::ReadWrite);
    opening_ = false;
    if (!ok) {
        const QString why = port_.errorString();
        const QSerialPort::SerialPortError error = port_.error();
        port_.clearError();
        switch (error) {
            case QSerialPort::DeviceNotFoundError:
                throw AppError(ErrorNumber::InvalidPortNumber,
                               QStringLiteral("Invalid Port Number: port %1 is %2, which does not "
                                              "exist (%3)")
                                   .arg(portNumber_)
                                   .arg(device, why));
            case QSerialPort::PermissionError:
                if (why == QString::fromLocal8Bit(std::strerror(EACCES))) {
                    throw permissionDenied(portNumber_, device, native);
                }
                [[fallthrough]];
            case QSerialPort::OpenError:
                throw AppError(
                    ErrorNumber::PortAlreadyOpen,
                    QStringLiteral("Port already open: port %1 (%2) is in use by another "
                                   "program (%3)")
                        .arg(portNumber_)
                        .arg(device, why));
            default:
                throw AppError(
                    ErrorNumber::InvalidPortNumber,
                    QStringLiteral("Invalid Port Number: port %1 (%2) cannot be opened as "
                                   "a serial port (%3)")
                        .arg(portNumber_)
                        .arg(device, why));
        }
    }
    device_ = device;
    active_ = true;
    lost_ = false;
    consumed_ = 0;
    deliveredAt_ = 0;
    requestLowLatency();
    // Pseudo-terminals refuse some line-state ioctls during opening; that is no failure.
    port_.clearError();
}

void QtSerialPort::requestLowLatency() {
#ifdef Q_OS_LINUX
    // Hands each byte over at once instead of after the driver's batching delay. Devices
    // without the call (pseudo-terminals, some USB adapters) simply keep their default.
    const int fd = static_cast<int>(port_.handle());
    struct serial_struct ss {};
    if (fd >= 0 && ::ioctl(fd, TIOCGSERIAL, &ss) == 0) {
        ss.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &ss);
    }
#endif
}

void QtSerialPort::close() {
    if (port_.isOpen()) {
        port_.close();
    }
    port_.clearError();
    active_ = false;
    lost_ = false;
    receive_.cancel();
    lineLost_.cancel();
}

void QtSerialPort::output(const QByteArray& bytes) {
    const EventGate::Hold hold(gate_);
    if (!isOpen()) {
        throw notOpen();
    }
    if (bytes.isEmpty()) {
        return;
    }
    if (port_.error() != QSerialPort::NoError) {
        port_.clearError();
    }
    // Straight to the device while nothing waits in QSerialPort's own buffer: its buffered
    // write switches a write notifier on and off again, two extra passes of the event loop
    // for every request. Whatever the device does not take at once goes the buffered way.
    qsizetype done = 0;
    const int fd = static_cast<int>(port_.handle());
    if (fd >= 0 && port_.bytesToWrite() == 0) {
        while (done < bytes.size()) {
            const ssize_t w =
                ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
            if (w > 0) {
                done += w;
            } else if (w < 0 && errno == EINTR) {
                continue;
            } else if (w < 0 && errno != EAGAIN) {
                const int error = errno;
                if (error == EIO || error == ENXIO || error == ENODEV) {
                    lineGone();  // a pulled adapter can fail the write before the read
                }
                throw AppError(ErrorNumber::DeviceIoError,
                               QStringLiteral("Device I/O error: %1")
                                   .arg(QString::fromLocal8Bit(std::strerror(error))));
            } else {
                break;
            }
        }
    }
    if (done == bytes.size()) {
        return;
    }
    const QByteArray rest = bytes.mid(done);
    if (port_.write(rest) != rest.size()) {
        throw AppError(ErrorNumber::DeviceIoError,
                       QStringLiteral("Device I/O error: %1").arg(port_.errorString()));
    }
    port_.flush();
    const QDeadlineTimer deadline(kWriteBoundMs);
    while (port_.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!port_.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
            break;
        }
    }
    const QSerialPort::SerialPortError error = port_.error();
    if (error == QSerialPort::WriteError || error == QSerialPort::ResourceError) {
        throw AppError(ErrorNumber::DeviceIoError,
                       QStringLiteral("Device I/O error: %1").arg(port_.errorString()));
    }
}

QByteArray QtSerialPort::input() {
    const EventGate::Hold hold(gate_);
    if (!isOpen()) {
        throw notOpen();
    }
    // QSerialPort fills its buffer only when the event loop runs: take what the OS holds.
    // From the receive event QSerialPort has usually just read everything, and asking the OS
    // how much waits costs less than a pass of QSerialPort's wait.
    int waiting = 1;
    const int fd = static_cast<int>(port_.handle());
    if (fd < 0 || ::ioctl(fd, FIONREAD, &waiting) != 0) {
        waiting = 1;
    }
    for (int pass = 0; waiting > 0 && pass < kMaxDrainPasses && port_.waitForReadyRead(0); ++pass) {
    }
    // Read exactly what is buffered: readAll() hands out an array with room for 64 KiB, which
    // whoever keeps a reply (a log, a queue) would keep too.
    const QByteArray data = port_.read(inputLen_ > 0 ? inputLen_ : port_.bytesAvailable());
    consumed_ += data.size();
    return data;
}

void QtSerialPort::setRThreshold(qint16 n) {
    if (n < 0) {
        throw invalidProperty();
    }
    threshold_ = n;
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    // Also when QSerialPort closed the device itself on the way to reporting it.
    if (opening_ || lost_ || !active_) {
        return;
    }
    // A pseudo-terminal whose far end closed floods ReadError and stays "open"; a pulled
    // USB adapter gives ResourceError. Either way the line is gone. The port is closed from
    // the event loop, not inside QSerialPort's own call that reported it.
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) {
        return;
    }
    lineGone();
}

void QtSerialPort::lineGone() {
    if (!lost_ && active_) {
        lost_ = true;
        lineLost_.raiseLater();
    }
}

void QtSerialPort::deliverLineLost() {
    if (!lost_) {
        return;  // closed or reopened by the program meanwhile
    }
    close();
    event_ = CommEvent::LineLost;
    emit onComm();
}

bool QtSerialPort::receiveDue() const {
    // Once per arrival that leaves at least threshold_ bytes waiting: bytes the handler left
    // unread do not raise the event again by themselves.
    return isOpen() && threshold_ > 0 && port_.bytesAvailable() >= threshold_ &&
           receivedTotal() > deliveredAt_;
}

void QtSerialPort::deliverReceive() {
    if (!receiveDue()) {
        return;  // taken by input() while the event waited at the gate
    }
    deliveredAt_ = receivedTotal();
    event_ = CommEvent::Receive;
    emit onComm();
}

std::unique_ptr<SerialPort> QtSerialPortFactory::create() {
    return std::make_unique<QtSerialPort>(store_, gate_);
}

std::unique_ptr<SerialPort> QtSerialPortFactory::createFor(EventGate& gate) {
    return std::make_unique<QtSerialPort>(store_, gate);
}

}  // namespace quorlin
