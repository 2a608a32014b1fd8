#include "recording/SyncScheduler.h"

#include "common/TextFile.h"

#include <algorithm>
#include <utility>

namespace quorlin {

SyncScheduler::SyncScheduler(TimerFactory& timers, Clock& clock, SyncFunction sync, int delayMs)
    : timer_(timers.create()),
      clock_(clock),
      sync_(sync ? std::move(sync) : SyncFunction(syncFileData)),
      delayMs_(delayMs) {
    connect(timer_.get(), &OneShotTimer::timeout, this, &SyncScheduler::syncNow);
}

SyncScheduler::~SyncScheduler() {
    syncNow();
}

void SyncScheduler::written(const QString& path) {
    if (pending_.isEmpty()) {
        firstPendingMs_ = clock_.tickMs();
        timer_->start(delayMs_);
    }
    if (!pending_.contains(path)) {
        pending_.append(path);
    }
}

void SyncScheduler::syncNow() {
    timer_->stop();
    if (pending_.isEmpty()) {
        return;
    }
    const QStringList paths = std::exchange(pending_, {});
    for (const QString& path : paths) {
        if (!sync_(path)) {
            ++failed_;  // the next append reports a disk that refuses; nothing to add here
        }
    }
    ++syncs_;
    longestWaitMs_ = std::max(longestWaitMs_, clock_.tickMs() - firstPendingMs_);
}

}  // namespace quorlin
