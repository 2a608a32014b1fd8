#include "app/TerminationSignal.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace quorlin {

namespace {
int pipeEnds[2] = {-1, -1};  // [0] written by the handler, [1] read by the event loop

void onSignal(int) {
    const char byte = 't';
    [[maybe_unused]] const ssize_t n = ::write(pipeEnds[0], &byte, 1);
}
}  // namespace

TerminationSignal::TerminationSignal(std::function<void()> terminate,
                                     std::initializer_list<int> signalNumbers, QObject* parent)
    : QObject(parent), terminate_(std::move(terminate)), signalNumbers_(signalNumbers) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0) {
        return;  // SIGTERM keeps its default action
    }
    notifier_ = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(pipeEnds[1], &byte, 1);
        if (terminate_) {
            terminate_();
        }
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : signalNumbers_) {
        ::sigaction(number, &action, nullptr);
    }
}

TerminationSignal::~TerminationSignal() {
    if (!notifier_) {
        return;
    }
    for (const int number : signalNumbers_) {
        std::signal(number, SIG_DFL);
    }
    delete notifier_;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

}  // namespace quorlin
