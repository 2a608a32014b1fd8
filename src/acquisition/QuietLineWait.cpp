#include "acquisition/QuietLineWait.h"

#include "device/BoardProtocol.h"

namespace quorlin {

QuietLineWait::QuietLineWait(SerialPort& port, OneShotTimer& timer, qint32 baud)
    : port_(port), timer_(timer), quietMs_(quietMs(baud)) {}

int QuietLineWait::quietMs(qint32 baud) {
    const qint64 bits = qint64{kQuietByteTimes} * 10 * 1000;
    return static_cast<int>((bits + baud - 1) / baud);
}

void QuietLineWait::begin(const QByteArray& badReply) {
    tail_.clear();
    keepTail(badReply);
    waiting_ = true;
    timer_.start(quietMs_);
}

void QuietLineWait::drop(const QByteArray& bytes) {
    keepTail(bytes);
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
    const QByteArray late = port_.input();
    if (!late.isEmpty()) {
        drop(late);
        return false;
    }
    waiting_ = false;
    return true;
}

bool QuietLineWait::endedWithAReply() const {
    return isGoodReply(tail_);
}

void QuietLineWait::keepTail(const QByteArray& bytes) {
    tail_.append(bytes);
    if (tail_.size() > kReplyLength) {
        tail_.remove(0, tail_.size() - kReplyLength);
    }
}

}  // namespace quorlin
