#pragma once

#include <QDateTime>
#include <QtGlobal>

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
};

}  // namespace quorlin
