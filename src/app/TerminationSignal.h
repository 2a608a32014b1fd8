#pragma once

#include <QObject>

#include <csignal>
#include <functional>
#include <initializer_list>
#include <vector>

class QSocketNotifier;

namespace quorlin {

// SIGTERM (a service manager, a shutdown of the machine, kill) ends the program as Exit does
// (a run without a window also takes SIGINT, Ctrl+C): the signal handler only writes a byte
// into a socket pair; the thread that made this object reads it from its event loop and runs
// `terminate`. One instance per process.
class TerminationSignal : public QObject {
  public:
    explicit TerminationSignal(std::function<void()> terminate,
                               std::initializer_list<int> signalNumbers = {SIGTERM},
                               QObject* parent = nullptr);
    ~TerminationSignal() override;  // the default actions again

  private:
    std::function<void()> terminate_;
    std::vector<int> signalNumbers_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace quorlin
