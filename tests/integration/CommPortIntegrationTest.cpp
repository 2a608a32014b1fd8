// The Comm Port dialog's detection over a real serial port against the simulated board.

#include "common/AppError.h"
#include "device/BoardLink.h"
#include "device/CommPortDialogModel.h"
#include "platform/PortDevice.h"
#include "support/AppHarness.h"
#include "support/TempFolder.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace quorlin::test {
namespace {

using namespace std::chrono_literals;

// The dialog's model as the Comm Port menu command builds it, loaded as when it is shown.
std::unique_ptr<CommPortDialogModel> openCommPortDialog(AppHarness& h) {
    Platform& p = h.app().platform();
    auto m = std::make_unique<CommPortDialogModel>(h.settings(), *p.store, *p.ports, *p.clock,
                                                   *p.messageBox, h.app().errorHandler(),
                                                   [] { return QList<SerialDeviceInfo>{}; });
    m->Load();
    return m;
}

QString detect(AppHarness& h, CommPortDialogModel& m) {
    h.box->okTexts.clear();
    m.cmdDetect_Click();
    return h.box->okTexts.join(u'|');
}

void expectSamplingReachesBoard(AppHarness& h, qint16 port) {
    h.board().clearLog();
    h.trigger(h.model().mnuSample);
    EXPECT_TRUE(h.waitFor([&] { return h.board().exchanges().size() >= 8; }));
    qint16 used = 0;
    h.engine().call([&] { used = h.engine().mainPort().commPort(); });
    EXPECT_EQ(used, port);
    h.trigger(h.model().mnuSample);
}

struct DetectCase {
    const char* name;
    std::optional<sim::Fault> fault;
    bool silent;
    bool found;
};

TEST(CommPortIntegration, detect_findsTheBoardOnlyOnAGoodThreeByteReply) {
    AppHarness h({.realChart = false});
    h.writeDefaultConfig({});
    ASSERT_TRUE(h.start());
    auto m = openCommPortDialog(h);
    ASSERT_EQ(m->portField(), 1);
    ASSERT_EQ(m->devicePath(), h.board().devicePath());
    const DetectCase cases[] = {
        {"good reply", std::nullopt, false, true},
        {"wrong marker", sim::Fault::WrongMarker, false, false},
        {"silent board", std::nullopt, true, false},
        {"short reply", sim::Fault::ShortReply, false, false},
        {"long reply", sim::Fault::LongReply, false, false},
    };
    for (const DetectCase& c : cases) {
        h.board().clearLog();
        h.board().setSilent(c.silent);
        if (c.fault) {
            h.board().injectFault(*c.fault);
        }
        const QString said = detect(h, *m);
        EXPECT_EQ(said, c.found ? QStringLiteral("Quorlin found on serial port 1!")
                                : QStringLiteral("Quorlin not found on serial port 1!"))
            << c.name;
        // One identification request, the buttons usable again, the main port untouched.
        ASSERT_TRUE(h.board().waitForRequests(1, 1s)) << c.name;
        const auto log = h.board().exchanges();
        ASSERT_EQ(log.size(), 1u) << c.name;
        EXPECT_EQ(log[0].request, 0x78) << c.name;
        EXPECT_TRUE(m->okEnabled()) << c.name;
        EXPECT_TRUE(m->detectEnabled()) << c.name;
        EXPECT_FALSE(h.mainPortOpen()) << c.name;
        EXPECT_TRUE(m->TestCommPortAvailable(1)) << c.name << ": the dialog's port stayed open";
        h.board().clearFaults();
    }
    h.board().setSilent(false);
    // Detection stores nothing.
    EXPECT_EQ(h.store->value(QStringLiteral("Startup"), QStringLiteral("CurrentCommPort"), {}),
              QStringLiteral("1"));
    EXPECT_TRUE(h.box->retryCancelTexts.isEmpty())
        << h.box->retryCancelTexts.join(u'|').toStdString();
}

TEST(CommPortIntegration, aFailedWriteDuringDetect_isReported_thenThePortClosesAndButtonsWork) {
    AppHarness h({.realChart = false});
    h.writeDefaultConfig({});
    ASSERT_TRUE(h.start());
    auto m = openCommPortDialog(h);
    h.setOnWrite([](const QByteArray&) {
        throw AppError(ErrorNumber::DeviceIoError, QStringLiteral("Device I/O error: gone"));
    });
    EXPECT_EQ(detect(h, *m), QString());
    h.setOnWrite({});
    ASSERT_EQ(h.box->retryCancelTexts.size(), 1);
    EXPECT_TRUE(h.box->retryCancelTexts[0].contains(QStringLiteral("Source: cmdDetect_Click")));
    EXPECT_TRUE(m->okEnabled());
    EXPECT_TRUE(m->detectEnabled());
    EXPECT_TRUE(h.board().waitForDeviceClosed(5s));
    EXPECT_EQ(detect(h, *m), QStringLiteral("Quorlin found on serial port 1!"));
}

TEST(CommPortIntegration, aReplyLaterThanTheSecond_isNotFound_andNotSeenByTheNextDetect) {
    AppHarness h({.realChart = false});
    h.writeDefaultConfig({});
    ASSERT_TRUE(h.start());
    auto m = openCommPortDialog(h);
    // Held back until the program has given up on it: it reaches the line after the
    // dialog's port was closed.
    h.board().setFaultDelay(std::chrono::hours(1));
    h.board().injectFault(sim::Fault::DelayReply);
    EXPECT_EQ(detect(h, *m), QStringLiteral("Quorlin not found on serial port 1!"));
    h.board().releaseHeldReply();
    ASSERT_TRUE(h.board().waitForRequests(1, 30s));
    EXPECT_EQ(detect(h, *m), QStringLiteral("Quorlin found on serial port 1!"));
}

TEST(CommPortIntegration, detect_refusesAMissingDeviceAndOneHeldOpen) {
    AppHarness h({.realChart = false});
    h.writeDefaultConfig({});
    ASSERT_TRUE(h.start());
    h.store->setValue(QStringLiteral("Ports"), QStringLiteral("5"),
                      h.appFolder() + QStringLiteral("/no-such-device"));
    auto m = openCommPortDialog(h);
    h.board().clearLog();

    m->setPortField(5);
    EXPECT_EQ(detect(h, *m), QStringLiteral("Serial port 5 does not exist, is not available, or "
                                            "is consumed by another application!"));
    EXPECT_TRUE(m->okEnabled());
    EXPECT_TRUE(m->detectEnabled());

    // The main window's own port holds the board's device.
    AcquisitionEngine& engine = h.engine();
    engine.call([&] { engine.link().OpenCommPort(engine.mainPort(), QStringLiteral("Main")); });
    ASSERT_TRUE(h.mainPortOpen());
    m->setPortField(1);
    EXPECT_EQ(detect(h, *m), QStringLiteral("Serial port 1 does not exist, is not available, or "
                                            "is consumed by another application!"));
    EXPECT_TRUE(m->okEnabled());
    EXPECT_TRUE(m->detectEnabled());
    EXPECT_TRUE(h.mainPortOpen());
    EXPECT_TRUE(h.board().exchanges().empty());
    engine.call([&] { engine.link().CloseCommPort(engine.mainPort(), QStringLiteral("Main")); });

    // Once it is free again the board is found.
    EXPECT_EQ(detect(h, *m), QStringLiteral("Quorlin found on serial port 1!"));
    EXPECT_TRUE(h.box->retryCancelTexts.isEmpty())
        << h.box->retryCancelTexts.join(u'|').toStdString();
}

TEST(CommPortIntegration, ok_storesPortAndDevice_andSamplingUsesThem) {
    AppHarness h({.realChart = false});
    h.writeDefaultConfig({});
    ASSERT_TRUE(h.start());
    auto m = openCommPortDialog(h);
    QSignalSpy closed(m.get(), &CommPortDialogModel::closeRequested);
    m->setPortField(3);
    EXPECT_EQ(m->devicePath(), defaultDeviceOfPort(3));
    m->setDevicePath(h.board().devicePath());
    m->cmdOK_Click();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(h.settings().CurrentCommPort, 3);
    EXPECT_EQ(h.store->value(QStringLiteral("Startup"), QStringLiteral("CurrentCommPort"), {}),
              QStringLiteral("3"));
    EXPECT_EQ(h.store->value(QStringLiteral("Ports"), QStringLiteral("3"), {}),
              h.board().devicePath());
    h.activate();
    expectSamplingReachesBoard(h, 3);
    EXPECT_TRUE(h.box->all.isEmpty()) << h.box->all.join(u'|').toStdString();
}

TEST(CommPortIntegration, newUser_typesTheDevicePath_detectsAndBindsFromTheDialogAlone) {
    TempFolder dir;
    AppHarness h({.realChart = false, .startBoard = false});
    h.writeDefaultConfig({});
    ASSERT_TRUE(h.start());
    const QString link = dir.path() + QStringLiteral("/ttyUSB-sim");
    ASSERT_TRUE(h.board().start(link)) << h.board().errorString().toStdString();
    ASSERT_EQ(h.store->value(QStringLiteral("Ports"), QStringLiteral("1"), {}), QString());

    auto m = openCommPortDialog(h);
    EXPECT_EQ(m->portField(), 1);
    EXPECT_EQ(m->devicePath(), defaultDeviceOfPort(1));
    m->setDevicePath(QStringLiteral("  ") + link + QStringLiteral(" "));
    EXPECT_EQ(detect(h, *m), QStringLiteral("Quorlin found on serial port 1!"));
    // Detection alone binds nothing for good.
    EXPECT_NE(h.store->value(QStringLiteral("Ports"), QStringLiteral("1"), {}), link);
    m->cmdOK_Click();
    EXPECT_EQ(h.store->value(QStringLiteral("Ports"), QStringLiteral("1"), {}), link);

    h.board().clearLog();
    h.activate();
    ASSERT_TRUE(h.waitFor([&] { return h.board().received().size() >= 2; }));
    EXPECT_EQ(h.board().received()[0].first, 0x7A);
    expectSamplingReachesBoard(h, 1);
    EXPECT_EQ(h.box->all.size(), 1) << h.box->all.join(u'|').toStdString();
    EXPECT_TRUE(h.box->retryCancelTexts.isEmpty())
        << h.box->retryCancelTexts.join(u'|').toStdString();
}

}  // namespace
}  // namespace quorlin::test
