#include "platform/ServiceNotifier.h"

#include <systemd/sd-daemon.h>

namespace quorlin {

namespace {
void send(const QByteArray& message) {
    // The environment is left as it is: a service's restart of this process reads it again.
    sd_notify(0, message.constData());
}
}  // namespace

void SystemdNotifier::ready() {
    send(QByteArrayLiteral("READY=1"));
}

void SystemdNotifier::status(const QString& text) {
    // One line: the protocol separates its assignments by newlines.
    QString line = text;
    line.replace(u'\n', u' ');
    send("STATUS=" + line.toUtf8());
}

void SystemdNotifier::alive() {
    send(QByteArrayLiteral("WATCHDOG=1"));
}

void SystemdNotifier::stopping() {
    send(QByteArrayLiteral("STOPPING=1"));
}

}  // namespace quorlin
