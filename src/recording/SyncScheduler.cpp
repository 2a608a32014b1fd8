#include "recording/SyncScheduler.h"

#include "common/TextFile.h"

#include <algorithm>
#include <utility>

namespace quorlin {

SyncScheduler::SyncScheduler(TimerFactory& timers, Clock& clock, SyncFunction sync, bool background,
                             int delayMs)
    : timer_(timers.create()),
      clock_(clock),
      sync_(sync ? std::move(sync) : SyncFunction(syncFileData)),
      background_(background),
      delayMs_(delayMs) {
    worker_.setMaxThreadCount(1);  // syncs one after another, never two at once
    connect(timer_.get(), &OneShotTimer::timeout, this, &SyncScheduler::onTimeout);
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

void SyncScheduler::onTimeout() {
    if (pending_.isEmpty()) {
        return;
    }
    const QStringList paths = std::exchange(pending_, {});
    if (!background_) {
        syncFiles(paths, firstPendingMs_);
        return;
    }
    worker_.start([this, paths, first = firstPendingMs_] { syncFiles(paths, first); });
}

void SyncScheduler::syncNow() {
    timer_->stop();
    worker_.waitForDone();
    if (!pending_.isEmpty()) {
        syncFiles(std::exchange(pending_, {}), firstPendingMs_);
    }
}

void SyncScheduler::syncFiles(const QStringList& paths, qint64 firstMs) {
    qint64 failed = 0;
    for (const QString& path : paths) {
        if (!sync_(path)) {
            ++failed;  // the next append reports a disk that refuses; nothing to add here
        }
    }
    const qint64 waited = clock_.tickMs() - firstMs;
    const std::lock_guard lock(statsMutex_);
    ++syncs_;
    failed_ += failed;
    longestWaitMs_ = std::max(longestWaitMs_, waited);
}

qint64 SyncScheduler::syncCount() const {
    const std::lock_guard lock(statsMutex_);
    return syncs_;
}

qint64 SyncScheduler::longestWaitMs() const {
    const std::lock_guard lock(statsMutex_);
    return longestWaitMs_;
}

qint64 SyncScheduler::failedSyncs() const {
    const std::lock_guard lock(statsMutex_);
    return failed_;
}

}  // namespace quorlin
