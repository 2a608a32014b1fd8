#pragma once

#include <QObject>

#include <memory>

namespace quorlin {

// A one-shot timer on the thread that made it.
class OneShotTimer : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~OneShotTimer() override = default;
    virtual void start(int ms) = 0;  // restarts when running
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

  signals:
    void timeout();
};

class EventGate;

class TimerFactory {
  public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<OneShotTimer> create() = 0;
    // A timer whose timeout passes `gate`, the gate of the thread that calls.
    virtual std::unique_ptr<OneShotTimer> createFor(EventGate& gate) {
        static_cast<void>(gate);
        return create();
    }
};

}  // namespace quorlin
