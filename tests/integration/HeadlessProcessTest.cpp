// quorlin --headless as a service starts it: the real program file in a child process, no
// display variable set, against simulated boards this test owns.

#include "app/Version.h"
#include "common/NumberText.h"
#include "config/ConfigFile.h"
#include "integration/RecordedFiles.h"
#include "support/MqttBroker.h"
#include "support/NotifySocket.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/types.h>
#include <csignal>
#include <cstdio>

namespace quorlin::test {
namespace {

using namespace std::chrono_literals;

constexpr int kDeadlineMs = 60000;

// One headless run and what it said on stderr.
class HeadlessChild {
  public:
    HeadlessChild(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
        p_.setProcessEnvironment(env);
        p_.start(program, QStringList{QStringLiteral("--headless")} + args);
        p_.waitForStarted(30000);
    }
    ~HeadlessChild() {
        if (p_.state() != QProcess::NotRunning) {
            p_.kill();
            p_.waitForFinished(5000);
        }
    }
    // Until a line holding `text` has come; false when the run ended or the deadline passed.
    bool waitForLine(const QString& text) {
        QElapsedTimer t;
        t.start();
        while (!log().contains(text)) {
            if (p_.state() == QProcess::NotRunning || t.elapsed() > kDeadlineMs) {
                return false;
            }
            p_.waitForReadyRead(50);
        }
        return true;
    }
    // SIGTERM (or `signal`), then the exit code; -1 when it did not end. How long the end took
    // is printed for the record, not judged.
    int terminate(int signal = SIGTERM) {
        QElapsedTimer t;
        t.start();
        ::kill(static_cast<pid_t>(p_.processId()), signal);
        const int code = finish();
        std::printf("headless run ended %lld ms after signal %d\n",
                    static_cast<long long>(t.elapsed()), signal);
        return code;
    }
    // The shared objects the running program has mapped.
    QString mappedFiles() const {
        QFile maps(QStringLiteral("/proc/%1/maps").arg(p_.processId()));
        return maps.open(QIODevice::ReadOnly) ? QString::fromUtf8(maps.readAll()) : QString();
    }
    int finish() {
        if (!p_.waitForFinished(kDeadlineMs) || p_.exitStatus() != QProcess::NormalExit) {
            return -1;
        }
        log();
        return p_.exitCode();
    }
    QString log() {
        err_ += QString::fromUtf8(p_.readAllStandardError());
        return err_;
    }
    int count(const QString& text) { return static_cast<int>(log().count(text)); }
    qint64 pid() const { return p_.processId(); }

  private:
    QProcess p_;
    QString err_;
};

class HeadlessProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The program file in a folder of its own takes it as its application folder.
        program = folder.file(QStringLiteral("quorlin"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUORLIN_PROGRAM), program));
        for (const char* sub : {"run", "config", "data"}) {
            QDir(folder.path()).mkpath(QString::fromLatin1(sub));
        }
        QFile::setPermissions(folder.file(QStringLiteral("run")), QFileDevice::ReadOwner |
                                                                      QFileDevice::WriteOwner |
                                                                      QFileDevice::ExeOwner);
        SettingsModel s;
        s.ChannelActive.fill(1);
        s.ChannelActive[5] = 0;  // an unticked channel records 0
        s.WriteFileMethod = QStringLiteral("Volts");
        s.PeakDisplay.fill(2);
        s.Slope.fill(1);
        config = folder.file(QStringLiteral("board.cfg"));
        writeConfigFile(config, s, false);
        env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "NOTIFY_SOCKET"}) {
            env.remove(QString::fromLatin1(name));
        }
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.file(QStringLiteral("run")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.file(QStringLiteral("config")));
    }

    std::unique_ptr<sim::BoardSim> board(const QString& link = {}) {
        auto b = std::make_unique<sim::BoardSim>();
        for (int c = 0; c < kChannelCount; ++c) {
            b->setSource(c, sim::Source::ramp(static_cast<uint16_t>(0x0300 + 0x600 * c), 5 + c));
        }
        EXPECT_TRUE(b->start(link)) << b->errorString().toStdString();
        return b;
    }

    std::unique_ptr<HeadlessChild> run(const QStringList& args) {
        return std::make_unique<HeadlessChild>(
            program, QStringList{QStringLiteral("--config"), config} + args, env);
    }

    TempFolder folder;
    QString program;
    QString config;
    QProcessEnvironment env;
};

