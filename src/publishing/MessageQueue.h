#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <deque>
#include <mutex>
#include <optional>

namespace quorlin {

struct OutgoingMessage {
    QByteArray topic;
    QByteArray payload;
    bool retain = false;
};

// Messages waiting for the broker, shared by the engine's thread (which adds) and the
// client's network thread (which takes). Bounded: when full, the oldest message goes and is
// counted as dropped, so a slow or absent broker costs memory up to the bound and never
// holds up the one who adds.
class MessageQueue {
  public:
    static constexpr std::size_t kDefaultCapacity = 10000;

    explicit MessageQueue(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

    // True when the oldest message was dropped to make room.
    bool push(OutgoingMessage message);
    std::optional<OutgoingMessage> pop();
    // Puts a message taken but not handed over back at the front, unless newer ones filled
    // the queue meanwhile: it is then dropped (it is the oldest), and the result is true.
    bool pushFront(OutgoingMessage message);

    std::size_t size() const;
    quint64 dropped() const;

  private:
    mutable std::mutex mutex_;
    std::deque<OutgoingMessage> messages_;
    std::size_t capacity_;
    quint64 dropped_ = 0;
};

}  // namespace quorlin
