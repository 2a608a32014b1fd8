#include "publishing/MqttClient.h"

#include <QCoreApplication>
#include <QSysInfo>

namespace quorlin {

MqttClient::Options clientOptions(const MqttSettings& settings) {
    MqttClient::Options options;
    options.broker = parseBrokerUrl(settings.url).address.value_or(BrokerAddress{});
    options.caFile = settings.caFile;
    if (!settings.credentialsFile.isEmpty()) {
        options.credentials = readCredentialsFile(settings.credentialsFile).credentials;
    }
    // Unique per process: a broker drops the older of two connections with the same id.
    options.clientId = QStringLiteral("quorlin-%1-%2")
                           .arg(QSysInfo::machineHostName())
                           .arg(QCoreApplication::applicationPid());
    options.qos = settings.qos;
    return options;
}

}  // namespace quorlin
