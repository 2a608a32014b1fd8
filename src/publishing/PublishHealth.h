#pragma once

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <mutex>

namespace quorlin {

// What the run-health line shows of publishing. Written by the publisher (engine and network
// threads), read by the window at its own pace.
class PublishHealth {
  public:
    bool enabled() const { return enabled_; }
    bool connected() const { return connected_; }
    // The last connection attempt failed or the connection was lost, and none succeeded since.
    bool failing() const { return failing_; }
    quint64 sent() const { return sent_; }
    quint64 dropped() const { return dropped_; }
    QString lastFailure() const {
        std::lock_guard lock(mutex_);
        return lastFailure_;
    }

    void setEnabled(bool enabled) {
        enabled_ = enabled;
        connected_ = false;
        failing_ = false;
    }
    void setConnected() {
        connected_ = true;
        failing_ = false;
    }
    void setFailing(const QString& why) {
        {
            std::lock_guard lock(mutex_);
            lastFailure_ = why;
        }
        connected_ = false;
        failing_ = true;
    }
    void addSent(quint64 n = 1) { sent_ += n; }
    void addDropped(quint64 n = 1) { dropped_ += n; }

  private:
    std::atomic<bool> enabled_ = false;
    std::atomic<bool> connected_ = false;
    std::atomic<bool> failing_ = false;
    std::atomic<quint64> sent_ = 0;
    std::atomic<quint64> dropped_ = 0;
    mutable std::mutex mutex_;
    QString lastFailure_;
};

}  // namespace quorlin
