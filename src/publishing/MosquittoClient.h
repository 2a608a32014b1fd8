#pragma once

#include "publishing/MqttClient.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

struct mosquitto;

namespace quorlin {

// MqttClient on libmosquitto. The network thread is one of ours running the library's loop,
// so a connection attempt (name lookup, TCP, TLS) never runs on the caller's thread, the
// backoff is ours, and stop() can end a wait at once.
class MosquittoClient : public MqttClient {
  public:
    MosquittoClient();
    ~MosquittoClient() override;  // stop(0)

    void start(const Options& options, Events events) override;
    std::optional<int> publish(const OutgoingMessage& message, int qos) override;
    void stop(int flushMs) override;

    // Connects once and says what happened, waiting at most `timeoutMs`: empty on success,
    // otherwise why not. For the settings dialog's Test button; blocks the caller.
    static QString probe(const Options& options, int timeoutMs);

  private:
    void run();
    // Options and will; false with `why` when the library refuses them.
    bool configure(QString& why);
    void onConnect(int rc);
    void onDisconnect(int rc);
    void waitMs(int ms);
    static void connectCallback(mosquitto*, void* self, int rc);
    static void disconnectCallback(mosquitto*, void* self, int rc);
    static void publishCallback(mosquitto*, void* self, int mid);

    Options options_;
    Events events_;
    mosquitto* mosq_ = nullptr;
    std::thread thread_;
    std::atomic<bool> connected_ = false;
    std::atomic<bool> stopping_ = false;
    std::atomic<int> flushMs_ = 0;
    bool lossReported_ = false;  // network thread only
    QString refusal_;            // network thread only: the broker's answer to CONNECT
    std::mutex waitMutex_;
    std::condition_variable wake_;
};

}  // namespace quorlin
