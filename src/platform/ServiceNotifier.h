#pragma once

#include <QString>

namespace quorlin {

// What a run tells the service manager that started it: ready, its status line, that it is
// alive, that it is stopping. A run not started as a notifying service sends nothing.
class ServiceNotifier {
  public:
    virtual ~ServiceNotifier() = default;
    virtual void ready() = 0;
    virtual void status(const QString& text) = 0;
    virtual void alive() = 0;
    virtual void stopping() = 0;
};

// systemd's notification socket (NOTIFY_SOCKET) through sd_notify; nothing without it.
class SystemdNotifier : public ServiceNotifier {
  public:
    void ready() override;
    void status(const QString& text) override;
    void alive() override;
    void stopping() override;
};

}  // namespace quorlin
