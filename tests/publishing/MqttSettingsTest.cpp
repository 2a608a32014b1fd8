#include "publishing/MqttDialogModel.h"
#include "publishing/MqttOptions.h"
#include "publishing/MqttSettings.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

namespace quorlin::test {
namespace {

QString writeFile(const TempFolder& dir, const QString& name, const QByteArray& text,
                  QFile::Permissions permissions) {
    const QString path = dir.file(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text);
    f.close();
    f.setPermissions(permissions);
    return path;
}

TEST(MqttSettings, brokerUrls) {
    struct Case {
        const char* url;
        const char* host;  // nullptr: refused
        int port;
        bool tls;
        const char* errorPart;
    };
    const Case cases[] = {
        {"mqtt://broker.lab", "broker.lab", 1883, false, ""},
        {"mqtts://broker.lab", "broker.lab", 8883, true, ""},
        {" MQTT://127.0.0.1:1884/ ", "127.0.0.1", 1884, false, ""},
        {"mqtts://[::1]:9000", "::1", 9000, true, ""},
        {"broker.lab:1883", nullptr, 0, false, "is not a URL"},
        {"", nullptr, 0, false, "is not a URL"},
        {"http://broker.lab", nullptr, 0, false, "unknown scheme \"http\""},
        {"ws://broker.lab", nullptr, 0, false, "unknown scheme"},
        {"mqtt://", nullptr, 0, false, "only a host"},
        {"mqtt://user:pw@broker.lab", nullptr, 0, false, "credentials file"},
        {"mqtt://broker.lab/topic", nullptr, 0, false, "only a host"},
        {"mqtt://broker.lab:99999", nullptr, 0, false, ""},
    };
    for (const Case& c : cases) {
        const BrokerAddressResult r = parseBrokerUrl(QString::fromUtf8(c.url));
        if (c.host) {
            ASSERT_TRUE(r.address) << c.url << ": " << r.error.toStdString();
            EXPECT_EQ(r.address->host, QString::fromUtf8(c.host)) << c.url;
            EXPECT_EQ(r.address->port, c.port) << c.url;
            EXPECT_EQ(r.address->tls, c.tls) << c.url;
        } else {
            EXPECT_FALSE(r.address) << c.url;
            EXPECT_TRUE(r.error.startsWith(QStringLiteral("MQTT URL"))) << r.error.toStdString();
            EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.errorPart))) << r.error.toStdString();
        }
    }
}

TEST(MqttSettings, filesAndFieldsAreCheckedAndNamed) {
    TempFolder dir;
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const QString good = writeFile(dir, "cred", "lab\nsecret\n", ownerOnly);
    const QString open = writeFile(dir, "open", "lab\nsecret\n", ownerOnly | QFile::ReadOther);
    const QString oneLine = writeFile(dir, "one", "lab", ownerOnly);
    const QString ca = writeFile(dir, "ca.pem", "x", ownerOnly);

    const CredentialsResult read = readCredentialsFile(good);
    ASSERT_TRUE(read.credentials);
    EXPECT_EQ(read.credentials->user, "lab");
    EXPECT_EQ(read.credentials->password, "secret");

    struct Case {
        MqttSettings settings;
        MqttField field;
        const char* errorPart;
    };
    const QString url = QStringLiteral("mqtt://localhost");
    const Case cases[] = {
        {{}, MqttField::None, ""},  // publishing off: nothing else matters
        {{url, {}, 0, 0, ca, good}, MqttField::None, ""},
        {{QStringLiteral("tcp://x"), {}, 0, 0, {}, {}}, MqttField::Url, "unknown scheme"},
        {{url, QStringLiteral("lab/#"), 0, 0, {}, {}}, MqttField::Topic, "topic"},
        {{url, {}, -5, 0, {}, {}}, MqttField::EveryMs, "negative"},
        {{url, {}, 0, 2, {}, {}}, MqttField::Qos, "QoS 2"},
        {{url, {}, 0, 0, dir.file("none.pem"), {}}, MqttField::CaFile, "CA file"},
        {{url, {}, 0, 0, {}, dir.file("none")}, MqttField::CredentialsFile, "does not exist"},
        {{url, {}, 0, 0, {}, open}, MqttField::CredentialsFile, "readable by every user"},
        {{url, {}, 0, 0, {}, oneLine}, MqttField::CredentialsFile, "password on its second"},
    };
    for (const Case& c : cases) {
        MqttField field = MqttField::Url;
        const QString error = mqttSettingsError(c.settings, &field);
        EXPECT_EQ(field, c.field) << error.toStdString();
        EXPECT_EQ(error.isEmpty(), c.field == MqttField::None) << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.errorPart))) << error.toStdString();
    }
    EXPECT_TRUE(topicPrefix({}).startsWith(QStringLiteral("quorlin/")));
}

