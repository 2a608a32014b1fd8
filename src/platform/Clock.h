#pragma once

#include <QDateTime>
#include <QtGlobal>

#include <chrono>
#include <thread>

namespace quorlin {

class Clock {
  public:
    virtual ~Clock() = default;
    // Monotonic milliseconds; 64 bits, so it never wraps during a run.
    virtual qint64 tickMs() = 0;
    // High-resolution counter and its ticks per second.
    virtual qint64 counter() = 0;
    virtual qint64 counterFrequency() = 0;
    virtual QDateTime localNow() = 0;
    // Sleeps the calling thread for about `ms` milliseconds of the monotonic clock (never
    // less than asked; a wake-up may come late).
    virtual void sleepMs(qint64 ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

}  // namespace quorlin
