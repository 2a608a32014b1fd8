#include "common/NumberText.h"
#include "publishing/ScanPublisher.h"
#include "support/Fakes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <limits>

namespace quorlin::test {
namespace {

// A client whose connection the test makes and breaks; what was handed over is recorded.
class FakeMqttClient : public MqttClient {
  public:
    struct Handed {
        OutgoingMessage message;
        int qos;
    };
    void start(const Options& options, Events events) override {
        startedWith = options;
        events_ = std::move(events);
    }
    std::optional<int> publish(const OutgoingMessage& message, int qos) override {
        if (!connected) {
            return std::nullopt;
        }
        handed.push_back({message, qos});
        return nextId++;
    }
    void stop(int flushMs) override { stoppedWithFlushMs = flushMs; }

    void connect() {
        connected = true;
        events_.connected();
    }
    void fail(const QString& why) {
        connected = false;
        events_.failed(why);
    }
    void deliverAll() {
        for (int id = delivered + 1; id < nextId; ++id) {
            events_.delivered(id);
        }
        delivered = nextId - 1;
    }
    QList<QByteArray> topics() const {
        QList<QByteArray> out;
        for (const Handed& h : handed) {
            out.append(h.message.topic);
        }
        return out;
    }

    Options startedWith;
    std::vector<Handed> handed;
    bool connected = false;
    int nextId = 1;
    int delivered = 0;
    int stoppedWithFlushMs = -1;

  private:
    Events events_;
};

struct PublisherRig {
    explicit PublisherRig(MqttSettings settings = {QStringLiteral("mqtt://127.0.0.1:1"),
                                                   QStringLiteral("lab/rig"),
                                                   0,
                                                   1,
                                                   {},
                                                   {}},
                          std::size_t capacity = MessageQueue::kDefaultCapacity) {
        auto fake = std::make_unique<FakeMqttClient>();
        client = fake.get();
        publisher = std::make_unique<ScanPublisher>(
            settings, std::move(fake),
            ScanPublisher::Parts{clock, timers, health, [this] { return run; }, capacity});
    }
    ScanMessage scan(double t) {
        ScanMessage s;
        s.time = clock.now;
        s.elapsedText = shortNumberText(t);
        s.volts.fill(t);
        return s;
    }
    FakeClock clock;
    FakeTimerFactory timers;
    PublishHealth health;
    HealthMessage run;
    FakeMqttClient* client = nullptr;
    std::unique_ptr<ScanPublisher> publisher;
};

QJsonObject json(const QByteArray& payload) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << payload.toStdString();
    return doc.object();
}

TEST(Payloads, scanStatusAndHealthAreJsonAsDocumented) {
    ScanMessage scan;
    scan.time = QDateTime(QDate(2026, 12, 9), QTime(6, 0, 0, 123), Qt::OffsetFromUTC, 3600);
    scan.elapsedText = QStringLiteral(".25");
    scan.volts = {0.6103, -1.2206, 0, 0, 0, 0, 0, 1e-5};
    scan.values = {12.5,
                   std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<double>::infinity(),
                   0,
                   0,
                   0,
                   0,
                   1e15};
    scan.units = {QStringLiteral("°C"), QStringLiteral("\"in\"\\"), QStringLiteral("a\tb")};
    scan.active = {true, true, false, false, false, false, false, true};
    EXPECT_EQ(
        scanPayload(scan),
        QByteArray("{\"time\":\"2026-12-09T06:00:00.123+01:00\",\"t\":0.25,"
                   "\"volts\":[0.6103,-1.2206,0,0,0,0,0,1E-05],"
                   "\"values\":[12.5,null,null,0,0,0,0,1E+15],"
                   "\"units\":[\"°C\",\"\\\"in\\\"\\\\\",\"a\\u0009b\",\"\",\"\",\"\",\"\",\"\"],"
                   "\"active\":[true,true,false,false,false,false,false,true]}"));
    const QJsonObject parsed = json(scanPayload(scan));
    EXPECT_EQ(parsed["units"].toArray()[1].toString(), "\"in\"\\");
    EXPECT_DOUBLE_EQ(parsed["volts"].toArray()[7].toDouble(), 1e-5);

    EXPECT_EQ(statusPayload(PublishState::Reconnecting, scan.time),
              "{\"state\":\"reconnecting\",\"since\":\"2026-12-09T06:00:00.123+01:00\"}");
    HealthMessage h;
    h.time = scan.time;
    h.scans = 40;
    h.dropped = 3;
    const QJsonObject health = json(healthPayload(h));
    EXPECT_TRUE(health["scansPerSecond"].isNull());
    EXPECT_EQ(health["scans"].toInt(), 40);
    EXPECT_EQ(health["dropped"].toInt(), 3);
}

TEST(MessageQueue, boundedDropsTheOldest) {
    MessageQueue q(3);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(q.push({QByteArray::number(i), {}, false}), i >= 3);
    }
    EXPECT_EQ(q.dropped(), 2u);
    EXPECT_TRUE(q.pushFront({"late", {}, false}));  // full: the put-back one is the oldest
    EXPECT_EQ(q.pop()->topic, "2");
    EXPECT_FALSE(q.pushFront({"back", {}, false}));
    EXPECT_EQ(q.pop()->topic, "back");
    EXPECT_EQ(q.size(), 2u);
}

