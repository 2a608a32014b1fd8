#include "platform/QtSerialPort.h"

#include "PlatformTestUtil.h"
#include "common/AppError.h"
#include "platform/PortDevice.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSerialPort>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <thread>

using namespace quorlin;
using quorlin::test::MemorySettingsStore;
using quorlin::test::runPendingEvents;
using quorlin::test::waitUntil;

namespace {

// The far end of a pseudo-terminal: the test writes the board's bytes here and reads what
// the port sent.
class PtyMaster {
  public:
    PtyMaster() {
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0) {
            return;
        }
        slavePath_ = QString::fromLocal8Bit(::ptsname(fd_));
        const int slave = ::open(::ptsname(fd_), O_RDWR | O_NOCTTY);
        if (slave >= 0) {
            termios t{};
            ::tcgetattr(slave, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(slave, TCSANOW, &t);
            ::close(slave);
        }
    }
    ~PtyMaster() { closeMaster(); }

    bool valid() const { return fd_ >= 0 && !slavePath_.isEmpty(); }
    const QString& slavePath() const { return slavePath_; }
    void write(const QByteArray& bytes) {
        ASSERT_EQ(::write(fd_, bytes.constData(), bytes.size()), bytes.size());
    }
    // Whatever arrives within the deadline, up to `count` bytes; no Qt event loop runs.
    QByteArray read(int count, int deadlineMs = 30000) {
        QByteArray got;
        QDeadlineTimer deadline(deadlineMs);
        while (got.size() < count && !deadline.hasExpired()) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(deadline.remainingTime())) <= 0) {
                break;
            }
            char buf[64];
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            got.append(buf, n);
        }
        return got;
    }
    void closeMaster() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_ = -1;
    QString slavePath_;
};

class QtSerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.valid()) << "no pseudo-terminal available";
        store.setValue(QStringLiteral("Ports"), QStringLiteral("1"), pty.slavePath());
        port.setCommPort(1);
    }

    // Opens port 1 with a receive threshold of 3 and records every event with its input.
    void openRecording() {
        port.setPortOpen(true);
        port.setRThreshold(3);
        QObject::connect(&port, &SerialPort::onComm, &port, [this] {
            events.push_back(port.commEvent());
            if (port.commEvent() == CommEvent::Receive) {
                received.push_back(port.input());
            }
            if (duringEvent) {
                duringEvent();
            }
        });
    }

    QSerialPort* inner() { return port.findChild<QSerialPort*>(); }

    PtyMaster pty;
    MemorySettingsStore store;
    EventGate gate;
    QtSerialPort port{store, gate};
    std::vector<int> events;
    std::vector<QByteArray> received;
    std::function<void()> duringEvent;
};

qint32 openErrorNumber(SerialPort& port, QString* description = nullptr) {
    try {
        port.setPortOpen(true);
    } catch (const AppError& e) {
        if (description != nullptr) {
            *description = e.description;
        }
        return e.number;
    }
    return 0;
}

}  // namespace

TEST_F(QtSerialPortTest, replyInPieces_raisesOneReceiveEventWithAllBytes) {
    openRecording();
    QSignalSpy arrived(inner(), &QSerialPort::readyRead);
    QSignalSpy comm(&port, &SerialPort::onComm);

    pty.write(QByteArray("\xFF", 1));
    ASSERT_TRUE(arrived.wait(30000));
    runPendingEvents();
    EXPECT_EQ(comm.count(), 0) << "raised below the threshold";

    pty.write(QByteArray("\x20\x01", 2));
    ASSERT_TRUE(comm.wait(30000));
    runPendingEvents();
    ASSERT_EQ(events, std::vector<int>{CommEvent::Receive});
    EXPECT_EQ(received.front(), QByteArray("\xFF\x20\x01", 3));
    // Whoever keeps replies (a log of a long run) keeps what arrived, not a read buffer.
    EXPECT_LT(received.front().capacity(), 64);
}

TEST_F(QtSerialPortTest, unreadBytes_doNotRaiseTheEventAgainUntilMoreArrive) {
    port.setPortOpen(true);
    port.setRThreshold(3);
    int count = 0;
    QObject::connect(&port, &SerialPort::onComm, &port, [&] { ++count; });
    QSignalSpy comm(&port, &SerialPort::onComm);
    pty.write(QByteArray("\xFF\x20\x00", 3));
    ASSERT_TRUE(comm.wait(30000));
    runPendingEvents();
    EXPECT_EQ(count, 1);
    pty.write(QByteArray("\x01", 1));
    ASSERT_TRUE(comm.wait(30000));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(port.input().size(), 4);
}

