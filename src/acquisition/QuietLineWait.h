#pragma once

#include "platform/SerialPort.h"
#include "platform/Timer.h"

#include <QByteArray>

namespace quorlin {

// After a bad reply the rest of it, or a burst of noise, may still be on its way. Asked again
// at once, the next reply would arrive behind those bytes and be misframed too, and so on
// until the line happened to pause. Instead whatever arrives is read and dropped until the
// line has been quiet for a few byte times at the port's speed; then the request goes out
// again and its reply starts on a clean line.
//
// The reply to the first request may also still be to come (noise in front of a board that
// was slow to answer): the bytes dropped then did not end with a reply's shape. The request
// asked again would then be answered twice, so the caller must not take the second answer
// for the next channel's reading.
class QuietLineWait {
  public:
    static constexpr int kQuietByteTimes = 3;

    QuietLineWait(SerialPort& port, OneShotTimer& timer, qint32 baud);

    // The wait in whole milliseconds: kQuietByteTimes bytes of 10 bits, rounded up.
    static int quietMs(qint32 baud);

    // Begins the wait after a bad reply, which is the first of the bytes dropped.
    void begin(const QByteArray& badReply);
    // Bytes came during the wait (the caller read them from the receive event): they are
    // dropped and the wait begins again.
    void drop(const QByteArray& bytes);
    void cancel();
    bool isWaiting() const { return waiting_; }
    // On the timer's timeout: true when the line has stayed quiet for the whole wait, which
    // then ends. Bytes that came without raising the receive event are dropped, and the wait
    // begins again. Throws AppError as the port's read does.
    bool quietNow();
    // After the wait: the last bytes dropped had a reply's shape, so the request that was
    // answered badly has had its answer.
    bool endedWithAReply() const;

  private:
    void keepTail(const QByteArray& bytes);

    SerialPort& port_;
    OneShotTimer& timer_;
    int quietMs_;
    bool waiting_ = false;
    QByteArray tail_;  // the last bytes dropped, at most a reply's length
};

}  // namespace quorlin
