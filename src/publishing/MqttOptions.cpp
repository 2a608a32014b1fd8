#include "publishing/MqttOptions.h"

namespace quorlin {

namespace {
const QString kUrl = QStringLiteral("--mqtt");
const QString kTopic = QStringLiteral("--mqtt-topic");
const QString kEvery = QStringLiteral("--mqtt-every");
const QString kQos = QStringLiteral("--mqtt-qos");
const QString kCaFile = QStringLiteral("--mqtt-cafile");
const QString kCredentials = QStringLiteral("--mqtt-credentials");

QString optionOf(MqttField field) {
    switch (field) {
        case MqttField::Url:
            return kUrl;
        case MqttField::Topic:
            return kTopic;
        case MqttField::EveryMs:
            return kEvery;
        case MqttField::Qos:
            return kQos;
        case MqttField::CaFile:
            return kCaFile;
        case MqttField::CredentialsFile:
            return kCredentials;
        case MqttField::None:
            break;
    }
    return {};
}
}  // namespace

MqttOptionsResult mqttSettingsFromOptions(const QList<QPair<QString, QString>>& options) {
    MqttOptionsResult r;
    MqttSettings& s = r.settings;
    QString other;  // an option that needs --mqtt
    for (const auto& [name, value] : options) {
        if (name == kUrl) {
            s.url = value;
        } else if (name == kTopic) {
            s.topic = value;
        } else if (name == kCaFile) {
            s.caFile = value;
        } else if (name == kCredentials) {
            s.credentialsFile = value;
        } else if (name == kEvery || name == kQos) {
            bool ok = false;
            const int number = value.trimmed().toInt(&ok);
            if (!ok || number < 0) {
                r.error = QStringLiteral("%1: \"%2\" is not a whole number of 0 or more.")
                              .arg(name, value);
                return r;
            }
            (name == kEvery ? s.everyMs : s.qos) = number;
        } else {
            r.error = QStringLiteral("%1 is not an MQTT option.").arg(name);
            return r;
        }
        if (name != kUrl && other.isEmpty()) {
            other = name;
        }
    }
    if (!s.enabled()) {
        if (!other.isEmpty()) {
            r.error = QStringLiteral("%1 needs --mqtt URL.").arg(other);
        }
        return r;
    }
    MqttField field = MqttField::None;
    const QString error = mqttSettingsError(s, &field);
    if (!error.isEmpty()) {
        r.error = optionOf(field) + QStringLiteral(": ") + error;
    }
    return r;
}

}  // namespace quorlin