TEST_F(QtSerialPortTest, input_takesWhatTheSystemHoldsWithoutAnEventLoopPass) {
    port.setPortOpen(true);
    pty.write(QByteArray("abcde"));
    QByteArray got;
    QDeadlineTimer deadline(30000);
    while (got.size() < 5 && !deadline.hasExpired()) {
        got += port.input();
        std::this_thread::yield();
    }
    EXPECT_EQ(got, QByteArray("abcde"));
    EXPECT_TRUE(port.input().isEmpty());
}

TEST_F(QtSerialPortTest, output_isOnTheLineWhenItReturns) {
    port.setPortOpen(true);
    port.output(QByteArray("z"));
    EXPECT_EQ(pty.read(1), QByteArray("z"));
    port.output(QByteArray("\x66\x78", 2));
    EXPECT_EQ(pty.read(2), QByteArray("\x66\x78", 2));
}

TEST_F(QtSerialPortTest, farEndClosing_raisesOneLineLostAndClosesThePort) {
    openRecording();
    QSignalSpy comm(&port, &SerialPort::onComm);
    pty.closeMaster();
    ASSERT_TRUE(comm.wait(30000));
    runPendingEvents();
    EXPECT_EQ(events, std::vector<int>{CommEvent::LineLost});
    EXPECT_FALSE(port.isOpen());
    EXPECT_THROW(port.input(), AppError);
    try {
        port.output(QByteArray("f"));
        FAIL() << "wrote to a lost line";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number, ErrorNumber::DeviceNotOpen);
    }
}

TEST_F(QtSerialPortTest, closedGate_holdsTheEventBackUntilItOpens) {
    openRecording();
    QSignalSpy comm(&port, &SerialPort::onComm);
    {
        const EventGate::Hold hold(gate);
        pty.write(QByteArray("\xFF\x20\x00", 3));
        // All three bytes, which a loaded machine may hand over in two reads.
        ASSERT_TRUE(waitUntil([&] { return inner()->bytesAvailable() >= 3; }));
        runPendingEvents();
        EXPECT_EQ(comm.count(), 0);
    }
    ASSERT_TRUE(comm.wait(30000));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received.front(), QByteArray("\xFF\x20\x00", 3));
}

TEST_F(QtSerialPortTest, gateOpeningWithNothingOwed_queuesNothing) {
    openRecording();
    pty.write(QByteArray("\xFF\x20\x00", 3));
    ASSERT_TRUE(waitUntil([&] { return received.size() == 1; }));
    runPendingEvents();
    test::MetaCallCounter calls(&port);
    for (int i = 0; i < 20; ++i) {
        const EventGate::Hold hold(gate);
    }
    runPendingEvents();
    EXPECT_EQ(calls.count, 0);
    EXPECT_EQ(received.size(), 1u);
}

TEST_F(QtSerialPortTest, eventHandler_isNeverEnteredTwice) {
    openRecording();
    int depth = 0;
    int deepest = 0;
    duringEvent = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        if (received.size() == 1) {
            // The next reply arrives while this handler still runs a nested event loop.
            pty.write(QByteArray("\xFF\x20\x01", 3));
            waitUntil([&] { return inner()->bytesAvailable() >= 3; }, 1000);
        }
        --depth;
    };
    {
        // Released after the reply is in: the event then comes from the gate, not the port.
        const EventGate::Hold hold(gate);
        QSignalSpy arrived(inner(), &QSerialPort::readyRead);
        pty.write(QByteArray("\xFF\x20\x00", 3));
        ASSERT_TRUE(arrived.wait(30000));
    }
    ASSERT_TRUE(waitUntil([&] { return received.size() >= 2; }));
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(received[1], QByteArray("\xFF\x20\x01", 3));
}

