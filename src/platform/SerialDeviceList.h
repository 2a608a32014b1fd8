#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace quorlin {

// A serial device present on the machine.
struct SerialDeviceInfo {
    QString path;  // "/dev/ttyUSB0"
    QString description;
    QString manufacturer;
};

using SerialDeviceLister = std::function<QList<SerialDeviceInfo>()>;

// The serial devices the system reports, in natural order of their paths (ttyS2 before ttyS10).
// Each followed by the links to it in /dev/serial/by-id: a link names the same adapter
// whichever ttyUSBn it comes back as after a replug.
QList<SerialDeviceInfo> listSerialDevices();
// The devices, each followed by the symbolic links to it found in linkFolder.
QList<SerialDeviceInfo> withStableLinks(const QList<SerialDeviceInfo>& devices,
                                        const QString& linkFolder);

}  // namespace quorlin
