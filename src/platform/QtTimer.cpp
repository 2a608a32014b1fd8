#include "platform/QtTimer.h"

namespace quorlin {

QtTimer::QtTimer(EventGate& gate, QObject* parent)
    : OneShotTimer(parent), timer_(this), tick_(gate, [this] { emit timeout(); }) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { tick_.raise(); });
}

void QtTimer::start(int ms) {
    tick_.cancel();
    timer_.start(ms);
}

void QtTimer::stop() {
    tick_.cancel();
    timer_.stop();
}

}  // namespace quorlin
