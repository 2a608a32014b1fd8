#include "publishing/MqttSettings.h"

#include "platform/SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QUrl>

#include <sys/stat.h>

namespace quorlin {

namespace {
const QString kGroup = QStringLiteral("Mqtt");
constexpr int kMqttPort = 1883;
constexpr int kMqttsPort = 8883;
}  // namespace

BrokerAddressResult parseBrokerUrl(const QString& url) {
    const QString text = url.trimmed();
    const QUrl parsed(text, QUrl::StrictMode);
    if (text.isEmpty() || !parsed.isValid() || parsed.scheme().isEmpty() ||
        !text.contains(QLatin1String("://"))) {
        return {std::nullopt, QStringLiteral("MQTT URL \"%1\" is not a URL such as "
                                             "mqtt://host:1883 or mqtts://host:8883.")
                                  .arg(text)};
    }
    const QString scheme = parsed.scheme().toLower();
    if (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts")) {
        return {std::nullopt,
                QStringLiteral("MQTT URL \"%1\": unknown scheme \"%2\" (use mqtt:// or mqtts://).")
                    .arg(text, parsed.scheme())};
    }
    if (parsed.host().isEmpty() || !parsed.userInfo().isEmpty() ||
        (!parsed.path().isEmpty() && parsed.path() != QLatin1String("/")) || parsed.hasQuery() ||
        parsed.hasFragment()) {
        return {std::nullopt,
                QStringLiteral("MQTT URL \"%1\" must be only a host and an optional port "
                               "(credentials go in the credentials file).")
                    .arg(text)};
    }
    const bool tls = scheme == QLatin1String("mqtts");
    const int port = parsed.port(tls ? kMqttsPort : kMqttPort);
    if (port <= 0 || port > 65535) {
        return {std::nullopt,
                QStringLiteral("MQTT URL \"%1\": the port is not 1 to 65535.").arg(text)};
    }
    return {BrokerAddress{parsed.host(), port, tls}, {}};
}

CredentialsResult readCredentialsFile(const QString& path) {
    struct stat info {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {std::nullopt,
                QStringLiteral("MQTT credentials file \"%1\" does not exist.").arg(path)};
    }
    if ((info.st_mode & S_IROTH) != 0) {
        return {std::nullopt,
                QStringLiteral("MQTT credentials file \"%1\" is readable by every user; "
                               "allow only its owner (chmod 600).")
                    .arg(path)};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {std::nullopt, QStringLiteral("MQTT credentials file \"%1\" cannot be read: %2.")
                                  .arg(path, file.errorString())};
    }
    const QStringList lines =
        QString::fromUtf8(file.read(64 * 1024)).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    if (lines.size() < 2 || lines[0].isEmpty()) {
        return {std::nullopt,
                QStringLiteral("MQTT credentials file \"%1\" must hold the user name on its first "
                               "line and the password on its second.")
                    .arg(path)};
    }
    return {BrokerCredentials{lines[0], lines[1]}, {}};
}

QString mqttSettingsError(const MqttSettings& s, MqttField* field) {
    MqttField ignored = MqttField::None;
    MqttField& which = field ? *field : ignored;
    which = MqttField::None;
    if (!s.enabled()) {
        return {};
    }
    const BrokerAddressResult address = parseBrokerUrl(s.url);
    if (!address.address) {
        which = MqttField::Url;
        return address.error;
    }
    const QString prefix = topicPrefix(s);
    if (prefix.contains(QLatin1Char('#')) || prefix.contains(QLatin1Char('+')) ||
        prefix.endsWith(QLatin1Char('/')) || prefix.contains(QChar(0))) {
        which = MqttField::Topic;
        return QStringLiteral("MQTT topic \"%1\" may not hold # or + nor end with /.").arg(prefix);
    }
    if (s.everyMs < 0) {
        which = MqttField::EveryMs;
        return QStringLiteral("MQTT interval %1 ms is negative (0 publishes every scan).")
            .arg(s.everyMs);
    }
    if (s.qos != 0 && s.qos != 1) {
        which = MqttField::Qos;
        return QStringLiteral("MQTT QoS %1 is not 0 or 1.").arg(s.qos);
    }
    if (!s.caFile.isEmpty()) {
        const QFileInfo ca(s.caFile);
        which = MqttField::CaFile;
        if (!ca.isFile()) {
            return QStringLiteral("MQTT CA file \"%1\" does not exist.").arg(s.caFile);
        }
        if (!ca.isReadable()) {
            return QStringLiteral("MQTT CA file \"%1\" cannot be read.").arg(s.caFile);
        }
        which = MqttField::None;
    }
    if (!s.credentialsFile.isEmpty()) {
        const CredentialsResult credentials = readCredentialsFile(s.credentialsFile);
        if (!credentials.credentials) {
            which = MqttField::CredentialsFile;
            return credentials.error;
        }
    }
    return {};
}

QString defaultMqttTopic() {
    QString host = QSysInfo::machineHostName();
    host.remove(QLatin1Char('#'))
        .remove(QLatin1Char('+'))
        .replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("quorlin/") + (host.isEmpty() ? QStringLiteral("localhost") : host);
}

QString topicPrefix(const MqttSettings& settings) {
    const QString topic = settings.topic.trimmed();
    return topic.isEmpty() ? defaultMqttTopic() : topic;
}

MqttSettings loadMqttSettings(SettingsStore& store) {
    MqttSettings s;
    s.url = store.value(kGroup, QStringLiteral("Url"), {});
    s.topic = store.value(kGroup, QStringLiteral("Topic"), {});
    s.everyMs = store.value(kGroup, QStringLiteral("EveryMs"), QStringLiteral("0")).toInt();
    s.qos = store.value(kGroup, QStringLiteral("Qos"), QStringLiteral("0")).toInt();
    s.caFile = store.value(kGroup, QStringLiteral("CaFile"), {});
    s.credentialsFile = store.value(kGroup, QStringLiteral("CredentialsFile"), {});
    return s;
}

void saveMqttSettings(SettingsStore& store, const MqttSettings& s) {
    store.setValue(kGroup, QStringLiteral("Url"), s.url);
    store.setValue(kGroup, QStringLiteral("Topic"), s.topic);
    store.setValue(kGroup, QStringLiteral("EveryMs"), QString::number(s.everyMs));
    store.setValue(kGroup, QStringLiteral("Qos"), QString::number(s.qos));
    store.setValue(kGroup, QStringLiteral("CaFile"), s.caFile);
    store.setValue(kGroup, QStringLiteral("CredentialsFile"), s.credentialsFile);
}

}  // namespace quorlin
