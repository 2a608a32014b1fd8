// The simulated board seen from the other end of the line, as the program sees it: a plain
// POSIX open of the device, raw bytes in and out.
#include "BoardSim.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TempFolder.h"

#include <array>
#include <cstring>
#include <functional>
#include <thread>

using namespace std::chrono_literals;
using quorlin::sim::BoardSim;
using quorlin::sim::Fault;
using quorlin::sim::Source;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::array<uint8_t, 8> kRequest{0x66, 0x78, 0x79, 0x77, 0x6D, 0x6E, 0x6F, 0x70};

class Line {
  public:
    explicit Line(const QString& path) {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ >= 0) {
            termios tio{};
            ::tcgetattr(fd_, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~Line() { close(); }
    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    void send(Bytes bytes) {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }

    // What one read returns once something has arrived (empty after the timeout).
    Bytes readOnce(std::chrono::milliseconds timeout = 30s) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0) {
            return {};
        }
        Bytes buf(64);
        const ssize_t r = ::read(fd_, buf.data(), buf.size());
        buf.resize(r > 0 ? size_t(r) : 0);
        return buf;
    }

    // Reads until n bytes have come or the timeout passes.
    Bytes read(size_t n, std::chrono::milliseconds timeout = 30s) {
        Bytes all;
        const auto end = Clock::now() + timeout;
        while (all.size() < n && Clock::now() < end) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            const Bytes got = readOnce(std::max(left, 1ms));
            all.insert(all.end(), got.begin(), got.end());
        }
        return all;
    }

    Bytes request(uint8_t byte, size_t expect = 3) {
        send({byte});
        return read(expect);
    }

  private:
    int fd_ = -1;
};

class BoardSimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.start()) << sim.errorString().toStdString();
        line = std::make_unique<Line>(sim.devicePath());
        ASSERT_TRUE(line->isOpen());
    }
    BoardSim sim;
    std::unique_ptr<Line> line;
};

Bytes reply(uint16_t raw) {
    return {0xFF, uint8_t(raw >> 8), uint8_t(raw & 0xFF)};
}

}  // namespace

TEST_F(BoardSimTest, eachRequestByte_getsMarkerAndThatChannelsReading) {
    for (int ch = 0; ch < 8; ++ch) {
        sim.setSource(ch, Source::constant(uint16_t(0x0100 * (ch + 1) + ch)));
    }
    for (int ch = 7; ch >= 0; --ch) {
        EXPECT_EQ(line->request(kRequest[size_t(ch)]), reply(uint16_t(0x0100 * (ch + 1) + ch)))
            << "channel " << ch;
    }
    ASSERT_TRUE(sim.waitForRequests(8, 30s));
    const auto log = sim.exchanges();
    ASSERT_EQ(log.size(), 8u);
    EXPECT_EQ(log[0].request, 0x70);
    EXPECT_EQ(log[0].channel, 7);
    EXPECT_EQ(log[0].raw, 0x0807);
    EXPECT_TRUE(log[0].answered && log[0].good);
    EXPECT_EQ(log[7].channel, 0);
    EXPECT_EQ(sim.received().size(), 8u);
}

TEST_F(BoardSimTest, sourcesAdvanceOnlyWithTheirOwnChannelsRequests) {
    sim.setSource(3, Source::ramp(0x3FFE, 1));
    sim.setSource(5, Source::scripted({7, 8, 9}));
    EXPECT_EQ(line->request(0x77), reply(0x3FFE));
    EXPECT_EQ(line->request(0x6E), reply(7));
    EXPECT_EQ(line->request(0x77), reply(0x3FFF));
    EXPECT_EQ(line->request(0x77), reply(0x0000));
    EXPECT_EQ(line->request(0x6E), reply(8));
    EXPECT_EQ(line->request(0x6E), reply(9));
    EXPECT_EQ(line->request(0x6E), reply(7));
}

TEST(BoardSimSource, rampWrapsBothWaysAndScriptsRepeatOrHold) {
    const Source down = Source::ramp(1, -2);
    EXPECT_EQ(down.reading(0), 1);
    EXPECT_EQ(down.reading(1), 0x3FFF);
    EXPECT_EQ(down.reading(2), 0x3FFD);
    EXPECT_EQ(Source::ramp(0x2000, 0x1000).reading(2), 0x0000);
    EXPECT_EQ(Source::ramp(0, 3).reading(100'000'000'000ULL), (300'000'000'000ULL) % 0x4000);

    const Source held = Source::scripted({5, 6}, false);
    EXPECT_EQ(held.reading(0), 5);
    EXPECT_EQ(held.reading(1), 6);
    EXPECT_EQ(held.reading(9), 6);
    EXPECT_EQ(Source::scripted({5, 6}).reading(3), 6);
    EXPECT_EQ(Source::scripted({0xFFFF}).reading(0), 0xFFFF);  // sent as given
}