TEST_F(HeadlessProcessTest, recordsTheBoardsValues_sigtermEndsWithWholeRowsAndPeaks_notifies) {
    auto b = board();
    NotifySocket notify(folder.file(QStringLiteral("notify")));
    ASSERT_TRUE(notify.bound());
    env.insert(QStringLiteral("NOTIFY_SOCKET"), notify.path());
    const QString data = folder.file(QStringLiteral("data/run.csv"));
    auto r = run({QStringLiteral("--device"), b->devicePath(), QStringLiteral("--data-file"), data,
                  QStringLiteral("--peak"), QStringLiteral("--status-every"), QStringLiteral("1")});
    ASSERT_TRUE(r->waitForLine(QStringLiteral("first scan in"))) << r->log().toStdString();
    ASSERT_TRUE(b->waitForRequests(2 + 8 * 60, 60s));
    ASSERT_TRUE(r->waitForLine(QStringLiteral("scans/s"))) << r->log().toStdString();
    const QString mapped = r->mappedFiles();
    ASSERT_FALSE(mapped.isEmpty());
    EXPECT_FALSE(mapped.contains(QStringLiteral("/platforms/"))) << "no display connection";
    EXPECT_FALSE(mapped.contains(QStringLiteral("libQt6Xcb")));
    EXPECT_EQ(r->terminate(), 0) << r->log().toStdString();
    b->stop();

    const auto scans = boardScans(b->exchanges());
    const RecordedLines file = readRecordedLines(data);
    ASSERT_TRUE(file.readable);
    EXPECT_EQ(file.badLineEnds, 0);
    expectDataFileHeader(file.lines.mid(0, 5), BuildVersionText());
    const int rows = static_cast<int>(file.lines.size()) - 5;
    // A scan the board finished as the port closed may not have been handled.
    EXPECT_GE(rows, static_cast<int>(scans.size()) - 1);
    EXPECT_LE(rows, static_cast<int>(scans.size()));
    for (int i = 0; i < rows && i < static_cast<int>(scans.size()); ++i) {
        const QStringList f = file.lines[5 + i].split(u',');
        ASSERT_EQ(f.size(), 10) << file.lines[5 + i].toStdString();
        for (int c = 0; c < kChannelCount; ++c) {
            const double volts = c == 5 ? 0.0 : sim::rawToVolts(scans[i].raw[c]);
            ASSERT_EQ(f[2 + c], shortNumberText(volts)) << "row " << i << " CH" << c;
        }
    }
    // The rows the run counted at its stop are all in the file.
    static const QRegularExpression stopped(QStringLiteral(R"(stopped: \d+ scans, (\d+) rows)"));
    const QRegularExpressionMatch said = stopped.match(r->log());
    ASSERT_TRUE(said.hasMatch()) << r->log().toStdString();
    EXPECT_EQ(said.captured(1).toInt(), rows);
    EXPECT_TRUE(r->log().contains(QStringLiteral("peak file written")));
    const RecordedLines peaks = readRecordedLines(folder.file(QStringLiteral("Logs/Peak.csv")));
    ASSERT_EQ(peaks.lines.size(), 14);
    EXPECT_TRUE(peaks.lines[6].startsWith(QStringLiteral("CH0,"))) << peaks.lines[6].toStdString();

    // Every line: time, level, what happened.
    static const QRegularExpression form(
        QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d (info|warning|error): \S)"));
    for (const QString& line : r->log().split(u'\n', Qt::SkipEmptyParts)) {
        EXPECT_TRUE(form.match(line).hasMatch()) << line.toStdString();
    }
    const QStringList notified = notify.received();
    ASSERT_FALSE(notified.isEmpty());
    EXPECT_EQ(notified.first(), QStringLiteral("READY=1"));
    EXPECT_EQ(notified.last(), QStringLiteral("STOPPING=1"));
    EXPECT_TRUE(notified.contains(QStringLiteral("WATCHDOG=1")));
    EXPECT_FALSE(notified.filter(QRegularExpression(QStringLiteral("^STATUS=.*scans/s"))).isEmpty())
        << notified.join(u'|').toStdString();
}

