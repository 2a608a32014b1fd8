#include "platform/PortDevice.h"

#include "platform/SettingsStore.h"

namespace quorlin {

QString defaultDeviceOfPort(qint16 port) {
    if (port < 1) {
        return {};
    }
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

QString portDeviceName(qint16 port, SettingsStore& store) {
    if (port < 1) {
        return {};
    }
    const QString bound =
        store.value(QStringLiteral("Ports"), QString::number(port), QString()).trimmed();
    return bound.isEmpty() ? defaultDeviceOfPort(port) : bound;
}

}  // namespace quorlin
