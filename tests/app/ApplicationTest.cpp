#include "app/Application.h"
#include "app/ScriptedInstance.h"
#include "device/BoardLink.h"
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
    std::unique_ptr<Application> make(bool alone = true) {
        auto app = std::make_unique<Application>(
            [&](EventGate&, QWidget* frame) {
                frameGiven = frame;
                Platform p;
                p.store.reset(store = new MemorySettingsStore);
                p.clock.reset(clock = new FakeClock);
                p.messageBox.reset(box = new RecordingMessageBox);
                p.ports.reset(ports = new FakeSerialPortFactory);
                auto* instance = new ScriptedInstance;
                instance->alone = alone;
                instance->onRelease = [this] { ++lockReleases; };
                p.instance.reset(instance);
                p.fileDialog = std::make_unique<test::FakeFileDialog>();
                p.colourDialog = std::make_unique<test::FakeColourDialog>();
                p.timers = std::make_unique<test::FakeTimerFactory>();
                clock->autoAdvanceMs = 10;
                return p;
            },
            AppFolders(temp.path()), [this] { ++processEnds; });
        port = ports->created.at(0);
        return app;
    }

    TempFolder temp;
    QWidget* frameGiven = nullptr;
    MemorySettingsStore* store = nullptr;
    FakeClock* clock = nullptr;
    RecordingMessageBox* box = nullptr;
    FakeSerialPortFactory* ports = nullptr;
    FakeSerialPort* port = nullptr;
    int lockReleases = 0;
    int processEnds = 0;
};

TEST_F(ApplicationTest, secondInstance_releasesAndEndsWithoutReading) {
    auto app = make(false);
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
    app->engine().call([] {});  // the engine sends them
    EXPECT_TRUE(port->written().isEmpty());
    EXPECT_EQ(port->openCount(), 0);

    app->settings().CurrentCommPort = 2;
    app->sendStartupCommands();
    app->engine().call([] {});
    EXPECT_EQ(port->written(), QByteArray("zk"));
    EXPECT_EQ(port->commPort(), 2);
    EXPECT_FALSE(port->isOpen());
}

TEST_F(ApplicationTest, cancelInHandler_closesPortReleasesLockAndEnds) {
    auto app = make();
    ASSERT_TRUE(app->loadFrame());
    QDir(temp.path()).mkdir(QStringLiteral("Logs"));
    AcquisitionEngine& engine = app->engine();
    engine.applySettings(app->settings());
    engine.call([&] { engine.link().OpenCommPort(engine.mainPort(), QStringLiteral("Main")); });
    ASSERT_TRUE(port->isOpen());
    bool openAtEnd = true;
    port->onDestroy = [&](const FakeSerialPort& p) { openAtEnd = p.isOpen(); };
    box->answers = {false};
    app->errorHandler().SimpleErrorHandler(57, QStringLiteral("MSComm1_OnComm"),
                                           QStringLiteral("Main"), QStringLiteral("I/O"));
    EXPECT_EQ(processEnds, 1);
    EXPECT_EQ(lockReleases, 1);
    EXPECT_FALSE(openAtEnd);  // closed before the engine ended
    EXPECT_TRUE(QFile::exists(app->folders().errorLog()));
}

}  // namespace
}  // namespace quorlin