TEST(BoardSimSource, sineAndNoiseStayInRangeAndNoiseFollowsItsSeed) {
    const Source s = Source::sine(0x2000, 1000, 8);
    EXPECT_EQ(s.reading(0), 0x2000);
    EXPECT_EQ(s.reading(2), 0x2000 + 1000);
    EXPECT_EQ(s.reading(6), 0x2000 - 1000);
    EXPECT_EQ(s.reading(10), 0x2000 + 1000);
    const Source big = Source::sine(0x2000, 20000, 4);
    EXPECT_EQ(big.reading(1), 0x3FFF);
    EXPECT_EQ(big.reading(3), 0x0000);

    const Source a = Source::noise(0x1000, 50, 7);
    const Source b = Source::noise(0x1000, 50, 8);
    int differ = 0;
    for (uint64_t n = 0; n < 200; ++n) {
        EXPECT_GE(a.reading(n), 0x1000 - 50);
        EXPECT_LE(a.reading(n), 0x1000 + 50);
        EXPECT_EQ(a.reading(n), Source::noise(0x1000, 50, 7).reading(n));
        differ += a.reading(n) != b.reading(n);
    }
    EXPECT_GT(differ, 150);
    const Source high = Source::noise(0x3FF0, 1000, 1);
    int clipped = 0;
    for (uint64_t n = 0; n < 100; ++n) {
        EXPECT_LE(high.reading(n), 0x3FFF);
        clipped += high.reading(n) == 0x3FFF;
    }
    EXPECT_GT(clipped, 0);
}

TEST_F(BoardSimTest, averagingCommand_setsCountSilentlyAndOtherBytesStayRequests) {
    EXPECT_EQ(sim.samplesAveraged(), 1);
    line->send({0x7A, 0x6B});
    ASSERT_TRUE(sim.waitForRequests(2, 30s));
    EXPECT_EQ(sim.samplesAveraged(), 100);
    line->send({0x7A, 0x6C});
    ASSERT_TRUE(sim.waitForRequests(4, 30s));
    EXPECT_EQ(sim.samplesAveraged(), 200);

    // "z" then a reading request: the count stays, the request is answered.
    sim.setSource(0, Source::constant(0x1234));
    line->send({0x7A});
    EXPECT_EQ(line->request(0x66), reply(0x1234));
    EXPECT_EQ(sim.samplesAveraged(), 200);

    // "z" "z" (what the program sends for an unknown count): nothing changes, nothing sent,
    // and a count code without "z" is no command.
    line->send({0x7A, 0x7A, 0x69});
    ASSERT_TRUE(sim.waitForRequests(9, 30s));
    EXPECT_EQ(sim.samplesAveraged(), 200);
    EXPECT_TRUE(line->readOnce(100ms).empty());
    for (const auto& ex : sim.exchanges()) {
        EXPECT_EQ(ex.answered, ex.request == 0x66);
    }
}

TEST_F(BoardSimTest, faultsChangeTheBytesOnTheWireForTheirCountOnly) {
    sim.setSource(1, Source::constant(0x2001));
    sim.injectFault(Fault::WrongMarker);
    sim.injectFault(Fault::ShortReply);
    sim.injectFault(Fault::LongReply);
    sim.injectFault(Fault::StrayByteBefore, 2);
    EXPECT_EQ(line->request(0x78), (Bytes{0xFE, 0x20, 0x01}));
    line->send({0x78});
    ASSERT_TRUE(sim.waitForRequests(2, 30s));  // logged once the short reply is on the line
    EXPECT_EQ(line->readOnce(), (Bytes{0xFF, 0x20}));
    EXPECT_EQ(line->request(0x78, 4), (Bytes{0xFF, 0x20, 0x01, 0x00}));
    EXPECT_EQ(line->request(0x78, 4), (Bytes{0x00, 0xFF, 0x20, 0x01}));
    EXPECT_EQ(line->request(0x78, 4), (Bytes{0x00, 0xFF, 0x20, 0x01}));
    EXPECT_EQ(line->request(0x78), reply(0x2001));
    ASSERT_TRUE(sim.waitForRequests(6, 30s));
    const auto log = sim.exchanges();
    EXPECT_FALSE(log[0].good);
    EXPECT_TRUE(log[0].answered);
    EXPECT_TRUE(log[5].good);
}

