#pragma once

#include "platform/Clock.h"
#include "platform/Timer.h"
#include "publishing/MessageQueue.h"
#include "publishing/MqttClient.h"
#include "publishing/MqttSettings.h"
#include "publishing/Payloads.h"
#include "publishing/PublishHealth.h"

#include <QObject>

#include <functional>
#include <memory>
#include <mutex>
#include <unordered_set>

namespace quorlin {

// Publishes a run to an MQTT broker: each scan (or one per EveryMs) on PREFIX/scan, the
// program's state on PREFIX/status (retained; the last will says "offline"), and the
// run-health figures on PREFIX/health every ten seconds while sampling.
//
// Made, fed and destroyed on the engine's thread, which only copies values into a bounded
// queue: the client's network thread takes them from there. A broker that is slow, absent or
// gone costs the engine nothing but the oldest messages of the queue, which are counted as
// dropped. At most kInFlight messages are with the client at a time, so its own queue stays
// small and a lost connection loses few.
class ScanPublisher : public QObject {
    Q_OBJECT
  public:
    static constexpr int kHealthEveryMs = 10000;
    static constexpr int kInFlight = 100;
    static constexpr int kFlushOnStopMs = 2000;

    struct Parts {
        Clock& clock;
        TimerFactory& timers;
        PublishHealth& health;
        // The run-health figures as they stand (the publisher adds time, rate and its counts).
        std::function<HealthMessage()> runHealth;
        std::size_t queueCapacity = MessageQueue::kDefaultCapacity;
    };

    // `settings` must have passed mqttSettingsError(); the client starts connecting at once.
    ScanPublisher(const MqttSettings& settings, std::unique_ptr<MqttClient> client, Parts parts);
    // Publishes "offline", sends what it can within kFlushOnStopMs and disconnects.
    ~ScanPublisher() override;

    void scanClosed(const ScanMessage& scan);
    void setState(PublishState state);

    QByteArray topic(const char* leaf) const;
    std::size_t queued() const { return queue_.size(); }

  private:
    void enqueue(OutgoingMessage message);
    void publishHealth();
    // Hands queued messages to the client while it is connected and has room. Any thread.
    void pump();
    void onConnected();
    void onFailed(const QString& why);
    void onDelivered(int id);
    OutgoingMessage statusMessage() const;

    MqttSettings settings_;
    QByteArray prefix_;
    Clock& clock_;
    PublishHealth& health_;
    std::function<HealthMessage()> runHealth_;
    std::unique_ptr<OneShotTimer> healthTimer_;
    MessageQueue queue_;
    std::unique_ptr<MqttClient> client_;

    // Engine thread only.
    qint64 lastScanMs_ = 0;
    bool anyScan_ = false;
    qint64 samplingSinceMs_ = 0;
    qint64 lastHealthMs_ = 0;
    quint64 lastHealthScans_ = 0;

    mutable std::mutex mutex_;  // guards what both threads touch below
    PublishState state_ = PublishState::Stopped;
    QDateTime since_;
    std::unordered_set<int> inFlight_;
    bool closing_ = false;
};

}  // namespace quorlin