TEST(ScanPublisher, queuesUntilConnectedThenSendsStatusFirstAndInOrder) {
    PublisherRig rig;
    EXPECT_EQ(rig.client->startedWith.willTopic, "lab/rig/status");
    EXPECT_EQ(json(rig.client->startedWith.willPayload())["state"].toString(), "offline");
    EXPECT_EQ(rig.client->startedWith.qos, 1);

    rig.publisher->setState(PublishState::Sampling);
    for (int i = 1; i <= 3; ++i) {
        rig.publisher->scanClosed(rig.scan(i * 0.25));
    }
    EXPECT_TRUE(rig.client->handed.empty());
    EXPECT_EQ(rig.publisher->queued(), 4u);

    rig.client->connect();
    EXPECT_TRUE(rig.health.connected());
    const QList<QByteArray> expected{"lab/rig/status", "lab/rig/status", "lab/rig/scan",
                                     "lab/rig/scan", "lab/rig/scan"};
    EXPECT_EQ(rig.client->topics(), expected);
    EXPECT_TRUE(rig.client->handed[0].message.retain);
    EXPECT_EQ(rig.client->handed[0].qos, 1);
    EXPECT_FALSE(rig.client->handed[2].message.retain);
    EXPECT_EQ(json(rig.client->handed[4].message.payload)["t"].toDouble(), 0.75);
    rig.client->deliverAll();
    EXPECT_EQ(rig.health.sent(), 5u);

    rig.publisher.reset();  // "offline" goes out past the queue, then a flushed goodbye
    EXPECT_EQ(json(rig.client->handed.back().message.payload)["state"].toString(), "offline");
    EXPECT_EQ(rig.client->stoppedWithFlushMs, ScanPublisher::kFlushOnStopMs);
    EXPECT_FALSE(rig.health.enabled());
}

TEST(ScanPublisher, slowOrAbsentBrokerCostsOnlyTheOldestMessages) {
    PublisherRig rig({QStringLiteral("mqtt://h"), {}, 0, 0, {}, {}}, 10);
    for (int i = 0; i < 25; ++i) {
        rig.publisher->scanClosed(rig.scan(i));
    }
    EXPECT_EQ(rig.health.dropped(), 15u);
    rig.client->connect();
    ASSERT_EQ(rig.client->handed.size(), 11u);  // status, then the ten newest scans
    EXPECT_EQ(json(rig.client->handed[1].message.payload)["t"].toDouble(), 15);

    // A lost connection: what it had not delivered counts as dropped, the line says failing.
    rig.client->fail(QStringLiteral("connection lost: refused"));
    EXPECT_TRUE(rig.health.failing());
    EXPECT_EQ(rig.health.lastFailure(), "connection lost: refused");
    EXPECT_EQ(rig.health.dropped(), 15u + 11u);
    rig.client->deliverAll();  // late acknowledgements of the dead connection count nothing
    EXPECT_EQ(rig.health.sent(), 0u);

    // At most kInFlight wait for the broker at a time; deliveries let the rest through.
    PublisherRig slow;
    slow.client->connect();
    for (int i = 0; i < ScanPublisher::kInFlight + 50; ++i) {
        slow.publisher->scanClosed(slow.scan(i));
    }
    EXPECT_EQ(static_cast<int>(slow.client->handed.size()), ScanPublisher::kInFlight);
    slow.client->deliverAll();
    EXPECT_EQ(static_cast<int>(slow.client->handed.size()), ScanPublisher::kInFlight + 51);
}

TEST(ScanPublisher, everyMsThrottlesScansAndHealthFollowsSampling) {
    PublisherRig rig({QStringLiteral("mqtt://h"), {}, 1000, 0, {}, {}});
    rig.client->connect();
    rig.run.scans = 100;
    rig.clock.ms = 5000;
    rig.publisher->setState(PublishState::Sampling);
    for (int ms : {0, 400, 999, 1000, 1500, 2100}) {
        rig.clock.ms = 5000 + ms;
        rig.publisher->scanClosed(rig.scan(ms / 1000.0));
    }
    QList<double> published;
    for (const auto& h : rig.client->handed) {
        if (h.message.topic.endsWith("/scan")) {
            published.append(json(h.message.payload)["t"].toDouble());
        }
    }
    EXPECT_EQ(published, (QList<double>{0, 1, 2.1}));

    ASSERT_EQ(rig.timers.created.size(), 1u);
    FakeTimer& timer = *rig.timers.created[0];
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval, ScanPublisher::kHealthEveryMs);
    rig.clock.ms = 5000 + 10000;  // ten seconds after the start
    rig.run.scans = 100 + 415;
    timer.fire();
    const QJsonObject health = json(rig.client->handed.back().message.payload);
    EXPECT_EQ(rig.client->handed.back().message.topic, rig.publisher->topic("health"));
    EXPECT_DOUBLE_EQ(health["scansPerSecond"].toDouble(), 41.5);
    EXPECT_EQ(health["runSeconds"].toInt(), 10);
    EXPECT_TRUE(timer.isActive());

    rig.publisher->setState(PublishState::Reconnecting);
    EXPECT_TRUE(timer.isActive());
    rig.publisher->setState(PublishState::Stopped);
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(json(rig.client->handed.back().message.payload)["state"].toString(), "stopped");
}

}  // namespace
}  // namespace quorlin::test