TEST_F(BoardSimTest, splitReply_arrivesInTwoReads) {
    sim.setSplitPause(std::chrono::hours(1));  // until released
    sim.injectFault(Fault::SplitReply);
    line->send({0x79});
    EXPECT_EQ(line->readOnce(), (Bytes{0xFF}));
    sim.releaseHeldReply();
    EXPECT_EQ(line->read(2), (Bytes{0x20, 0x00}));
}

TEST_F(BoardSimTest, droppedReply_givesNothingAndTheNextRequestIsAnswered) {
    sim.injectFault(Fault::DropReply);
    line->send({0x66});
    ASSERT_TRUE(sim.waitForRequests(1, 30s));
    EXPECT_TRUE(line->readOnce(200ms).empty());
    EXPECT_FALSE(sim.exchanges()[0].answered);
    EXPECT_EQ(line->request(0x66), reply(0x2000));
}

TEST_F(BoardSimTest, delayedReply_comesOnlyAfterTheDelayOrWhenReleased) {
    sim.setFaultDelay(300ms);
    sim.injectFault(Fault::DelayReply);
    const auto sent = Clock::now();
    EXPECT_EQ(line->request(0x66), reply(0x2000));
    EXPECT_GE(Clock::now() - sent, 300ms);

    sim.setFaultDelay(std::chrono::hours(1));
    sim.injectFault(Fault::DelayReply);
    line->send({0x66});
    sim.releaseHeldReply();
    EXPECT_EQ(line->read(3), reply(0x2000));
}

TEST_F(BoardSimTest, silentBoard_logsRequestsAndAnswersAgainAfterResume) {
    sim.setSilent(true);
    sim.injectFault(Fault::WrongMarker);  // waits for a reply actually sent
    line->send({0x66});
    ASSERT_TRUE(sim.waitForRequests(1, 30s));
    EXPECT_TRUE(line->readOnce(150ms).empty());
    EXPECT_FALSE(sim.exchanges()[0].answered);
    sim.setSilent(false);
    EXPECT_EQ(line->request(0x66), (Bytes{0xFE, 0x20, 0x00}));
}

