#include "common/AppError.h"
#include "device/BoardLink.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <limits>

namespace quorlin {
namespace {

using test::FakeClock;
using test::FakeSerialPort;
using test::RecordingErrorHandler;
using test::RecordingMessageBox;

const QString kFailureText = QStringLiteral(
    "The application failed to Send Samples Averaged to the QRL during start-up!\r"
    "1) Open Comm Port screen.\r"
    "2) Run Auto Detect.\r"
    "3) Close application.\r"
    "4) Re-start application to proceed.\r");

class BoardLinkTest : public ::testing::Test {
  protected:
    BoardLinkTest() {
        settings.CurrentCommPort = 3;
        settings.SamplesAveraged = 10;
        clock.autoAdvanceMs = 7;
        port.onOutput = [this](const QByteArray&) { writeTicks.push_back(clock.ms); };
    }

    SettingsModel settings;
    FakeSerialPort port;
    FakeClock clock;
    RecordingErrorHandler errors;
    RecordingMessageBox box;
    BoardLink link{settings, port, clock, errors, box};
    std::vector<qint64> writeTicks;
};

TEST_F(BoardLinkTest, openCommPort_appliesSettingsOnlyWhenOpeningAClosedPort) {
    link.OpenCommPort(port, QStringLiteral("Main"));
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.commPort(), 3);
    EXPECT_EQ(port.settings(), QStringLiteral("9600,N,8,1"));
    EXPECT_EQ(port.inputLen(), 0);

    settings.CurrentCommPort = 5;
    port.setSettings(QStringLiteral("1200,N,8,1"));
    link.OpenCommPort(port, QStringLiteral("Main"));
    EXPECT_EQ(port.commPort(), 3);
    EXPECT_EQ(port.settings(), QStringLiteral("1200,N,8,1"));
    EXPECT_EQ(port.openCount(), 1);
    EXPECT_TRUE(errors.reports.empty());

    // The new number takes effect at the next opening.
    link.CloseCommPort(port, QStringLiteral("Main"));
    link.OpenCommPort(port, QStringLiteral("Main"));
    EXPECT_EQ(port.commPort(), 5);
}

TEST_F(BoardLinkTest, openCommPort_failure_reportsOnceAndReturns) {
    port.failOpen(ErrorNumber::InvalidPortNumber, QStringLiteral("Invalid Port Number"));
    link.OpenCommPort(port, QStringLiteral("CommPort"));
    EXPECT_FALSE(port.isOpen());
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].number, 8002);
    EXPECT_EQ(errors.reports[0].source, QStringLiteral("OpenCommPort"));
    EXPECT_EQ(errors.reports[0].screen, QStringLiteral("CommPort"));
    EXPECT_EQ(errors.reports[0].description, QStringLiteral("Invalid Port Number"));
}

TEST_F(BoardLinkTest, closeCommPort_onClosedPort_noReport) {
    link.CloseCommPort(port, QStringLiteral("Main"));
    EXPECT_EQ(port.closeCount(), 0);
    EXPECT_TRUE(errors.reports.empty());

    link.OpenCommPort(port, QStringLiteral("Main"));
    link.CloseCommPort(port, QStringLiteral("Main"));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.closeCount(), 1);
}

TEST_F(BoardLinkTest, waitMilliseconds_zeroOrLess_returnsWithoutReadingTheClock) {
    clock.autoAdvanceMs = 0;  // a loop would never end
    WaitMilliseconds(clock, 0);
    WaitMilliseconds(clock, -5);
    EXPECT_EQ(clock.tickReads, 0);
}

TEST_F(BoardLinkTest, waitMilliseconds_sleepsTheThreadRatherThanSpinning) {
    clock.autoAdvanceMs = 0;  // only the sleep moves the clock
    WaitMilliseconds(clock, 100);
    EXPECT_EQ(clock.slept, 101);
    EXPECT_EQ(clock.tickReads, 2);
}

