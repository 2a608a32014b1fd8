#include "publishing/MessageQueue.h"

namespace quorlin {

bool MessageQueue::push(OutgoingMessage message) {
    std::lock_guard lock(mutex_);
    const bool full = messages_.size() >= capacity_;
    if (full) {
        messages_.pop_front();
        ++dropped_;
    }
    messages_.push_back(std::move(message));
    return full;
}

std::optional<OutgoingMessage> MessageQueue::pop() {
    std::lock_guard lock(mutex_);
    if (messages_.empty()) {
        return std::nullopt;
    }
    OutgoingMessage message = std::move(messages_.front());
    messages_.pop_front();
    return message;
}

bool MessageQueue::pushFront(OutgoingMessage message) {
    std::lock_guard lock(mutex_);
    if (messages_.size() >= capacity_) {
        ++dropped_;
        return true;
    }
    messages_.push_front(std::move(message));
    return false;
}

std::size_t MessageQueue::size() const {
    std::lock_guard lock(mutex_);
    return messages_.size();
}

quint64 MessageQueue::dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

}  // namespace quorlin
