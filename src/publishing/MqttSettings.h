#pragma once

#include <QString>

#include <optional>

namespace quorlin {

class SettingsStore;

// Where and how scans are published. An empty URL publishes nothing.
struct MqttSettings {
    QString url;              // mqtt://host[:port] or mqtts://host[:port]
    QString topic;            // the prefix of every topic; empty: quorlin/<host name>
    int everyMs = 0;          // 0: every scan; otherwise at most one scan message per that many ms
    int qos = 0;              // 0 or 1
    QString caFile;           // mqtts: the certificate authorities to trust; empty: the system's
    QString credentialsFile;  // user name and password on two lines; empty: anonymous

    bool enabled() const { return !url.trimmed().isEmpty(); }
    bool operator==(const MqttSettings&) const = default;
};

struct BrokerAddress {
    QString host;
    int port = 0;
    bool tls = false;
};

struct BrokerCredentials {
    QString user;
    QString password;
};

// Each of these returns the broker's address, the credentials or the settings, or says
// what is wrong in a message that names the setting.
struct BrokerAddressResult {
    std::optional<BrokerAddress> address;
    QString error;
};
BrokerAddressResult parseBrokerUrl(const QString& url);

struct CredentialsResult {
    std::optional<BrokerCredentials> credentials;
    QString error;
};
// The file must be readable and not readable by everyone: it holds a password.
CredentialsResult readCredentialsFile(const QString& path);

enum class MqttField { None, Url, Topic, EveryMs, Qos, CaFile, CredentialsFile };

// Every check of the settings at once: URL, topic, interval, QoS, CA file, credentials file.
// Empty when they can be used (or publishing is off); otherwise the first problem, and
// `field` (when given) says which setting it is.
QString mqttSettingsError(const MqttSettings& settings, MqttField* field = nullptr);

// quorlin/<host name>
QString defaultMqttTopic();
// The topic prefix in use: the setting, or the default when it is empty.
QString topicPrefix(const MqttSettings& settings);

// The per-user settings store, group Mqtt.
MqttSettings loadMqttSettings(SettingsStore& store);
void saveMqttSettings(SettingsStore& store, const MqttSettings& settings);

}  // namespace quorlin
