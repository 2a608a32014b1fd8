#pragma once

#include "platform/Clock.h"
#include "platform/Timer.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <mutex>

namespace quorlin {

// Bounds what a power cut can take from files that are appended to row by row: a file is
// made durable at most `delayMs` after a write, and while writes keep coming at most once per
// `delayMs`. The first unsynced write arms a one-shot timer; the writes after it only note
// their file, so a row costs no system call beyond its own append.
//
// In the background (the program's way) the timer's syncs run on a worker thread, one at a
// time, so a slow disk never holds up the receive path; `sync` and the clock's tickMs() must
// then be safe to call from that thread. syncNow() always finishes before it returns.
class SyncScheduler : public QObject {
    Q_OBJECT
  public:
    using SyncFunction = std::function<bool(const QString& path)>;
    static constexpr int kDelayMs = 1000;

    // An empty `sync` makes the files durable with fdatasync.
    SyncScheduler(TimerFactory& timers, Clock& clock, SyncFunction sync = {},
                  bool background = true, int delayMs = kDelayMs);
    ~SyncScheduler() override;  // syncs what is pending

    // A write to `path` has returned.
    void written(const QString& path);
    // Syncs every pending file now and waits for a background sync under way (sampling
    // stopped, the program ends).
    void syncNow();

    bool isPending() const { return !pending_.isEmpty(); }
    // Syncs done, and the longest time from a write to the end of its sync (monotonic ms).
    qint64 syncCount() const;
    qint64 longestWaitMs() const;
    qint64 failedSyncs() const;

  private:
    void onTimeout();
    // Syncs `paths`, written first at `firstMs`, and counts the outcome.
    void syncFiles(const QStringList& paths, qint64 firstMs);

    std::unique_ptr<OneShotTimer> timer_;
    Clock& clock_;
    SyncFunction sync_;
    bool background_;
    int delayMs_;
    QStringList pending_;
    qint64 firstPendingMs_ = 0;
    QThreadPool worker_;
    mutable std::mutex statsMutex_;  // the figures below, written by the worker
    qint64 syncs_ = 0;
    qint64 longestWaitMs_ = 0;
    qint64 failed_ = 0;
};

}  // namespace quorlin
