// The real program file, started as a person would start it, under a virtual display.

#include "config/ConfigFile.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>
#include <csignal>

namespace quorlin::test {
namespace {

// An Xvfb server of the test's own, driven with xdotool.
class VirtualDisplay {
  public:
    bool start() {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            return false;
        }
        // Xvfb picks a free display itself and tells its number on stdout. Without -noreset
        // it starts over whenever its last client has gone, and a program connecting in that
        // moment is turned away.
        server.start(QStringLiteral("Xvfb"),
                     {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                      QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                      QStringLiteral("0"), QStringLiteral("1280x900x24")});
        if (!server.waitForStarted(5000)) {
            return false;
        }
        QByteArray out;
        if (!waitUntil(
                [&] {
                    server.waitForReadyRead(50);
                    out += server.readAllStandardOutput();
                    return out.contains('\n');
                },
                10000)) {
            return false;
        }
        display = u':' + QString::fromLatin1(out.trimmed());
        return true;
    }
    ~VirtualDisplay() {
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            server.waitForFinished(3000);
        }
    }

    // Ids of the windows whose title matches the pattern.
    QStringList windows(const QString& titlePattern) const {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), titlePattern});
        p.waitForFinished(5000);
        return QString::fromLocal8Bit(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    // Every visible window's title, for failure messages.
    std::string titles() const {
        QStringList out;
        for (const QString& id : windows(QStringLiteral("."))) {
            QProcess p;
            p.setProcessEnvironment(environment());
            p.start(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), id});
            p.waitForFinished(5000);
            out << u'"' + QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed() + u'"';
        }
        return out.join(u", ").toStdString();
    }

    void pressReturnIn(const QString& window) const {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(QStringLiteral("xdotool"),
                {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window,
                 QStringLiteral("key"), QStringLiteral("Return")});
        p.waitForFinished(5000);
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return env;
    }

    static bool waitUntil(const std::function<bool()>& cond, int ms) {
        QElapsedTimer t;
        t.start();
        while (!cond()) {
            if (t.elapsed() > ms) {
                return false;
            }
            QThread::msleep(50);
        }
        return true;
    }

    QString display;
    QProcess server;
};

class ProgramProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!x.start()) {
            GTEST_SKIP() << "needs Xvfb and xdotool";
        }
        // The program file copied into a folder of its own takes that folder as its
        // application folder; port 0 keeps it off any serial device.
        program = folder.file(QStringLiteral("quorlin"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUORLIN_PROGRAM), program));
        QDir(folder.path()).mkpath(QStringLiteral("Logs"));
        QDir(folder.path()).mkpath(QStringLiteral("config/QRL"));
        QDir(folder.path()).mkpath(QStringLiteral("tmp"));
        SettingsModel s;
        s.ChannelActive.fill(1);
        s.GraphMethod = QStringLiteral("AutoScale");
        writeConfigFile(folder.file(QStringLiteral("Logs/Default.cfg")), s, true);
        QFile ini(folder.file(QStringLiteral("config/QRL/QRL.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Startup]\nCurrentCommPort=0\n");
    }

    std::unique_ptr<QProcess> launch() {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = x.environment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.file(QStringLiteral("config")));
        env.insert(QStringLiteral("TMPDIR"), folder.file(QStringLiteral("tmp")));
        p->setProcessEnvironment(env);
        p->start(program, {});
        EXPECT_TRUE(p->waitForStarted(5000));
        return p;
    }

    bool frameShown() const {
        return !x.windows(QStringLiteral("Kestova Quorlin Data Acquisition and Display")).isEmpty();
    }

    static void end(QProcess& p) {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(3000);
        }
    }

    VirtualDisplay x;
    TempFolder folder;
    QString program;
};

TEST_F(ProgramProcessTest, secondInstanceSaysSoAndEnds_staleLockOfAKilledOneDoesNotBlock) {
    auto first = launch();
    ASSERT_TRUE(VirtualDisplay::waitUntil([&] { return frameShown(); }, 60000));
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("Data Files"))));

    auto second = launch();
    QStringList boxes;
    ASSERT_TRUE(VirtualDisplay::waitUntil(
        [&] { return !(boxes = x.windows(QStringLiteral("^Quorlin$"))).isEmpty(); }, 60000));
    EXPECT_EQ(second->state(), QProcess::Running);  // waits for the operator's OK
    // On a loaded machine the first key may reach the box before it takes the focus.
    for (int attempt = 0; attempt < 60 && second->state() != QProcess::NotRunning; ++attempt) {
        x.pressReturnIn(boxes.first());
        second->waitForFinished(1000);
    }
    ASSERT_EQ(second->state(), QProcess::NotRunning);
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->state(), QProcess::Running);

    // A killed instance leaves its lock behind; the next start takes it over.
    ::kill(static_cast<pid_t>(first->processId()), SIGKILL);
    ASSERT_TRUE(first->waitForFinished(5000));
    ASSERT_TRUE(VirtualDisplay::waitUntil([&] { return !frameShown(); }, 60000)) << x.titles();
    auto third = launch();
    ASSERT_TRUE(VirtualDisplay::waitUntil([&] { return frameShown(); }, 60000))
        << "windows: " << x.titles() << "; program said: " << [&] {
               third->waitForFinished(100);  // reads what it wrote, and its end if it ended
               return third->readAllStandardError().toStdString();
           }();
    // The instance is decided before the frame is built: a program that shows its frame has
    // taken the lock, and a box saying it runs already would have come before.
    EXPECT_TRUE(x.windows(QStringLiteral("^Quorlin$")).isEmpty());
    EXPECT_EQ(third->state(), QProcess::Running);
    end(*third);
    end(*second);
}

}  // namespace
}  // namespace quorlin::test
