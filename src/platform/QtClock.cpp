#include "platform/QtClock.h"

#include <chrono>

namespace quorlin {

qint64 QtClock::tickMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

qint64 QtClock::counter() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

QDateTime QtClock::localNow() {
    return QDateTime::currentDateTime();
}

}  // namespace quorlin
