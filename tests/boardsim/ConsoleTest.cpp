// The simulator program's text side: source descriptions and typed fault commands.
#include "Console.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace quorlin::sim;
using namespace std::chrono_literals;

namespace {

std::vector<uint16_t> firstReadings(const Source& s, int n) {
    std::vector<uint16_t> out;
    for (int i = 0; i < n; ++i) {
        out.push_back(s.reading(uint64_t(i)));
    }
    return out;
}

}  // namespace

TEST(ConsoleSource, eachFormGivesItsReadings) {
    const auto c = parseSource(QStringLiteral("const:0x3FFF"));
    ASSERT_TRUE(c);
    EXPECT_EQ(firstReadings(*c, 2), (std::vector<uint16_t>{0x3FFF, 0x3FFF}));

    const auto r = parseSource(QStringLiteral("ramp:16382:-0x2"));
    ASSERT_TRUE(r);
    EXPECT_EQ(firstReadings(*r, 2), (std::vector<uint16_t>{16382, 16380}));

    const auto s = parseSource(QStringLiteral("script:1,0x20,300"));
    ASSERT_TRUE(s);
    EXPECT_EQ(firstReadings(*s, 4), (std::vector<uint16_t>{1, 0x20, 300, 1}));
    const auto h = parseSource(QStringLiteral("hold:1,2"));
    ASSERT_TRUE(h);
    EXPECT_EQ(firstReadings(*h, 3), (std::vector<uint16_t>{1, 2, 2}));

    const auto sine = parseSource(QStringLiteral("sine:0x2000:100.5:4"));
    ASSERT_TRUE(sine);
    EXPECT_EQ(sine->reading(1), 0x2000 + 100);  // 100.5 rounds to the even 100

    const auto noise = parseSource(QStringLiteral("noise:8192:10:3"));
    ASSERT_TRUE(noise);
    EXPECT_EQ(noise->seed, 3u);
    EXPECT_EQ(noise->amplitude, 10.0);

    const auto ch = parseChannelSource(QStringLiteral("7=const:5"));
    ASSERT_TRUE(ch);
    EXPECT_EQ(ch->first, 7);
    EXPECT_EQ(ch->second.reading(0), 5);
}

TEST(ConsoleSource, malformedSpecificationsAreRefusedWithAReason) {
    for (const char* bad :
         {"const:0x10000", "const:-1", "const:abc", "const", "const:1:2", "ramp:1", "ramp:1:x",
          "sine:1:2", "sine:1:2:0", "noise:1:2:-1", "script:1,,2", "script:", "square:1", ""}) {
        QString error;
        EXPECT_FALSE(parseSource(QString::fromLatin1(bad), &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
    for (const char* bad : {"8=const:1", "-1=const:1", "const:1", "x=const:1", "0=const:x"}) {
        EXPECT_FALSE(parseChannelSource(QString::fromLatin1(bad))) << bad;
    }
}

TEST(ConsoleCommand, faultCommandsActOnTheWireAndBadOnesChangeNothing) {
    BoardSim board;
    ASSERT_TRUE(board.start());
    const int fd = ::open(board.devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    // A request and every byte that follows it closely.
    auto exchange = [&](int firstWaitMs = 2000) {
        const uint8_t req = 0x66;
        EXPECT_EQ(::write(fd, &req, 1), 1);
        std::vector<uint8_t> got;
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, got.empty() ? firstWaitMs : 100) == 1) {
            uint8_t b[16];
            const ssize_t r = ::read(fd, b, sizeof b);
            if (r <= 0) {
                break;
            }
            got.insert(got.end(), b, b + r);
        }
        return got;
    };

    bool quit = false;
    EXPECT_TRUE(runCommand(board, QStringLiteral("  "), &quit).isEmpty());
    for (const char* bad : {"short 0", "short x", "delay", "delay -5", "silent now", "jump",
                            "unplug", "unplug x", "unplug -1"}) {
        EXPECT_TRUE(runCommand(board, QString::fromLatin1(bad), &quit).startsWith(u"error")) << bad;
    }
    EXPECT_EQ(exchange().size(), 3u);  // none of them injected a fault

    EXPECT_TRUE(runCommand(board, QStringLiteral("SHORT 2"), &quit).startsWith(u"ok"));
    EXPECT_EQ(exchange().size(), 2u);
    EXPECT_EQ(exchange().size(), 2u);
    EXPECT_EQ(exchange().size(), 3u);

    EXPECT_TRUE(runCommand(board, QStringLiteral("wrong-marker"), &quit).startsWith(u"ok"));
    EXPECT_EQ(exchange().at(0), 0xFE);

    EXPECT_TRUE(runCommand(board, QStringLiteral("silent"), &quit).startsWith(u"ok"));
    EXPECT_TRUE(exchange(200).empty());
    EXPECT_TRUE(runCommand(board, QStringLiteral("resume"), &quit).startsWith(u"ok"));
    EXPECT_EQ(exchange().size(), 3u);

    EXPECT_FALSE(quit);
    EXPECT_TRUE(runCommand(board, QStringLiteral("close"), &quit).startsWith(u"ok"));
    EXPECT_FALSE(board.isRunning());
    EXPECT_TRUE(runCommand(board, QStringLiteral("quit"), &quit).startsWith(u"ok"));
    EXPECT_TRUE(quit);
    ::close(fd);
}