TEST_F(HeadlessProcessTest, unplugDuringTheRun_isSurvived_oneLineLostOneBack_sigintEndsIt) {
    const QString link = folder.file(QStringLiteral("board"));
    auto b = board(link);
    const QString data = folder.file(QStringLiteral("data/unplug.csv"));
    auto r = run({QStringLiteral("--device"), link, QStringLiteral("--data-file"), data});
    ASSERT_TRUE(r->waitForLine(QStringLiteral("first scan in"))) << r->log().toStdString();
    ASSERT_TRUE(b->waitForRequests(2 + 8 * 20, 60s));
    b->unplug(1500ms);
    ASSERT_TRUE(r->waitForLine(QStringLiteral("came back"))) << r->log().toStdString();
    const size_t before = b->exchanges().size();
    ASSERT_TRUE(b->waitForRequests(before + 8 * 20, 60s));
    EXPECT_EQ(r->terminate(SIGINT), 0);
    EXPECT_TRUE(r->log().contains(QStringLiteral("stopped: "))) << r->log().toStdString();
    EXPECT_EQ(r->count(QStringLiteral("was lost")), 1) << r->log().toStdString();
    EXPECT_EQ(r->count(QStringLiteral("came back")), 1);
    const RecordedLines file = readRecordedLines(data);
    EXPECT_GE(file.lines.size(), 5 + 2 * 19);  // rows from before and after
    EXPECT_EQ(file.badLineEnds, 0);
}

