// Publishing to a real broker (Debian's mosquitto, started by each test on 127.0.0.1) while
// the program samples the simulated board and records: what arrives is what the data file
// holds, a broker that goes away costs the data file nothing, the last will says "offline".

#include "common/NumberText.h"
#include "integration/RecordedFiles.h"
#include "integration/SamplingRun.h"
#include "publishing/MosquittoClient.h"
#include "support/MqttBroker.h"
#include "support/TempFolder.h"

#include <QApplication>
#include <QDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/types.h>
#include <csignal>

namespace quorlin::test {
namespace {

using namespace std::chrono_literals;

const QString kTopic = QStringLiteral("quorlin-test/rig");

#define SKIP_WITHOUT_BROKER()                                                              \
    if (mosquittoBinary().isEmpty()) {                                                     \
        GTEST_SKIP() << "the mosquitto broker is not installed (scripts/install-deps.sh)"; \
    }

QJsonObject json(const QByteArray& payload) {
    return QJsonDocument::fromJson(payload).object();
}

QStringList states(const std::vector<ReceivedMessage>& status) {
    QStringList out;
    for (const ReceivedMessage& m : status) {
        out << json(m.payload)["state"].toString();
    }
    return out;
}

// Whether the latest status message says `state`.
std::function<bool(const std::vector<ReceivedMessage>&)> lastState(const QString& state) {
    return [state](const std::vector<ReceivedMessage>& all) {
        for (auto m = all.rbegin(); m != all.rend(); ++m) {
            if (m->topic.endsWith("/status")) {
                return json(m->payload)["state"].toString() == state;
            }
        }
        return false;
    };
}

std::function<bool(const std::vector<ReceivedMessage>&)> hasState(const QString& state) {
    return [state](const std::vector<ReceivedMessage>& all) {
        for (const ReceivedMessage& m : all) {
            if (m.topic.endsWith("/status") && json(m.payload)["state"].toString() == state) {
                return true;
            }
        }
        return false;
    };
}

// The messages on one topic, of those given to a waitFor() condition.
std::vector<ReceivedMessage> on(const std::vector<ReceivedMessage>& all, const QString& topic) {
    std::vector<ReceivedMessage> out;
    for (const ReceivedMessage& m : all) {
        if (m.topic == topic.toUtf8()) {
            out.push_back(m);
        }
    }
    return out;
}

AppHarnessOptions publishingTo(const MosquittoBroker& broker, const QString& caFile = {}) {
    AppHarnessOptions o;
    o.realChart = false;
    o.storeValues = {{QStringLiteral("Mqtt/Url"), broker.url()},
                     {QStringLiteral("Mqtt/Topic"), kTopic},
                     {QStringLiteral("Mqtt/Qos"), QStringLiteral("1")},
                     {QStringLiteral("Mqtt/CaFile"), caFile}};
    return o;
}

void rampSources(AppHarness& h) {
    for (int c = 0; c < kChannelCount; ++c) {
        h.board().setSource(c, sim::Source::ramp(static_cast<uint16_t>(0x0200 + 0x700 * c), 3 + c));
    }
}

// Scaled values, not volts, in the file: the published values are then checked against it.
void scaledRecording(SettingsModel& s) {
    s.WriteFileMethod = QStringLiteral("Scale");
    for (int c = 0; c < kChannelCount; ++c) {
        s.Slope[c] = 2.5 + c;
        s.Offset[c] = -1;
        s.Units[c] = QStringLiteral("unit%1").arg(c);
    }
}

// The data file's rows: elapsed time and values, as doubles.
struct FileRow {
    double t;
    std::vector<double> values;
};
std::vector<FileRow> fileRows(const QString& path) {
    std::vector<FileRow> rows;
    const RecordedLines file = readRecordedLines(path);
    for (qsizetype i = 5; i < file.lines.size(); ++i) {
        const QStringList f = file.lines[i].split(u',');
        FileRow row{leadingNumber(f.value(1)), {}};
        for (int c = 0; c < kChannelCount; ++c) {
            row.values.push_back(leadingNumber(f.value(2 + c)));
        }
        rows.push_back(row);
    }
    return rows;
}

// A broker of the test's own on a free port, and a subscriber to `filter` on it.
struct BrokerAndSubscriber {
    TempFolder dir;
    MosquittoBroker broker{dir.path()};
    MqttSubscriber sub;
    QString start(const QString& filter) {
        const QString failed = broker.start();
        return failed.isEmpty() ? sub.subscribe(QStringLiteral("127.0.0.1"), broker.port(), filter)
                                : failed;
    }
};

TEST(MqttIntegration, everyScanArrivesWithTheValuesTheDataFileHolds) {
    SKIP_WITHOUT_BROKER();
    BrokerAndSubscriber b;
    ASSERT_EQ(b.start(kTopic + "/#"), "");
    auto& [dir, broker, sub] = b;

    AppHarness h(publishingTo(broker));
    rampSources(h);
    ASSERT_TRUE(h.startOnBoard(scaledRecording));
    ASSERT_TRUE(sub.waitFor(hasState(QStringLiteral("stopped"))));
    const QString path = dir.file(QStringLiteral("run.csv"));
    ASSERT_TRUE(h.startRecording(path));
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, 150));
    toggleSampling(h);
    ASSERT_FALSE(h.engine().isSampling());

