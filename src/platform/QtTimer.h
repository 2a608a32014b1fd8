#pragma once

#include "platform/EventGate.h"
#include "platform/Timer.h"

#include <QTimer>

namespace quorlin {

// A single-shot QTimer whose timeout is raised through the EventGate.
class QtTimer : public OneShotTimer {
    Q_OBJECT
  public:
    explicit QtTimer(EventGate& gate, QObject* parent = nullptr);
    void start(int ms) override;
    void stop() override;
    bool isActive() const override { return timer_.isActive() || tick_.isWaiting(); }

  private:
    QTimer timer_;
    EventGate::Entry tick_;
};

class QtTimerFactory : public TimerFactory {
  public:
    explicit QtTimerFactory(EventGate& gate) : gate_(gate) {}
    std::unique_ptr<OneShotTimer> create() override { return std::make_unique<QtTimer>(gate_); }
    std::unique_ptr<OneShotTimer> createFor(EventGate& gate) override {
        return std::make_unique<QtTimer>(gate);
    }

  private:
    EventGate& gate_;
};

}  // namespace quorlin