TEST_F(HeadlessProcessTest, twoDevicesAtOnce_theSameDeviceTwiceIsRefusedNamingItsHolder) {
    auto a = board();
    auto b = board();
    // B through a port number, bound to its device in the settings store as the window binds it.
    QDir(folder.path()).mkpath(QStringLiteral("config/QRL"));
    QFile ini(folder.file(QStringLiteral("config/QRL/QRL.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Ports]\n3=" + b->devicePath().toUtf8() + "\n");
    ini.close();
    auto onA = run({QStringLiteral("--device"), a->devicePath()});
    auto onB = run({QStringLiteral("--port"), QStringLiteral("3")});
    ASSERT_TRUE(onA->waitForLine(QStringLiteral("first scan in"))) << onA->log().toStdString();
    ASSERT_TRUE(onB->waitForLine(QStringLiteral("first scan in"))) << onB->log().toStdString();

    auto again = run({QStringLiteral("--device"), a->devicePath()});
    EXPECT_EQ(again->finish(), 75);
    EXPECT_TRUE(again->log().contains(a->devicePath())) << again->log().toStdString();
    EXPECT_TRUE(again->log().contains(QStringLiteral("process %1").arg(onA->pid())));
    EXPECT_EQ(onA->terminate(), 0);
    EXPECT_EQ(onB->terminate(), 0);
}

TEST_F(HeadlessProcessTest, deviceAbsentAtStart_isWaitedForAndSaidOnce) {
    const QString link = folder.file(QStringLiteral("later"));
    auto r = run({QStringLiteral("--device"), link});
    ASSERT_TRUE(r->waitForLine(QStringLiteral("waiting for the device"))) << r->log().toStdString();
    auto b = board(link);
    ASSERT_TRUE(r->waitForLine(QStringLiteral("first scan in"))) << r->log().toStdString();
    EXPECT_EQ(r->terminate(), 0);
    EXPECT_EQ(r->count(QStringLiteral("waiting for the device")), 1);
}

TEST_F(HeadlessProcessTest, publishesEveryRecordedScanToABroker_saysOfflineAtTheEnd) {
    if (mosquittoBinary().isEmpty()) {
        GTEST_SKIP() << "the mosquitto broker is not installed (scripts/install-deps.sh)";
    }
    MosquittoBroker broker(folder.path());
    ASSERT_EQ(broker.start(), "");
    MqttSubscriber sub;
    ASSERT_EQ(sub.subscribe(QStringLiteral("127.0.0.1"), broker.port(), QStringLiteral("rig/#")),
              "");
    auto b = board();
    const QString data = folder.file(QStringLiteral("data/run.csv"));
    auto r = run({QStringLiteral("--device"), b->devicePath(), QStringLiteral("--data-file"), data,
                  QStringLiteral("--mqtt"), broker.url(), QStringLiteral("--mqtt-topic"),
                  QStringLiteral("rig")});
    ASSERT_TRUE(r->waitForLine(QStringLiteral("first scan in"))) << r->log().toStdString();
    ASSERT_TRUE(b->waitForRequests(2 + 8 * 30, 60s));
    EXPECT_EQ(r->terminate(), 0) << r->log().toStdString();
    const auto status = [](const ReceivedMessage& m) {
        return QJsonDocument::fromJson(m.payload).object()[QStringLiteral("state")].toString();
    };
    ASSERT_TRUE(sub.waitFor([&](const std::vector<ReceivedMessage>& all) {
        return !all.empty() && all.back().topic == "rig/status" && status(all.back()) == "offline";
    })) << r->log().toStdString();

    const RecordedLines file = readRecordedLines(data);
    const std::vector<ReceivedMessage> scans = sub.messagesOn("rig/scan");
    ASSERT_EQ(static_cast<qsizetype>(scans.size()), file.lines.size() - 5);
    for (size_t i = 0; i < scans.size(); ++i) {
        const QJsonObject scan = QJsonDocument::fromJson(scans[i].payload).object();
        const QStringList row = file.lines[5 + static_cast<qsizetype>(i)].split(u',');
        ASSERT_EQ(scan[QStringLiteral("t")].toDouble(), leadingNumber(row.value(1))) << i;
    }
}

TEST_F(HeadlessProcessTest, badInput_endsWithItsExitCodeAndOneLineSayingWhat) {
    auto b = board();
    const QString device = b->devicePath();
    const QString missing = folder.file(QStringLiteral("none.cfg"));
    const QString foreign = folder.file(QStringLiteral("foreign.cfg"));
    const QString shortFile = folder.file(QStringLiteral("short.cfg"));
    QFile f(foreign);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Kestova Quorlin\r\nSystem Time,Time(Seconds),CH0\r\n");
    f.close();
    QFile s(shortFile);
    ASSERT_TRUE(s.open(QIODevice::WriteOnly));
    s.write(
        configFileLines(SettingsModel{}, false).mid(0, 100).join(QStringLiteral("\r\n")).toUtf8() +
        "\r\n");
    s.close();
    const QString data = folder.file(QStringLiteral("data/never.csv"));
    const QString noFolder = folder.file(QStringLiteral("gone/x.csv"));
    const struct {
        QStringList args;
        int code;
        QString says;
    } cases[] = {
        {{"--headless", "--bogus"}, 64, "unknown option '--bogus'"},
        {{"--headless", "--interval", "soon"}, 64, "Usage: "},
        {{"--headless", "--config", missing, "--device", device, "--data-file", data},
         2,
         missing + ": missing"},
        {{"--headless", "--config", foreign, "--device", device, "--data-file", data},
         2,
         foreign + ": line 2: not a configuration file"},
        {{"--headless", "--config", shortFile, "--device", device, "--data-file", data},
         2,
         shortFile + ": line 101"},
        {{"--headless", "--config", config, "--device", device, "--data-file", noFolder},
         3,
         "data folder " + folder.file(QStringLiteral("gone")) + " does not exist"},
        {{}, 69, "--headless"},
        {{"--headless", "--config", config, "--device", device, "--data-file", data, "--mqtt",
          "ftp://broker"},
         2,
         "--mqtt"},
        {{"--headless", "--config", config, "--device", device, "--data-file", data, "--mqtt",
          "mqtts://broker", "--mqtt-cafile", missing},
         2,
         "--mqtt-cafile"},
    };
    for (const auto& c : cases) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, c.args);
        ASSERT_TRUE(p.waitForFinished(kDeadlineMs));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << c.args.join(u' ').toStdString();
        EXPECT_EQ(p.exitCode(), c.code)
            << c.args.join(u' ').toStdString() << ": " << err.toStdString();
        EXPECT_TRUE(err.contains(c.says)) << err.toStdString();
        EXPECT_FALSE(QFile::exists(data)) << "nothing is recorded";
    }
    EXPECT_EQ(b->exchanges().size(), 0u);
}

}  // namespace
}  // namespace quorlin::test
