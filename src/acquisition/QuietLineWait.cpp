#include "acquisition/QuietLineWait.h"

namespace quorlin {

QuietLineWait::QuietLineWait(SerialPort& port, OneShotTimer& timer, qint32 baud)
    : port_(port), timer_(timer), quietMs_(quietMs(baud)) {}

int QuietLineWait::quietMs(qint32 baud) {
    const qint64 bits = qint64{kQuietByteTimes} * 10 * 1000;
    return static_cast<int>((bits + baud - 1) / baud);
}

void QuietLineWait::start() {
    waiting_ = true;
    timer_.start(quietMs_);
}

void QuietLineWait::cancel() {
    waiting_ = false;
    timer_.stop();
}

bool QuietLineWait::quietNow() {
    if (!waiting_) {
        return false;  // a timeout already on its way when the wait was cancelled
    }
    if (!port_.input().isEmpty()) {
        timer_.start(quietMs_);
        return false;
    }
    waiting_ = false;
    return true;
}

}  // namespace quorlin
