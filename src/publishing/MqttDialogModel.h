#pragma once

#include "publishing/MqttSettings.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace quorlin {

// The MQTT Publishing dialog's logic: the settings as the boxes hold them, OK (checked, then
// applied; a bad setting is named and the old one kept) and Test (connects once and says
// what happened).
class MqttDialogModel : public QObject {
    Q_OBJECT
  public:
    struct Fields {
        QString url;
        QString topic;
        QString everyMs = QStringLiteral("0");
        int qos = 0;
        QString caFile;
        QString credentialsFile;
    };

    // `apply` stores the settings and hands them to the engine.
    MqttDialogModel(const MqttSettings& current, std::function<void(const MqttSettings&)> apply);

    Fields fields;

    // OK: true when the settings were applied and the dialog may close.
    bool ok();
    // Test: the settings to connect with, or none when they are bad (message() says why).
    std::optional<MqttSettings> testRequest();
    // The answer of a test connection: empty when it connected.
    void testFinished(const MqttSettings& tested, const QString& failure);

    const QString& message() const { return message_; }
    // The setting the message is about (None after a test or when all is well).
    MqttField problem() const { return problem_; }

  signals:
    void messageChanged();

  private:
    std::optional<MqttSettings> checked();
    void setMessage(const QString& text, MqttField problem);

    std::function<void(const MqttSettings&)> apply_;
    QString message_;
    MqttField problem_ = MqttField::None;
};

}  // namespace quorlin
