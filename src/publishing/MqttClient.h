#pragma once

#include "publishing/MessageQueue.h"
#include "publishing/MqttSettings.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace quorlin {

// What the publisher needs of an MQTT client library. The client connects, and reconnects
// after a failure or a lost connection (waiting 1 s, then twice as long each time up to
// 30 s), on a network thread of its own: no call here waits for the network.
class MqttClient {
  public:
    struct Options {
        BrokerAddress broker;
        QString caFile;  // mqtts: empty trusts the system's certificate authorities
        std::optional<BrokerCredentials> credentials;
        QString clientId;
        int keepAliveSeconds = 10;
        int qos = 0;
        // The last will, sent by the broker when the connection dies without a goodbye;
        // the payload is asked for before each connection attempt.
        QByteArray willTopic;
        std::function<QByteArray()> willPayload;
    };
    // Called on the network thread.
    struct Events {
        std::function<void()> connected;
        // A connection attempt failed or the connection was lost: why, in words.
        std::function<void(const QString& why)> failed;
        // The message of that id went out (QoS 0) or the broker acknowledged it (QoS 1).
        std::function<void(int id)> delivered;
    };

    virtual ~MqttClient() = default;
    virtual void start(const Options& options, Events events) = 0;
    // Any thread. Hands a message to the client; its id, or none when not connected.
    virtual std::optional<int> publish(const OutgoingMessage& message, int qos) = 0;
    // Sends what was handed over (for at most `flushMs`), says goodbye to the broker, so
    // the last will is not sent, and ends the network thread.
    virtual void stop(int flushMs) = 0;
};

using MqttClientFactory = std::function<std::unique_ptr<MqttClient>()>;

// The connection options of settings that passed mqttSettingsError(): broker, CA file,
// credentials, QoS, and a client id of this host and process. No will.
MqttClient::Options clientOptions(const MqttSettings& settings);

// The wait before the next connection attempt: 1 s, doubled after each failure, at most 30 s;
// back to 1 s once connected.
class ReconnectBackoff {
  public:
    static constexpr int kFirstMs = 1000;
    static constexpr int kMostMs = 30000;
    int next() {
        const int wait = waitMs_;
        waitMs_ = std::min(waitMs_ * 2, kMostMs);
        return wait;
    }
    void reset() { waitMs_ = kFirstMs; }

  private:
    int waitMs_ = kFirstMs;
};

}  // namespace quorlin
