#include "chart/FramePacer.h"

namespace quorlin {

FramePacer::FramePacer(std::function<void()> work, int frameMs, int fallbackMs, int settleMs,
                       QObject* parent)
    : QObject(parent), work_(std::move(work)), frameMs_(frameMs) {
    fallback_.setSingleShot(true);
    fallback_.setInterval(fallbackMs);
    connect(&fallback_, &QTimer::timeout, this, &FramePacer::runNow);
    settle_.setSingleShot(true);
    settle_.setTimerType(Qt::PreciseTimer);
    settle_.setInterval(settleMs);
    connect(&settle_, &QTimer::timeout, this, &FramePacer::runNow);
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
    settle_.start();  // a timer of this object: a pacer destroyed meanwhile drops the run
}

void FramePacer::runNow() {
    fallback_.stop();
    settle_.stop();
    pending_ = false;
    queued_ = false;
    sinceRun_.start();
    work_();
}

}  // namespace quorlin
