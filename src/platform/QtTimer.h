#pragma once

#include "platform/EventGate.h"
#include "platform/Timer.h"

#include <QTimer>

namespace quorlin {

// A single-shot QTimer whose timeout, like a port event, waits while the EventGate is
// closed and runs with the gate closed.
class QtTimer : public OneShotTimer {
    Q_OBJECT
  public:
    explicit QtTimer(EventGate& gate, QObject* parent = nullptr);
    void start(int ms) override;
    void stop() override;
    bool isActive() const override { return timer_.isActive() || owed_; }

  private:
    void deliver();

    EventGate& gate_;
    QTimer timer_;
    bool owed_ = false;  // expired while the gate was closed
};

class QtTimerFactory : public TimerFactory {
  public:
    explicit QtTimerFactory(EventGate& gate) : gate_(gate) {}
    std::unique_ptr<OneShotTimer> create() override { return std::make_unique<QtTimer>(gate_); }

  private:
    EventGate& gate_;
};

}  // namespace quorlin
