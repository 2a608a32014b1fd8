#include "publishing/ScanPublisher.h"

#include "common/DateText.h"

namespace quorlin {

ScanPublisher::ScanPublisher(const MqttSettings& settings, std::unique_ptr<MqttClient> client,
                             Parts parts)
    : settings_(settings),
      prefix_(topicPrefix(settings).toUtf8()),
      clock_(parts.clock),
      health_(parts.health),
      runHealth_(std::move(parts.runHealth)),
      healthTimer_(parts.timers.create()),
      queue_(parts.queueCapacity),
      client_(std::move(client)),
      since_(clock_.localNow()) {
    connect(healthTimer_.get(), &OneShotTimer::timeout, this, [this] {
        publishHealth();
        healthTimer_->start(kHealthEveryMs);
    });
    health_.setEnabled(true);

    MqttClient::Options options = clientOptions(settings_);
    options.willTopic = topic("status");
    // The moment of an unannounced end is unknown: the will carries the attempt's time.
    options.willPayload = [] {
        return statusPayload(PublishState::Offline, QDateTime::currentDateTime());
    };
    MqttClient::Events events;
    events.connected = [this] { onConnected(); };
    events.failed = [this](const QString& why) { onFailed(why); };
    events.delivered = [this](int id) { onDelivered(id); };
    client_->start(options, std::move(events));
}

ScanPublisher::~ScanPublisher() {
    healthTimer_->stop();
    {
        std::lock_guard lock(mutex_);
        state_ = PublishState::Offline;
        since_ = clock_.localNow();
        closing_ = true;  // nothing goes out after "offline"
    }
    // The goodbye goes past the queue: it is the last word whatever waits there.
    if (client_->publish(statusMessage(), settings_.qos)) {
        health_.addSent();
    }
    client_->stop(kFlushOnStopMs);
    health_.setEnabled(false);
}

QByteArray ScanPublisher::topic(const char* leaf) const {
    return prefix_ + '/' + leaf;
}

void ScanPublisher::scanClosed(const ScanMessage& scan) {
    const qint64 now = clock_.tickMs();
    if (settings_.everyMs > 0 && anyScan_ && now - lastScanMs_ < settings_.everyMs) {
        return;
    }
    anyScan_ = true;
    lastScanMs_ = now;
    enqueue({topic("scan"), scanPayload(scan), false});
}

void ScanPublisher::setState(PublishState state) {
    {
        std::lock_guard lock(mutex_);
        if (state == state_) {
            return;
        }
        const bool startsSampling = state_ == PublishState::Stopped;
        state_ = state;
        since_ = clock_.localNow();
        if (state == PublishState::Stopped) {
            healthTimer_->stop();
        } else if (startsSampling) {
            samplingSinceMs_ = lastHealthMs_ = clock_.tickMs();
            lastHealthScans_ = runHealth_ ? runHealth_().scans : 0;
            healthTimer_->start(kHealthEveryMs);
        }
    }
    enqueue(statusMessage());
}

OutgoingMessage ScanPublisher::statusMessage() const {
    std::lock_guard lock(mutex_);
    return {topic("status"), statusPayload(state_, since_), true};
}

void ScanPublisher::publishHealth() {
    HealthMessage h = runHealth_ ? runHealth_() : HealthMessage{};
    const qint64 now = clock_.tickMs();
    h.time = clock_.localNow();
    h.runSeconds = (now - samplingSinceMs_) / 1000;
    if (now > lastHealthMs_) {
        h.scansPerSecond = static_cast<double>(h.scans - lastHealthScans_) * 1000.0 /
                           static_cast<double>(now - lastHealthMs_);
    }
    lastHealthMs_ = now;
    lastHealthScans_ = h.scans;
    h.sent = health_.sent();
    h.dropped = health_.dropped();
    enqueue({topic("health"), healthPayload(h), false});
}

void ScanPublisher::enqueue(OutgoingMessage message) {
    if (queue_.push(std::move(message))) {
        health_.addDropped();
    }
    pump();
}

void ScanPublisher::pump() {
    std::lock_guard lock(mutex_);
    while (!closing_ && static_cast<int>(inFlight_.size()) < kInFlight) {
        std::optional<OutgoingMessage> message = queue_.pop();
        if (!message) {
            return;
        }
        const std::optional<int> id = client_->publish(*message, settings_.qos);
        if (!id) {
            if (queue_.pushFront(std::move(*message))) {
                health_.addDropped();
            }
            return;  // not connected: the queue waits for the connection
        }
        inFlight_.insert(*id);
    }
}

void ScanPublisher::onConnected() {
    health_.setConnected();
    // The retained state first, so the will's "offline" of a lost connection is replaced.
    const std::optional<int> id = client_->publish(statusMessage(), settings_.qos);
    if (id) {
        std::lock_guard lock(mutex_);
        inFlight_.insert(*id);
    }
    pump();
}

void ScanPublisher::onFailed(const QString& why) {
    {
        // What the broken connection had not yet sent may be lost; it is counted as dropped.
        std::lock_guard lock(mutex_);
        health_.addDropped(inFlight_.size());
        inFlight_.clear();
    }
    health_.setFailing(why);
}

void ScanPublisher::onDelivered(int id) {
    {
        std::lock_guard lock(mutex_);
        if (inFlight_.erase(id) == 0) {
            return;  // resent from an earlier connection, already counted as dropped
        }
    }
    health_.addSent();
    pump();
}

}  // namespace quorlin
