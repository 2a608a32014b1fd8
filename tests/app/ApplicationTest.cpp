#include "app/Application.h"
#include "app/ScriptedInstance.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

#include <QDir>

#include <gtest/gtest.h>

namespace quorlin {
namespace {

using test::FakeClock;
using test::FakeSerialPort;
using test::FakeSerialPortFactory;
using test::MemorySettingsStore;
using test::RecordingMessageBox;
using test::ScriptedInstance;
using test::TempFolder;

class ApplicationTest : public ::testing::Test {
  protected:
    std::unique_ptr<Application> make() {
        auto app = std::make_unique<Application>(
            [this](EventGate&, QWidget* frame) {
                frameGiven = frame;
                Platform p;
                auto ports = std::make_unique<FakeSerialPortFactory>();
                portFactory = ports.get();
                p.ports = std::move(ports);
                auto c = std::make_unique<FakeClock>();
                c->autoAdvanceMs = 10;
                clock = c.get();
                p.clock = std::move(c);
                auto b = std::make_unique<RecordingMessageBox>();
                box = b.get();
                p.messageBox = std::move(b);
                auto s = std::make_unique<MemorySettingsStore>();
                store = s.get();
                p.store = std::move(s);
                auto i = std::make_unique<ScriptedInstance>();
                i->alone = alone;
                i->onRelease = [this] { ++lockReleases; };
                p.instance = std::move(i);
                return p;
            },
            AppFolders(temp.path()), [this] { ++processEnds; });
        port = portFactory->created.at(0);
        return app;
    }

    TempFolder temp;
    bool alone = true;
    QWidget* frameGiven = nullptr;
    FakeSerialPortFactory* portFactory = nullptr;
    FakeSerialPort* port = nullptr;
    FakeClock* clock = nullptr;
    RecordingMessageBox* box = nullptr;
    MemorySettingsStore* store = nullptr;
    int lockReleases = 0;
    int processEnds = 0;
};

TEST_F(ApplicationTest, secondInstance_releasesAndEndsWithoutReading) {
    alone = false;
    auto app = make();
    EXPECT_FALSE(app->loadFrame());
    EXPECT_EQ(box->okTexts, QStringList{QStringLiteral("The program is already running!")});
    EXPECT_EQ(processEnds, 1);
    EXPECT_EQ(lockReleases, 1);
    EXPECT_EQ(app->settings().CurrentCommPort, 0);
}

TEST_F(ApplicationTest, startupCommands_sentOnlyWhenAPortIsChosen) {
    auto app = make();
    EXPECT_EQ(frameGiven, &app->frame());
    store->setValue(QStringLiteral("Startup"), QStringLiteral("CurrentCommPort"),
                    QStringLiteral("0"));
    ASSERT_TRUE(app->loadFrame());
    app->settings().SamplesAveraged = 100;
    app->sendStartupCommands();
    EXPECT_TRUE(port->written().isEmpty());
    EXPECT_EQ(port->openCount(), 0);

    app->settings().CurrentCommPort = 2;
    app->sendStartupCommands();
    EXPECT_EQ(port->written(), QByteArray("zk"));
    EXPECT_EQ(port->commPort(), 2);
    EXPECT_FALSE(port->isOpen());
}

TEST_F(ApplicationTest, cancelInHandler_closesPortReleasesLockAndEnds) {
    auto app = make();
    ASSERT_TRUE(app->loadFrame());
    QDir(temp.path()).mkdir(QStringLiteral("Logs"));
    app->link().OpenCommPort(app->mainPort(), QStringLiteral("Main"));
    ASSERT_TRUE(port->isOpen());
    box->answers = {false};
    app->errorHandler().SimpleErrorHandler(57, QStringLiteral("MSComm1_OnComm"),
                                           QStringLiteral("Main"), QStringLiteral("I/O"));
    EXPECT_EQ(processEnds, 1);
    EXPECT_EQ(lockReleases, 1);
    EXPECT_FALSE(port->isOpen());
    EXPECT_TRUE(QFile::exists(app->folders().errorLog()));
}

TEST_F(ApplicationTest, frameCloseBox_endsTheApplication) {
    auto app = make();
    app->frame().close();
    EXPECT_EQ(processEnds, 1);
    EXPECT_TRUE(box->all.isEmpty());  // no confirmation
}

}  // namespace
}  // namespace quorlin
