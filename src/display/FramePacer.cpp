#include "display/FramePacer.h"

namespace quorlin {

FramePacer::FramePacer(std::function<void()> work, int frameMs, int fallbackMs, QObject* parent)
    : QObject(parent), work_(std::move(work)), frameMs_(frameMs) {
    fallback_.setSingleShot(true);
    fallback_.setInterval(fallbackMs);
    connect(&fallback_, &QTimer::timeout, this, &FramePacer::runNow);
}

void FramePacer::request() {
    if (queued_) {
        return;
    }
    if (!pending_) {
        pending_ = true;
        fallback_.start();
    }
    if (!sinceRun_.isValid() || sinceRun_.elapsed() >= frameMs_) {
        queue();
    }
}

void FramePacer::queue() {
    queued_ = true;
    // This object as context: a pacer destroyed meanwhile drops the call.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (queued_) {
                runNow();
            }
        },
        Qt::QueuedConnection);
}

void FramePacer::runNow() {
    fallback_.stop();
    pending_ = false;
    queued_ = false;
    sinceRun_.start();
    work_();
}

}  // namespace quorlin