    const std::vector<FileRow> rows = fileRows(path);
    ASSERT_GE(rows.size(), 150u);
    ASSERT_TRUE(sub.waitFor(
        [&](const auto& all) { return on(all, kTopic + "/scan").size() >= rows.size(); }));
    ASSERT_TRUE(sub.waitFor(lastState(QStringLiteral("stopped"))));
    const std::vector<ReceivedMessage> scans = sub.messagesOn((kTopic + "/scan").toUtf8());
    ASSERT_EQ(scans.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const QJsonObject scan = json(scans[r].payload);
        ASSERT_EQ(scan["t"].toDouble(), rows[r].t) << "scan " << r;
        const QJsonArray values = scan["values"].toArray();
        const QJsonArray volts = scan["volts"].toArray();
        for (int c = 0; c < kChannelCount; ++c) {
            ASSERT_EQ(values[c].toDouble(), rows[r].values[c]) << "scan " << r << " CH" << c;
            // Scaled as configured from the volts shown (rounded to four places).
            EXPECT_NEAR(values[c].toDouble(), volts[c].toDouble() * (2.5 + c) - 1, 1e-4);
        }
        EXPECT_EQ(scan["units"].toArray()[3].toString(), "unit3");
        EXPECT_TRUE(scan["active"].toArray()[7].toBool());
        EXPECT_TRUE(scan["time"].toString().contains(u'T'));
    }
    EXPECT_EQ(states(sub.messagesOn((kTopic + "/status").toUtf8())),
              (QStringList{"stopped", "sampling", "stopped"}));
    EXPECT_EQ(h.engine().publishHealth().dropped(), 0u);
    EXPECT_TRUE(h.model().runStatus().contains(QStringLiteral("MQTT: ")))
        << h.model().runStatus().toStdString();
}

TEST(MqttIntegration, brokerAwayMidRun_dataFileHasNoGapAndPublishingResumes) {
    SKIP_WITHOUT_BROKER();
    BrokerAndSubscriber b;
    ASSERT_EQ(b.start(kTopic + "/#"), "");
    auto& [dir, broker, sub] = b;

    AppHarness h(publishingTo(broker));
    rampSources(h);
    ASSERT_TRUE(h.startOnBoard(scaledRecording));
    const QString path = dir.file(QStringLiteral("run.csv"));
    ASSERT_TRUE(h.startRecording(path));
    toggleSampling(h);
    ASSERT_TRUE(waitForScans(h, 30));
    ASSERT_TRUE(sub.waitFor([&](const auto& all) { return !on(all, kTopic + "/scan").empty(); }));

    broker.stop();
    ASSERT_TRUE(h.waitFor([&] { return h.engine().publishHealth().failing(); }));
    const quint64 scansWhenGone = h.engine().scanCount();
    const double goneAt = leadingNumber(h.values().ElapsedTimeText);
    // Away for three seconds of the run's own clock.
    ASSERT_TRUE(h.waitFor([&] { return leadingNumber(h.values().ElapsedTimeText) > goneAt + 3; }));
    h.main().runStatus().refresh();
    EXPECT_TRUE(h.model().runStatus().contains(QStringLiteral("MQTT FAILING")))
        << h.model().runStatus().toStdString();

    ASSERT_EQ(broker.start(), "");
    const double restartedAt = leadingNumber(h.values().ElapsedTimeText);
    ASSERT_TRUE(sub.waitFor([&](const auto& all) {
        const auto scans = on(all, kTopic + "/scan");
        return !scans.empty() && json(scans.back().payload)["t"].toDouble() > restartedAt;
    }));
    ASSERT_TRUE(h.waitFor([&] { return h.engine().publishHealth().connected(); }));
    toggleSampling(h);

    // Every scan was recorded, the broker's absence notwithstanding.
    const std::vector<FileRow> rows = fileRows(path);
    EXPECT_EQ(rows.size(), h.engine().scanCount());
    EXPECT_GT(h.engine().scanCount(), scansWhenGone + 10);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        ASSERT_LT(rows[r].t - rows[r - 1].t, 0.5) << "gap before row " << r;
    }
    // The scans of the outage waited in the queue and went out once the broker was back.
    const auto scans = sub.messagesOn((kTopic + "/scan").toUtf8());
    EXPECT_TRUE(std::any_of(scans.begin(), scans.end(), [&](const ReceivedMessage& m) {
        const double t = json(m.payload)["t"].toDouble();
        return t > goneAt + 1 && t < restartedAt;
    }));
}

