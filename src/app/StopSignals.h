#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace quorlin {

// SIGTERM and SIGINT, turned into a signal of the event loop: the handler itself only writes a
// byte to a pipe, so the stop runs as ordinary code on the main thread.
class StopSignals : public QObject {
    Q_OBJECT
  public:
    StopSignals();
    ~StopSignals() override;

  signals:
    void requested(int signalNumber);

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quorlin
