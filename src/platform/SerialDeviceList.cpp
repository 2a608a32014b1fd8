#include "platform/SerialDeviceList.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

namespace quorlin {

QList<SerialDeviceInfo> listSerialDevices() {
    QList<SerialDeviceInfo> out;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        out.append({info.systemLocation(), info.description(), info.manufacturer()});
    }
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(out.begin(), out.end(), [&](const SerialDeviceInfo& a, const SerialDeviceInfo& b) {
        return collator.compare(a.path, b.path) < 0;
    });
    return withStableLinks(out, QStringLiteral("/dev/serial/by-id"));
}

QList<SerialDeviceInfo> withStableLinks(const QList<SerialDeviceInfo>& devices,
                                        const QString& linkFolder) {
    const QFileInfoList links =
        QDir(linkFolder)
            .entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    QList<SerialDeviceInfo> out;
    for (const SerialDeviceInfo& device : devices) {
        out.append(device);
        const QString target = QFileInfo(device.path).canonicalFilePath();
        for (const QFileInfo& link : links) {
            if (link.isSymLink() && !target.isEmpty() && link.canonicalFilePath() == target) {
                out.append({link.absoluteFilePath(),
                            QStringLiteral("stable name of %1").arg(device.path),
                            device.manufacturer});
            }
        }
    }
    return out;
}

}  // namespace quorlin