TEST_F(BoardLinkTest, waitMilliseconds_acrossTheOld32BitTickLimit_doesNotFail) {
    clock.ms = std::numeric_limits<qint32>::max() - 30;
    clock.autoAdvanceMs = 4;
    const qint64 start = clock.ms;
    EXPECT_NO_THROW(WaitMilliseconds(clock, 100));
    EXPECT_GE(clock.ms - start, 100);
    EXPECT_LT(clock.ms - start, 120);
}

TEST_F(BoardLinkTest, sendSamplesAveraged_writesZThenCountCode_100msApart_thenCloses) {
    const std::pair<qint16, char> cases[] = {{1, 0x69}, {10, 0x6A}, {100, 0x6B}, {200, 0x6C}};
    for (const auto& [count, code] : cases) {
        SCOPED_TRACE(count);
        settings.SamplesAveraged = count;
        port.clearWritten();
        writeTicks.clear();
        link.SendSamplesAveraged();
        EXPECT_EQ(port.written(), QByteArray("z", 1) + QByteArray(1, code));
        ASSERT_EQ(writeTicks.size(), 2u);
        EXPECT_GE(writeTicks[1] - writeTicks[0], 100);
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(port.commPort(), 3);
    }
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_TRUE(box.all.isEmpty());
}

TEST_F(BoardLinkTest, sendSamplesAveraged_unknownCount_writesZTwice) {
    settings.SamplesAveraged = 50;
    link.SendSamplesAveraged();
    EXPECT_EQ(port.written(), QByteArray("zz"));
    EXPECT_EQ(link.PortBuffer, QByteArray("z"));
    EXPECT_FALSE(port.isOpen());
}

TEST_F(BoardLinkTest, sendSamplesAveraged_onPortInUse_leavesItOpenAndUntouched) {
    link.OpenCommPort(port, QStringLiteral("Main"));
    settings.CurrentCommPort = 7;
    link.SendSamplesAveraged();
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.commPort(), 3);
    EXPECT_TRUE(port.written().isEmpty());
    EXPECT_EQ(port.closeCount(), 0);
}

TEST_F(BoardLinkTest, sendSamplesAveraged_noPort_reportsOpenThenShowsItsMessage) {
    port.failOpen();
    size_t reportsWhenBoxShown = 0;
    box.onShow = [&](const QString&) { reportsWhenBoxShown = errors.reports.size(); };
    link.SendSamplesAveraged();
    EXPECT_EQ(reportsWhenBoxShown, 1u);
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].source, QStringLiteral("OpenCommPort"));
    EXPECT_EQ(errors.reports[0].screen, QStringLiteral("Main"));
    EXPECT_EQ(box.okTexts, QStringList{kFailureText});
    EXPECT_TRUE(port.written().isEmpty());
}

TEST_F(BoardLinkTest, sendSamplesAveraged_writeFailsAfterOpen_messageOnlyAndPortStaysOpen) {
    port.failOutput();
    link.SendSamplesAveraged();
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_EQ(box.okTexts, QStringList{kFailureText});
    EXPECT_TRUE(port.isOpen());
    // Nothing after the failing write ran: no wait.
    EXPECT_LT(clock.tickReads, 2);
}

TEST_F(BoardLinkTest, averagingChosenDuringARun_heldBackUntilASendAfterIt) {
    link.SendSamplesAveraged();  // the board averages 10
    port.clearWritten();
    link.setSampling(true);  // the run owns the port even while it is closed for a reconnect
    settings.SamplesAveraged = 50;
    link.SendSamplesAveraged();
    EXPECT_TRUE(link.averagingPending());
    EXPECT_EQ(port.openCount(), 1);
    EXPECT_TRUE(errors.reports.empty());
    EXPECT_TRUE(box.okTexts.isEmpty());

    // Plugged in again mid-run: the pair of the averaging the board had before.
    port.setPortOpen(true);
    link.resendSamplesAveraged();
    EXPECT_EQ(port.written(), QByteArray("zj"));
    port.setPortOpen(false);
    port.clearWritten();

    link.setSampling(false);
    link.SendSamplesAveraged();
    EXPECT_EQ(port.written(), QByteArray("zz"));
    EXPECT_FALSE(link.averagingPending());
    EXPECT_FALSE(port.isOpen());
}

}  // namespace
}  // namespace quorlin