TEST(MqttSettings, storeRoundTripAndHeadlessOptions) {
    MemorySettingsStore store;
    const MqttSettings s{QStringLiteral("mqtts://b:1"), QStringLiteral("lab/rig1"), 250, 1,
                         QStringLiteral("/ca"),         QStringLiteral("/cred")};
    saveMqttSettings(store, s);
    EXPECT_EQ(store.values.value(QStringLiteral("Mqtt/EveryMs")), "250");
    EXPECT_EQ(loadMqttSettings(store), s);

    TempFolder dir;
    const QString open = writeFile(dir, "open", "a\nb\n", QFile::ReadOwner | QFile::ReadOther);
    using Options = QList<QPair<QString, QString>>;
    const struct {
        Options options;
        const char* errorPart;  // "" accepted
    } cases[] = {
        {{}, ""},
        {{{"--mqtt", "mqtt://h"}, {"--mqtt-every", "100"}, {"--mqtt-qos", "1"}}, ""},
        {{{"--mqtt-topic", "x"}}, "--mqtt-topic needs --mqtt URL"},
        {{{"--mqtt", "mqtt://h"}, {"--mqtt-qos", "2"}}, "--mqtt-qos: MQTT QoS 2"},
        {{{"--mqtt", "mqtt://h"}, {"--mqtt-every", "fast"}}, "--mqtt-every: \"fast\""},
        {{{"--mqtt", "amqp://h"}}, "--mqtt: MQTT URL"},
        {{{"--mqtt", "mqtt://h"}, {"--mqtt-credentials", open}}, "--mqtt-credentials: "},
        {{{"--mqtt", "mqtts://h"}, {"--mqtt-cafile", dir.file("no")}}, "--mqtt-cafile: "},
    };
    for (const auto& c : cases) {
        const MqttOptionsResult r = mqttSettingsFromOptions(c.options);
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.errorPart))) << r.error.toStdString();
        EXPECT_EQ(r.error.isEmpty(), *c.errorPart == 0) << r.error.toStdString();
    }
    const MqttOptionsResult r = mqttSettingsFromOptions(
        {{"--mqtt", "mqtt://h"}, {"--mqtt-every", "100"}, {"--mqtt-qos", "1"}});
    EXPECT_EQ(r.settings, (MqttSettings{QStringLiteral("mqtt://h"), {}, 100, 1, {}, {}}));
}

TEST(MqttDialogModel, badInputIsNamedAndKeepsTheOldSetting) {
    std::vector<MqttSettings> applied;
    MqttDialogModel model({}, [&](const MqttSettings& s) { applied.push_back(s); });
    for (const auto& [url, every, part] : {std::tuple{"ftp://h", "0", "unknown scheme"},
                                           std::tuple{"mqtt://h", "soon", "interval"}}) {
        model.fields.url = QString::fromUtf8(url);
        model.fields.everyMs = QString::fromUtf8(every);
        EXPECT_FALSE(model.ok());
        EXPECT_TRUE(model.message().contains(QString::fromUtf8(part)))
            << model.message().toStdString();
    }
    EXPECT_TRUE(applied.empty());
    EXPECT_FALSE(model.testRequest());

    model.fields.everyMs = QStringLiteral(" 500 ");
    const std::optional<MqttSettings> test = model.testRequest();
    ASSERT_TRUE(test);
    model.testFinished(*test, QStringLiteral("Connection refused"));
    EXPECT_EQ(model.message(), "Could not connect to mqtt://h: Connection refused.");
    EXPECT_TRUE(model.ok());
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied[0].everyMs, 500);
    EXPECT_EQ(model.message(), "");

    // A stored setting that no longer holds is shown at once.
    MqttDialogModel stale({QStringLiteral("mqtts://h"), {}, 0, 0, QStringLiteral("/gone.pem"), {}},
                          [](const MqttSettings&) {});
    EXPECT_TRUE(stale.message().startsWith(QStringLiteral("Publishing is off: MQTT CA file")));
}

}  // namespace
}  // namespace quorlin::test
