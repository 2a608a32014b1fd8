#pragma once

// A real MQTT broker (Debian's mosquitto) on 127.0.0.1 for the test that starts it, and a
// subscriber on libmosquitto that keeps every message it receives.

#include <QByteArray>
#include <QProcess>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace quorlin::test {

// The broker program, or empty when it is not installed.
QString mosquittoBinary();

struct BrokerTls {
    QString caFile;  // the test's own certificate authority
    QString certFile;
    QString keyFile;
};

// Makes a certificate authority and a server certificate for 127.0.0.1 and localhost in
// `folder` with the openssl program. Empty on success, otherwise what failed.
QString makeTestCertificates(const QString& folder, BrokerTls& tls);

class MosquittoBroker {
  public:
    // `folder` holds the configuration file and the broker's log.
    explicit MosquittoBroker(QString folder, BrokerTls tls = {});
    ~MosquittoBroker();

    // Starts the broker on a free port (the same port again after stop()), and waits until
    // it accepts connections. Empty on success, otherwise why not.
    QString start();
    void stop();
    int port() const { return port_; }
    QString url() const;

  private:
    QString folder_;
    BrokerTls tls_;
    int port_ = 0;
    QProcess process_;
};

struct ReceivedMessage {
    QByteArray topic;
    QByteArray payload;
    bool retained = false;
    std::chrono::steady_clock::time_point at;
};

class MqttSubscriber {
  public:
    MqttSubscriber();
    ~MqttSubscriber();

    // Connects, subscribes to `filter` with QoS 1 and waits for the broker's acknowledgement.
    QString subscribe(const QString& host, int port, const QString& filter,
                      const QString& caFile = {});
    std::vector<ReceivedMessage> messages() const;
    std::vector<ReceivedMessage> messagesOn(const QByteArray& topic) const;
    // Waits until `done` holds for the messages so far; false when the timeout passed.
    bool waitFor(const std::function<bool(const std::vector<ReceivedMessage>&)>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // Called on the subscriber's network thread for each message as it arrives.
    void setOnMessage(std::function<void(const ReceivedMessage&)> onMessage) {
        std::lock_guard lock(mutex_);
        onMessage_ = std::move(onMessage);
    }

  private:
    static void messageCallback(mosquitto*, void* self, const mosquitto_message* m);
    static void subscribeCallback(mosquitto*, void* self, int, int, const int*);
    static void connectCallback(mosquitto*, void* self, int rc);

    mosquitto* mosq_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ReceivedMessage> messages_;
    std::function<void(const ReceivedMessage&)> onMessage_;
    bool subscribed_ = false;
    QByteArray filter_;  // subscribed again on each connection: the broker may restart
};

}  // namespace quorlin::test
