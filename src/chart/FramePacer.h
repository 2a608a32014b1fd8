#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace quorlin {

// Paces display work to the screen: after request(), the work runs once for everything
// requested meanwhile, at most once per frame.
//
// While sampling, changes come from receive events. The work then runs shortly after the
// event that asked for it has returned, once a frame has passed since the last run: the
// event has already written the next request, so the display is drawn in the time the line
// needs for that request and its reply and does not hold up a reply by starting at some
// other moment. The short wait (settleMs) leaves the processor to the kernel first: it may
// pass the written request on in a worker thread of its own (a pseudo-terminal always
// does), and drawing at once could keep that worker waiting until the drawing is done. When
// no further change comes, a fallback timer shows the last ones.
class FramePacer : public QObject {
    Q_OBJECT
  public:
    explicit FramePacer(std::function<void()> work, int frameMs = 16, int fallbackMs = 32,
                        int settleMs = 1, QObject* parent = nullptr);

    void request();
    // Runs the work at once; what was requested before is then done.
    void runNow();
    bool isPending() const { return pending_; }

  private:
    void queue();

    std::function<void()> work_;
    const int frameMs_;
    QElapsedTimer sinceRun_;  // invalid until the first run
    QTimer fallback_;
    QTimer settle_;
    bool pending_ = false;
    bool queued_ = false;
};

}  // namespace quorlin
