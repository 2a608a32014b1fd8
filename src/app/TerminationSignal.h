#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace quorlin {

// SIGTERM (a service manager, a shutdown of the machine, kill) ends the program as Exit does:
// the signal handler only writes a byte into a socket pair; the thread that made this object
// reads it from its event loop and runs `terminate`. One instance per process.
class TerminationSignal : public QObject {
  public:
    explicit TerminationSignal(std::function<void()> terminate, QObject* parent = nullptr);
    ~TerminationSignal() override;  // the default action again

  private:
    std::function<void()> terminate_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace quorlin