TEST_F(QtSerialPortTest, openFailures_giveTheirNumbers) {
    port.setPortOpen(true);
    EXPECT_EQ(openErrorNumber(port), ErrorNumber::PortAlreadyOpen);
    EXPECT_TRUE(port.isOpen());
    EXPECT_THROW(port.setCommPort(2), AppError);

    QtSerialPort other(store, gate);
    other.setCommPort(1);
    QString why;
    EXPECT_EQ(openErrorNumber(other, &why), ErrorNumber::PortAlreadyOpen) << why.toStdString();
    EXPECT_FALSE(other.isOpen());

    for (qint16 n : {qint16(0), qint16(17), qint16(-1)}) {
        other.setCommPort(n);
        EXPECT_EQ(openErrorNumber(other), ErrorNumber::InvalidPortNumber) << n;
    }

    store.setValue(QStringLiteral("Ports"), QStringLiteral("2"),
                   QStringLiteral("/dev/quorlin-no-such-device"));
    other.setCommPort(2);
    EXPECT_EQ(openErrorNumber(other, &why), ErrorNumber::InvalidPortNumber);
    EXPECT_TRUE(why.contains(QStringLiteral("/dev/quorlin-no-such-device"))) << why.toStdString();
}

TEST_F(QtSerialPortTest, closedPort_refusesInputAndOutput) {
    EXPECT_FALSE(port.isOpen());
    EXPECT_NO_THROW(port.setPortOpen(false));
    for (const auto& call : std::vector<std::function<void()>>{
             [&] { port.input(); }, [&] { port.output(QByteArray("f")); }}) {
        try {
            call();
            FAIL() << "no failure on a closed port";
        } catch (const AppError& e) {
            EXPECT_EQ(e.number, ErrorNumber::DeviceNotOpen);
        }
    }
}

TEST(QtSerialPortPermission, deviceWithoutPermission_saysWhatToDo) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "running as root: every device is accessible, so no permission failure "
                        "can be produced";
    }
    quorlin::test::TempFolder folder;
    const QString device = folder.file(QStringLiteral("ttyLocked"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(device).constData(), 0), 0);
    MemorySettingsStore store;
    store.setValue(QStringLiteral("Ports"), QStringLiteral("4"), device);
    EventGate gate;
    QtSerialPort port(store, gate);
    port.setCommPort(4);
    QString why;
    EXPECT_EQ(openErrorNumber(port, &why), ErrorNumber::PathFileAccessError);
    EXPECT_TRUE(why.contains(QStringLiteral("dialout"))) << why.toStdString();
    EXPECT_TRUE(why.contains(device)) << why.toStdString();
}

TEST(QtSerialPortNaming, storeEntryOrBuiltInDevice) {
    MemorySettingsStore store;
    store.setValue(QStringLiteral("Ports"), QStringLiteral("3"), QStringLiteral(" /dev/ttyUSB0 "));
    store.setValue(QStringLiteral("Ports"), QStringLiteral("5"), QString());
    EXPECT_EQ(portDeviceName(3, store), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(portDeviceName(1, store), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(portDeviceName(5, store), QStringLiteral("/dev/ttyS4"));
    EXPECT_EQ(portDeviceName(16, store), QStringLiteral("/dev/ttyS15"));
}

TEST(QtSerialPortSettings, lineSettingsText) {
    const LineSettings s = parseLineSettings(QStringLiteral("9600,N,8,1"));
    EXPECT_EQ(s.baud, 9600);
    EXPECT_EQ(s.parity, QSerialPort::NoParity);
    EXPECT_EQ(s.dataBits, QSerialPort::Data8);
    EXPECT_EQ(s.stopBits, QSerialPort::OneStop);
    const LineSettings t = parseLineSettings(QStringLiteral("19200,e,7,2"));
    EXPECT_EQ(t.baud, 19200);
    EXPECT_EQ(t.parity, QSerialPort::EvenParity);
    EXPECT_EQ(t.dataBits, QSerialPort::Data7);
    EXPECT_EQ(t.stopBits, QSerialPort::TwoStop);
    for (const char* bad : {"", "9600", "9600,N,8", "abc,N,8,1", "0,N,8,1", "9600,X,8,1",
                            "9600,N,9,1", "9600,N,8,3", "9600,N,8,1,1"}) {
        try {
            parseLineSettings(QString::fromLatin1(bad));
            ADD_FAILURE() << "accepted " << bad;
        } catch (const AppError& e) {
            EXPECT_EQ(e.number, 380) << bad;
        }
    }
    MemorySettingsStore store;
    EventGate gate;
    QtSerialPort port(store, gate);
    EXPECT_THROW(port.setSettings(QStringLiteral("9600,Q,8,1")), AppError);
}