TEST_F(BoardSimTest, closeLine_endsTheLineForTheProgram) {
    sim.closeLine();
    EXPECT_FALSE(sim.isRunning());
    pollfd p{line->fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
    uint8_t b = 0;
    EXPECT_LE(::read(line->fd(), &b, 1), 0);
}

TEST_F(BoardSimTest, replyDueWhileNoProgramHasTheDeviceOpen_isLost) {
    sim.setFaultDelay(200ms);
    sim.injectFault(Fault::DelayReply);
    line->send({0x66});
    line->close();
    ASSERT_TRUE(sim.waitForRequests(1, 30s));
    // The board learns of the close a little later, and only then drops what it may have
    // written meanwhile; a reopen before that could still read it.
    ASSERT_TRUE(sim.waitForDeviceClosed(30s));
    EXPECT_FALSE(sim.programHasDeviceOpen());
    Line again(sim.devicePath());
    ASSERT_TRUE(again.isOpen());
    sim.setSource(0, Source::constant(0x0102));
    again.send({0x66});
    // A stale reply would come first, ahead of this one.
    EXPECT_EQ(again.read(3, 30s), reply(0x0102));
}

TEST(BoardSimLink, linkPointsAtTheDeviceReplacesOldLinksAndGoesAway) {
    quorlin::test::TempFolder dir;
    const QString link = dir.file(QStringLiteral("board"));
    ASSERT_EQ(::symlink("/nonexistent", link.toLocal8Bit().constData()), 0);
    BoardSim sim;
    ASSERT_TRUE(sim.start(link)) << sim.errorString().toStdString();
    char target[256] = {};
    ASSERT_GT(::readlink(link.toLocal8Bit().constData(), target, sizeof target - 1), 0);
    EXPECT_EQ(QString::fromLocal8Bit(target), sim.devicePath());
    Line line(link);
    EXPECT_EQ(line.request(0x66), reply(0x2000));
    sim.stop();
    struct stat st {};
    EXPECT_NE(::lstat(link.toLocal8Bit().constData(), &st), 0);

    // A file that is not a link is left alone.
    const QString file = dir.file(QStringLiteral("plain"));
    ::close(::open(file.toLocal8Bit().constData(), O_CREAT | O_WRONLY, 0600));
    BoardSim other;
    EXPECT_FALSE(other.start(file));
    EXPECT_FALSE(other.errorString().isEmpty());
    EXPECT_EQ(::lstat(file.toLocal8Bit().constData(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST_F(BoardSimTest, lineTimingAndConversionTime_slowRepliesDown) {
    sim.setTiming({true, 0us, 0us});
    const auto start = Clock::now();
    for (uint8_t byte : kRequest) {
        ASSERT_EQ(line->request(byte).size(), 3u);
    }
    // Request byte plus three reply bytes, 10 bits each at 9600 baud.
    EXPECT_GE(Clock::now() - start, 8 * 4 * 1041us);
    ASSERT_TRUE(sim.waitForRequests(8, 30s));
    for (const auto& ex : sim.exchanges()) {
        EXPECT_GE(ex.repliedAt - ex.at, 4 * 1041us);  // the reply's last byte
    }

    line->send({0x7A, 0x6B});
    ASSERT_TRUE(sim.waitForRequests(10, 30s));
    sim.setTiming({false, 2000us, 100us});
    const auto t = Clock::now();
    ASSERT_EQ(line->request(0x66).size(), 3u);
    EXPECT_GE(Clock::now() - t, 2000us + 100 * 100us);
}

TEST(BoardSimVolts, decodesLikeTheProgramWithHalvesToEven) {
    using quorlin::sim::rawToVolts;
    EXPECT_EQ(rawToVolts(0x2000), 0.0);
    EXPECT_EQ(rawToVolts(0x2001), 0.001);
    EXPECT_EQ(rawToVolts(0x1FFF), -0.001);
    EXPECT_EQ(rawToVolts(0x0000), -5.0);
    EXPECT_EQ(rawToVolts(0x3FFF), 4.999);
    EXPECT_EQ(rawToVolts(0xFFFF), 34.996);
    // 5000 * 0.0006103 is 3.0515 in decimal: a half, rounded to the even 3.052.
    EXPECT_EQ(rawToVolts(8192 + 5000), 3.052);
    EXPECT_EQ(rawToVolts(8192 - 5000), -3.052);
}

TEST(BoardSimLink, unplug_removesTheLinkAndComesBackOnItWithANewDevice) {
    quorlin::test::TempFolder dir;
    const QString link = dir.file(QStringLiteral("board"));
    BoardSim sim;
    ASSERT_TRUE(sim.start(link)) << sim.errorString().toStdString();
    sim.setSource(0, Source::constant(0x0102));
    Line before(link);
    ASSERT_EQ(before.request(0x66), reply(0x0102));

    sim.unplug(300ms);
    EXPECT_TRUE(sim.isUnplugged());
    EXPECT_FALSE(sim.isRunning());
    struct stat st {};
    EXPECT_NE(::lstat(link.toLocal8Bit().constData(), &st), 0);
    pollfd p{before.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));

    auto waitUntil = [](const std::function<bool()>& done) {
        const auto deadline = Clock::now() + 5s;
        while (!done() && Clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
        }
        return done();
    };
    ASSERT_TRUE(waitUntil([&] { return sim.isRunning(); }));
    EXPECT_FALSE(sim.isUnplugged());
    EXPECT_EQ(sim.replugCount(), 1);
    Line after(link);
    ASSERT_TRUE(after.isOpen());
    EXPECT_EQ(after.request(0x66), reply(0x0102));  // sources carry over

    // Unplugged again while away: back on the same link all the same.
    sim.unplug(200ms);
    sim.unplug(200ms);
    ASSERT_TRUE(waitUntil([&] { return sim.isRunning(); }));
    EXPECT_EQ(::lstat(link.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(sim.replugCount(), 2);

    // Stopping while unplugged cancels the return for good.
    sim.unplug(200ms);
    sim.stop();
    EXPECT_FALSE(sim.isUnplugged());
    EXPECT_FALSE(sim.isRunning());
    EXPECT_NE(::lstat(link.toLocal8Bit().constData(), &st), 0);
}
