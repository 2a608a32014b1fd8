#pragma once

#include "platform/SerialPort.h"
#include "platform/Timer.h"

namespace quorlin {

// After a bad reply the rest of it, or a burst of noise, may still be on its way. Asked again
// at once, the next reply would arrive behind those bytes and be misframed too, and so on
// until the line happened to pause. Instead whatever arrives is read and dropped until the
// line has been quiet for a few byte times at the port's speed; then the request goes out
// again and its reply starts on a clean line.
class QuietLineWait {
  public:
    static constexpr int kQuietByteTimes = 3;

    QuietLineWait(SerialPort& port, OneShotTimer& timer, qint32 baud);

    // The wait in whole milliseconds: kQuietByteTimes bytes of 10 bits, rounded up.
    static int quietMs(qint32 baud);

    // Begins the wait, or begins it again when bytes came meanwhile (the caller has read
    // them from the receive event).
    void start();
    void cancel();
    bool isWaiting() const { return waiting_; }
    // On the timer's timeout: true when the line has stayed quiet for the whole wait, which
    // then ends. Bytes that came without raising the receive event are dropped, and the wait
    // begins again. Throws AppError as the port's read does.
    bool quietNow();

  private:
    SerialPort& port_;
    OneShotTimer& timer_;
    int quietMs_;
    bool waiting_ = false;
};

}  // namespace quorlin