TEST(MqttIntegration, programKilled_statusSaysOffline) {
    SKIP_WITHOUT_BROKER();
    BrokerAndSubscriber b;
    ASSERT_EQ(b.start(kTopic + "/status"), "");
    auto& [dir, broker, sub] = b;
    sim::BoardSim board;
    ASSERT_TRUE(board.start()) << board.errorString().toStdString();

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORLIN_CHILD_MQTT_URL"), broker.url());
    env.insert(QStringLiteral("QUORLIN_CHILD_MQTT_TOPIC"), kTopic);
    child.setProcessEnvironment(env);
    child.start(QStringLiteral(QUORLIN_RECORDING_CHILD),
                {board.devicePath(), dir.file(QStringLiteral("child.csv"))});
    ASSERT_TRUE(child.waitForStarted(30000));
    ASSERT_TRUE(sub.waitFor(hasState(QStringLiteral("sampling"))))
        << child.readAllStandardError().toStdString();

    ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGKILL), 0);
    ASSERT_TRUE(child.waitForFinished(30000));
    ASSERT_TRUE(sub.waitFor(hasState(QStringLiteral("offline"))));
    const std::vector<ReceivedMessage> status = sub.messages();
    EXPECT_EQ(json(status.back().payload)["state"].toString(), "offline");

    // A subscriber that comes later learns it from the retained message.
    MqttSubscriber late;
    ASSERT_EQ(late.subscribe(QStringLiteral("127.0.0.1"), broker.port(), kTopic + "/status"), "");
    ASSERT_TRUE(late.waitFor([](const auto& all) { return !all.empty(); }));
    EXPECT_TRUE(late.messages().front().retained);
    EXPECT_EQ(json(late.messages().front().payload)["state"].toString(), "offline");
    board.stop();
}

TEST(MqttIntegration, dialogNamesBadInputKeepsTheOldSettingAndTestsTheBroker) {
    SKIP_WITHOUT_BROKER();
    TempFolder dir;
    MosquittoBroker broker(dir.path());
    ASSERT_EQ(broker.start(), "");
    AppHarness h(publishingTo(broker));
    ASSERT_TRUE(h.startOnBoard());
    ASSERT_TRUE(h.waitFor([&] { return h.engine().publishHealth().connected(); }));

    QString refused;
    QString tested;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* url = dialog->findChild<QLineEdit*>(QStringLiteral("txtUrl"));
        auto* message = dialog->findChild<QLabel*>(QStringLiteral("lblMessage"));
        url->setText(QStringLiteral("http://127.0.0.1"));
        dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        refused = message->text();
        url->setText(broker.url());
        QSignalSpy finished(dialog, SIGNAL(testFinished()));
        dialog->findChild<QPushButton*>(QStringLiteral("cmdTest"))->click();
        finished.wait(30000);
        tested = message->text();
        dialog->reject();
    });
    h.trigger(h.model().mnuMqttPublishing);
    EXPECT_TRUE(refused.contains(QStringLiteral("unknown scheme \"http\"")))
        << refused.toStdString();
    EXPECT_EQ(h.store->values.value(QStringLiteral("Mqtt/Url")), broker.url());
    EXPECT_TRUE(h.engine().publishHealth().enabled());
    EXPECT_EQ(tested, QStringLiteral("Connected to %1: scans will be published under %2/.")
                          .arg(broker.url(), kTopic));
}

TEST(MqttIntegration, tlsBrokerWithTheTestsOwnCertificate) {
    SKIP_WITHOUT_BROKER();
    TempFolder dir;
    BrokerTls tls;
    ASSERT_EQ(makeTestCertificates(dir.path(), tls), "");
    MosquittoBroker broker(dir.path(), tls);
    ASSERT_EQ(broker.start(), "");
    MqttSubscriber sub;
    ASSERT_EQ(sub.subscribe(QStringLiteral("127.0.0.1"), broker.port(), kTopic + "/#", tls.caFile),
              "");

    // The dialog's Test: with the CA it connects; without, the certificate is not trusted;
    // where nothing listens, it says so.
    const auto probe = [](const QString& url, const QString& ca) {
        return MosquittoClient::probe(clientOptions({url, {}, 0, 0, ca, {}}), 10000);
    };
    EXPECT_EQ(probe(broker.url(), tls.caFile), "");
    EXPECT_NE(probe(broker.url(), {}), "");
    EXPECT_NE(probe(QStringLiteral("mqtt://127.0.0.1:1"), {}), "");

    AppHarness h(publishingTo(broker, tls.caFile));
    rampSources(h);
    ASSERT_TRUE(h.startOnBoard());
    toggleSampling(h);
    ASSERT_TRUE(
        sub.waitFor([&](const auto& all) { return on(all, kTopic + "/scan").size() >= 30; }));
    toggleSampling(h);
    EXPECT_TRUE(h.engine().publishHealth().connected());
}

}  // namespace
}  // namespace quorlin::test
