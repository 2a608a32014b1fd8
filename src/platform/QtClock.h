#pragma once

#include "platform/Clock.h"

namespace quorlin {

// The system's monotonic clock: milliseconds for waits and gates, nanoseconds for the
// elapsed time of a run.
class QtClock : public Clock {
  public:
    qint64 tickMs() override;
    qint64 counter() override;
    qint64 counterFrequency() override { return 1'000'000'000; }
    QDateTime localNow() override;
};

}  // namespace quorlin
