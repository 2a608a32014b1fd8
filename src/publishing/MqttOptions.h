#pragma once

#include "publishing/MqttSettings.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace quorlin {

// The publishing options of a headless run, each with its value:
// --mqtt URL, --mqtt-topic PREFIX, --mqtt-every MS, --mqtt-qos 0|1, --mqtt-cafile FILE,
// --mqtt-credentials FILE. Credentials are only ever read from the file.
struct MqttOptionsResult {
    MqttSettings settings;  // url empty: no publishing asked for
    QString error;          // the first problem, naming the option; a run ends with code 2
};

// Reads the options given, in order (a later one replaces an earlier one of the same name),
// and checks the result as a run would use it: the URL parses, the files exist and the
// credentials file is readable by its owner only.
MqttOptionsResult mqttSettingsFromOptions(const QList<QPair<QString, QString>>& options);

}  // namespace quorlin
