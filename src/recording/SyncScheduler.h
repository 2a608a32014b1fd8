#pragma once

#include "platform/Clock.h"
#include "platform/Timer.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace quorlin {

// Bounds what a power cut can take from files that are appended to row by row: a file is
// made durable at most `delayMs` after a write, and while writes keep coming at most once per
// `delayMs`. The first unsynced write arms a one-shot timer; the writes after it only note
// their file, so a row costs no system call beyond its own append.
class SyncScheduler : public QObject {
    Q_OBJECT
  public:
    using SyncFunction = std::function<bool(const QString& path)>;
    static constexpr int kDelayMs = 1000;

    // An empty `sync` makes the files durable with fdatasync.
    SyncScheduler(TimerFactory& timers, Clock& clock, SyncFunction sync = {},
                  int delayMs = kDelayMs);
    ~SyncScheduler() override;  // syncs what is pending

    // A write to `path` has returned.
    void written(const QString& path);
    // Syncs every pending file now (sampling stopped).
    void syncNow();

    bool isPending() const { return !pending_.isEmpty(); }
    // Syncs done, and the longest time a write waited for its sync (monotonic ms).
    qint64 syncCount() const { return syncs_; }
    qint64 longestWaitMs() const { return longestWaitMs_; }
    qint64 failedSyncs() const { return failed_; }

  private:
    std::unique_ptr<OneShotTimer> timer_;
    Clock& clock_;
    SyncFunction sync_;
    int delayMs_;
    QStringList pending_;
    qint64 firstPendingMs_ = 0;
    qint64 syncs_ = 0;
    qint64 longestWaitMs_ = 0;
    qint64 failed_ = 0;
};

}  // namespace quorlin
