#pragma once

#include <QObject>

#include <memory>

namespace quorlin {

// A one-shot timer on the UI thread (used only by the sampling loop's reply watchdog).
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

class TimerFactory {
  public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<OneShotTimer> create() = 0;
};

}  // namespace quorlin
