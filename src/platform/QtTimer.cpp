#include "platform/QtTimer.h"

namespace quorlin {

QtTimer::QtTimer(EventGate& gate, QObject* parent)
    : OneShotTimer(parent), gate_(gate), timer_(this) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        owed_ = true;
        deliver();
    });
    // Queued only when a timeout is owed: the gate opens after every port event.
    connect(&gate_, &EventGate::opened, this, [this] {
        if (owed_) {
            QMetaObject::invokeMethod(this, &QtTimer::deliver, Qt::QueuedConnection);
        }
    });
}

void QtTimer::start(int ms) {
    owed_ = false;
    timer_.start(ms);
}

void QtTimer::stop() {
    owed_ = false;
    timer_.stop();
}

void QtTimer::deliver() {
    if (!owed_ || !gate_.isOpen()) {
        return;
    }
    owed_ = false;
    const EventGate::Hold hold(gate_);
    emit timeout();
}

}  // namespace quorlin
