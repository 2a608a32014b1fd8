#include "platform/EventGate.h"

#include <algorithm>

namespace quorlin {

EventGate::~EventGate() {
    for (Entry* e : waiting_) {
        e->waiting_ = false;
    }
}

void EventGate::release() {
    if (--depth_ == 0 && !waiting_.empty() && !flushing_) {
        scheduleFlush();
    }
}

void EventGate::wait(Entry& entry) {
    if (!entry.waiting_) {
        entry.waiting_ = true;
        waiting_.push_back(&entry);
    }
}

void EventGate::scheduleFlush() {
    if (flushQueued_) {
        return;
    }
    flushQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            flushQueued_ = false;
            flush();
        },
        Qt::QueuedConnection);
}

void EventGate::flush() {
    if (!isOpen()) {
        return;  // the Hold that closed it schedules the next flush when it ends
    }
    flushing_ = true;
    while (isOpen() && !waiting_.empty()) {
        Entry* e = waiting_.front();
        waiting_.erase(waiting_.begin());
        e->waiting_ = false;
        e->run();
    }
    flushing_ = false;
}

EventGate::Entry::Entry(EventGate& gate, std::function<void()> handler)
    : gate_(gate), handler_(std::move(handler)) {}

EventGate::Entry::~Entry() {
    cancel();
}

void EventGate::Entry::raise() {
    if (gate_.isOpen()) {
        run();
    } else {
        gate_.wait(*this);
    }
}

void EventGate::Entry::raiseLater() {
    gate_.wait(*this);
    if (gate_.isOpen()) {
        gate_.scheduleFlush();
    }
}

void EventGate::Entry::cancel() {
    if (!waiting_) {
        return;
    }
    waiting_ = false;
    auto& list = gate_.waiting_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void EventGate::Entry::run() {
    const Hold hold(gate_);
    handler_();
}

}  // namespace quorlin
