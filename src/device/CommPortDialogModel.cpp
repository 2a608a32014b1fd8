#include "device/CommPortDialogModel.h"

#include "common/AppError.h"
#include "device/BoardLink.h"
#include "device/BoardProtocol.h"
#include "platform/PortDevice.h"

#include <algorithm>

namespace quorlin {

namespace {

const QString kScreen = QStringLiteral("CommPort");
const QString kPortsSection = QStringLiteral("Ports");
const char kIdentifyRequest = requestByte(1);  // the reading request of channel 1

// Binds a device to a port number in the store for the span of one detection, so the port
// opens on the device the operator chose; the previous binding comes back afterwards, since
// only OK makes a choice permanent. A number without a binding gets its default device back
// (the store has no removal), which names the same device.
class TemporaryBinding {
  public:
    TemporaryBinding(SettingsStore& store, qint16 port, const QString& path) : store_(store) {
        key_ = QString::number(port);
        const QString current = portDeviceName(port, store_);
        if (path.isEmpty() || path == current) {
            return;
        }
        restoreTo_ = current;
        store_.setValue(kPortsSection, key_, path);
        active_ = true;
    }
    ~TemporaryBinding() {
        if (!active_) {
            return;
        }
        try {
            store_.setValue(kPortsSection, key_, restoreTo_);
        } catch (...) {
            // Nothing sensible to report from here; the next OK rewrites the binding.
        }
    }
    TemporaryBinding(const TemporaryBinding&) = delete;
    TemporaryBinding& operator=(const TemporaryBinding&) = delete;

  private:
    SettingsStore& store_;
    QString key_;
    QString restoreTo_;
    bool active_ = false;
};

}  // namespace

CommPortDialogModel::CommPortDialogModel(SettingsModel& settings, SettingsStore& store,
                                         SerialPortFactory& ports, Clock& clock, MessageBox& box,
                                         ErrorHandler& errors, SerialDeviceLister lister,
                                         QObject* parent)
    : QObject(parent),
      settings_(settings),
      store_(store),
      clock_(clock),
      box_(box),
      errors_(errors),
      lister_(std::move(lister)),
      port_(ports.create()) {
    port_->setSettings(QStringLiteral("9600,N,8,1"));
    port_->setInputLen(0);
}

CommPortDialogModel::~CommPortDialogModel() = default;

void CommPortDialogModel::Load() {
    devices_ = lister_ ? lister_() : QList<SerialDeviceInfo>{};
    emit devicesChanged();
    portField_ = std::clamp<qint16>(settings_.CurrentCommPort, 0, kMaxPort);
    devicePath_ = portDeviceName(portField_, store_);
    emit portFieldChanged();
    emit deviceChanged();
}

void CommPortDialogModel::setPortField(qint16 port) {
    port = std::clamp<qint16>(port, 0, kMaxPort);
    if (port == portField_) {
        return;
    }
    portField_ = port;
    emit portFieldChanged();
    // The device shown follows the number: what that number stands for now.
    devicePath_ = portDeviceName(port, store_);
    emit deviceChanged();
}

void CommPortDialogModel::setDevicePath(const QString& path) {
    const QString trimmed = path.trimmed();
    if (trimmed == devicePath_) {
        return;
    }
    devicePath_ = trimmed;
    emit deviceChanged();
}

QString CommPortDialogModel::deviceLabel() const {
    if (portField_ == 0) {
        return QStringLiteral("No port selected");
    }
    if (devicePath_.isEmpty()) {
        return QStringLiteral("No device");
    }
    for (const SerialDeviceInfo& d : devices_) {
        if (d.path == devicePath_) {
            QStringList about;
            if (!d.description.isEmpty()) {
                about.append(d.description);
            }
            if (!d.manufacturer.isEmpty()) {
                about.append(d.manufacturer);
            }
            return about.isEmpty() ? devicePath_
                                   : devicePath_ + QStringLiteral(" (") +
                                         about.join(QStringLiteral(", ")) + u')';
        }
    }
    return devicePath_;
}

void CommPortDialogModel::cmdDetect_Click() {
    try {
        if (portField_ == 0) {
            box_.showOk(
                QStringLiteral("You must select a comm port between 1 and 16 to run Detect!"));
            return;
        }
        const qint16 n = portField_;
        const QString t = QString::number(n);
        TemporaryBinding binding(store_, n, devicePath_);
        if (!TestCommPortAvailable(n)) {
            box_.showOk(
                QStringLiteral("Serial port ") + t +
                QStringLiteral(" does not exist, is not available, or is consumed by another "
                               "application!"));
            return;
        }
        setOkEnabled(false);
        setDetectEnabled(false);
        port_->setCommPort(n);
        port_->setPortOpen(true);
        port_->output(QByteArray(1, kIdentifyRequest));
        WaitMilliseconds(clock_, kDetectWaitMs);  // nothing is serviced meanwhile, on purpose
        const QByteArray reply = port_->input();  // one read: later bytes are not this reply's
        port_->setPortOpen(false);
        if (isGoodReply(reply)) {
            box_.showOk(QStringLiteral("Quorlin found on serial port ") + t + u'!');
        } else {
            box_.showOk(QStringLiteral("Quorlin not found on serial port ") + t + u'!');
        }
        setOkEnabled(true);
        setDetectEnabled(true);
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("cmdDetect_Click"), kScreen,
                                   e.description);
        // The dialog has no Cancel: left disabled with its port open, it could only be closed.
        try {
            port_->setPortOpen(false);
        } catch (const AppError&) {
        }
        setOkEnabled(true);
        setDetectEnabled(true);
    }
}

bool CommPortDialogModel::TestCommPortAvailable(qint16 port) {
    try {
        port_->setCommPort(port);
        port_->setPortOpen(true);
        port_->setPortOpen(false);
        return true;
    } catch (const AppError&) {
        return false;
    }
}

void CommPortDialogModel::cmdOK_Click() {
    try {
        settings_.CurrentCommPort = portField_;
        if (settings_.CurrentCommPort == 0) {
            box_.showOk(QStringLiteral("No comm port has been selected!"));
        }
        const qint16 n = settings_.CurrentCommPort;
        if (n > 0 && !devicePath_.isEmpty() && devicePath_ != portDeviceName(n, store_)) {
            store_.setValue(kPortsSection, QString::number(n), devicePath_);
        }
        store_.setValue(QStringLiteral("Startup"), QStringLiteral("CurrentCommPort"),
                        QString::number(n));
        emit closeRequested();
    } catch (const AppError& e) {
        errors_.SimpleErrorHandler(e.number, QStringLiteral("cmdOK_Click"), kScreen, e.description);
    }
}

void CommPortDialogModel::setOkEnabled(bool enabled) {
    if (okEnabled_ != enabled) {
        okEnabled_ = enabled;
        emit okEnabledChanged();
    }
}

void CommPortDialogModel::setDetectEnabled(bool enabled) {
    if (detectEnabled_ != enabled) {
        detectEnabled_ = enabled;
        emit detectEnabledChanged();
    }
}

}  // namespace quorlin
