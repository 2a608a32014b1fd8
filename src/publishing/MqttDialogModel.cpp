#include "publishing/MqttDialogModel.h"

namespace quorlin {

MqttDialogModel::MqttDialogModel(const MqttSettings& current,
                                 std::function<void(const MqttSettings&)> apply)
    : apply_(std::move(apply)) {
    fields.url = current.url;
    fields.topic = current.topic;
    fields.everyMs = QString::number(current.everyMs);
    fields.qos = current.qos;
    fields.caFile = current.caFile;
    fields.credentialsFile = current.credentialsFile;
    const QString error = mqttSettingsError(current, &problem_);
    if (!error.isEmpty()) {
        message_ = QStringLiteral("Publishing is off: ") + error;
    }
}

std::optional<MqttSettings> MqttDialogModel::checked() {
    MqttSettings s;
    s.url = fields.url.trimmed();
    s.topic = fields.topic.trimmed();
    s.qos = fields.qos;
    s.caFile = fields.caFile.trimmed();
    s.credentialsFile = fields.credentialsFile.trimmed();
    bool number = false;
    s.everyMs = fields.everyMs.trimmed().toInt(&number);
    if (!number) {
        setMessage(QStringLiteral("MQTT interval \"%1\" is not a whole number of milliseconds "
                                  "(0 publishes every scan).")
                       .arg(fields.everyMs),
                   MqttField::EveryMs);
        return std::nullopt;
    }
    MqttField field = MqttField::None;
    const QString error = mqttSettingsError(s, &field);
    if (!error.isEmpty()) {
        setMessage(error, field);
        return std::nullopt;
    }
    return s;
}

bool MqttDialogModel::ok() {
    const std::optional<MqttSettings> s = checked();
    if (!s) {
        return false;
    }
    setMessage({}, MqttField::None);
    apply_(*s);
    return true;
}

std::optional<MqttSettings> MqttDialogModel::testRequest() {
    std::optional<MqttSettings> s = checked();
    if (!s) {
        return std::nullopt;
    }
    if (!s->enabled()) {
        setMessage(QStringLiteral("Enter the broker's URL to test it."), MqttField::Url);
        return std::nullopt;
    }
    setMessage(QStringLiteral("Connecting to %1 ...").arg(s->url), MqttField::None);
    return s;
}

void MqttDialogModel::testFinished(const MqttSettings& tested, const QString& failure) {
    setMessage(failure.isEmpty()
                   ? QStringLiteral("Connected to %1: scans will be published under %2/.")
                         .arg(tested.url, topicPrefix(tested))
                   : QStringLiteral("Could not connect to %1: %2.").arg(tested.url, failure),
               MqttField::None);
}

void MqttDialogModel::setMessage(const QString& text, MqttField problem) {
    problem_ = problem;
    if (text != message_) {
        message_ = text;
        emit messageChanged();
    }
}

}  // namespace quorlin
