#include "publishing/MosquittoClient.h"

#include <QFile>

#include <mosquitto.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace quorlin {

namespace {

constexpr int kLoopTimeoutMs = 100;
// A connection attempt without the broker's answer by then has failed.
constexpr auto kConnectTimeout = std::chrono::seconds(10);
// Certificate authorities trusted for mqtts:// without a CA file of its own.
constexpr const char* kSystemCaPath = "/etc/ssl/certs";

void initLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString errorText(int rc) {
    if (rc == MOSQ_ERR_ERRNO) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    return QString::fromUtf8(mosquitto_strerror(rc));
}

}  // namespace

MosquittoClient::MosquittoClient() {
    initLibrary();
}

MosquittoClient::~MosquittoClient() {
    stop(0);
}

bool MosquittoClient::configure(QString& why) {
    const QByteArray id = options_.clientId.toUtf8();
    mosq_ = mosquitto_new(id.isEmpty() ? nullptr : id.constData(), true, this);
    if (!mosq_) {
        why = QStringLiteral("the MQTT client could not be made");
        return false;
    }
    mosquitto_threaded_set(mosq_, true);
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(mosq_, &MosquittoClient::connectCallback);
    mosquitto_disconnect_callback_set(mosq_, &MosquittoClient::disconnectCallback);
    mosquitto_publish_callback_set(mosq_, &MosquittoClient::publishCallback);
    int rc = MOSQ_ERR_SUCCESS;
    if (options_.credentials) {
        rc = mosquitto_username_pw_set(mosq_, options_.credentials->user.toUtf8().constData(),
                                       options_.credentials->password.toUtf8().constData());
    }
    if (rc == MOSQ_ERR_SUCCESS && options_.broker.tls) {
        const QByteArray ca = QFile::encodeName(options_.caFile);
        rc = ca.isEmpty()
                 ? mosquitto_tls_set(mosq_, nullptr, kSystemCaPath, nullptr, nullptr, nullptr)
                 : mosquitto_tls_set(mosq_, ca.constData(), nullptr, nullptr, nullptr, nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        why = errorText(rc);
        return false;
    }
    return true;
}

void MosquittoClient::start(const Options& options, Events events) {
    options_ = options;
    events_ = std::move(events);
    QString why;
    if (!configure(why)) {
        if (events_.failed) {
            events_.failed(why);
        }
        return;
    }
    thread_ = std::thread([this] { run(); });
}

std::optional<int> MosquittoClient::publish(const OutgoingMessage& message, int qos) {
    if (!mosq_ || !connected_) {
        return std::nullopt;
    }
    int mid = 0;
    const int rc = mosquitto_publish(mosq_, &mid, message.topic.constData(),
                                     static_cast<int>(message.payload.size()),
                                     message.payload.constData(), qos, message.retain);
    if (rc != MOSQ_ERR_SUCCESS) {
        return std::nullopt;
    }
    return mid;
}

void MosquittoClient::stop(int flushMs) {
    if (thread_.joinable()) {
        flushMs_ = flushMs;
        {
            std::lock_guard lock(waitMutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    if (mosq_) {
        mosquitto_destroy(mosq_);
        mosq_ = nullptr;
    }
}

void MosquittoClient::waitMs(int ms) {
    std::unique_lock lock(waitMutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_.load(); });
}

void MosquittoClient::run() {
    using Clock = std::chrono::steady_clock;
    ReconnectBackoff backoff;
    const QByteArray host = options_.broker.host.toUtf8();
    while (!stopping_) {
        if (options_.willPayload) {
            const QByteArray will = options_.willPayload();
            mosquitto_will_set(mosq_, options_.willTopic.constData(), static_cast<int>(will.size()),
                               will.constData(), options_.qos, true);
        }
        lossReported_ = false;
        refusal_.clear();
        int rc = mosquitto_connect_async(mosq_, host.constData(), options_.broker.port,
                                         options_.keepAliveSeconds);
        const Clock::time_point attempt = Clock::now();
        while (rc == MOSQ_ERR_SUCCESS && !stopping_) {
            rc = mosquitto_loop(mosq_, kLoopTimeoutMs, 1);
            if (rc == MOSQ_ERR_SUCCESS && !connected_ && Clock::now() - attempt > kConnectTimeout) {
                rc = MOSQ_ERR_TIMEOUT;
            }
            if (connected_) {
                backoff.reset();
            }
        }
        if (stopping_) {
            break;
        }
        const bool wasConnected = connected_.exchange(false);
        if (!lossReported_ && events_.failed) {
            QString why = refusal_.isEmpty() ? errorText(rc) : refusal_;
            if (rc == MOSQ_ERR_TIMEOUT) {
                why = QStringLiteral("the broker did not answer");
            }
            events_.failed(wasConnected ? QStringLiteral("connection lost: ") + why : why);
        }
        mosquitto_disconnect(mosq_);  // closes a half-made connection before the next attempt
        waitMs(backoff.next());
    }
    if (connected_) {
        // Out goes what was handed over, then the goodbye: the broker keeps the will back.
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(flushMs_);
        while (mosquitto_want_write(mosq_) && Clock::now() < deadline &&
               mosquitto_loop(mosq_, 10, 1) == MOSQ_ERR_SUCCESS) {
        }
        mosquitto_disconnect(mosq_);
        for (int i = 0; i < 20 && mosquitto_loop(mosq_, 10, 1) == MOSQ_ERR_SUCCESS; ++i) {
        }
        connected_ = false;
    }
}

void MosquittoClient::onConnect(int rc) {
    if (rc != 0) {
        refusal_ = QStringLiteral("the broker refused the connection: ") +
                   QString::fromUtf8(mosquitto_connack_string(rc));
        return;
    }
    connected_ = true;
    if (events_.connected) {
        events_.connected();
    }
}

void MosquittoClient::onDisconnect(int rc) {
    const bool wasConnected = connected_.exchange(false);
    if (stopping_ || rc == 0 || !wasConnected) {
        return;
    }
    lossReported_ = true;
    if (events_.failed) {
        events_.failed(QStringLiteral("connection lost: ") + errorText(rc));
    }
}

void MosquittoClient::connectCallback(mosquitto*, void* self, int rc) {
    static_cast<MosquittoClient*>(self)->onConnect(rc);
}

void MosquittoClient::disconnectCallback(mosquitto*, void* self, int rc) {
    static_cast<MosquittoClient*>(self)->onDisconnect(rc);
}

void MosquittoClient::publishCallback(mosquitto*, void* self, int mid) {
    auto* client = static_cast<MosquittoClient*>(self);
    if (client->events_.delivered) {
        client->events_.delivered(mid);
    }
}

QString MosquittoClient::probe(const Options& options, int timeoutMs) {
    MosquittoClient client;
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    QString result;
    Events events;
    events.connected = [&] {
        std::lock_guard lock(mutex);
        finished = true;
        done.notify_all();
    };
    events.failed = [&](const QString& why) {
        std::lock_guard lock(mutex);
        if (!finished) {
            result = why;
            finished = true;
            done.notify_all();
        }
    };
    Options once = options;
    once.willPayload = {};
    client.start(once, std::move(events));
    {
        std::unique_lock lock(mutex);
        if (!done.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return finished; })) {
            result = QStringLiteral("the broker did not answer within %1 s").arg(timeoutMs / 1000);
        }
    }
    client.stop(0);
    return result;
}

}  // namespace quorlin
