// Replies per second of the simulated board at full speed: one request, wait for its three
// bytes, the next request, driven over the device from this side as the program would.
#include "BoardSim.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <thread>

namespace {

void makeRaw(int fd) {
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
}

// One request/reply round trip from the program's side; false on a failure.
bool roundTrip(benchmark::State& state, int fd) {
    const unsigned char request = 0x66;
    unsigned char buf[16];
    if (::write(fd, &request, 1) != 1) {
        state.SkipWithError("write failed");
        return false;
    }
    ssize_t got = 0;
    while (got < 3) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) != 1) {
            state.SkipWithError("no reply within a second");
            return false;
        }
        const ssize_t r = ::read(fd, buf + got, sizeof buf - static_cast<size_t>(got));
        if (r <= 0) {
            state.SkipWithError("read failed");
            return false;
        }
        got += r;
    }
    benchmark::DoNotOptimize(buf);
    return true;
}

void BM_BoardSimRequestReply(benchmark::State& state) {
    quorlin::sim::BoardSim board;
    if (!board.start()) {
        state.SkipWithError("cannot open a pseudo-terminal");
        return;
    }
    board.setSource(0, quorlin::sim::Source::ramp(0, 1));
    const int fd = ::open(board.devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    makeRaw(fd);
    for (auto _ : state) {
        if (!roundTrip(state, fd)) {
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());  // items per second = replies per second
    ::close(fd);
}
BENCHMARK(BM_BoardSimRequestReply)->MinTime(2.0)->UseRealTime();

// For comparison, what the pseudo-terminal alone allows: a bare thread that answers every byte with
// three, with no sources, logging or timing.
void BM_PseudoTerminalBare(benchmark::State& state) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ::grantpt(master);
    ::unlockpt(master);
    const int fd = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    makeRaw(fd);
    std::thread echo([master] {
        unsigned char b[64];
        const unsigned char reply[3] = {0xFF, 0x20, 0x00};
        while (::read(master, b, sizeof b) > 0 && b[0] != 0x00) {
            if (::write(master, reply, 3) != 3) {
                break;
            }
        }
    });
    for (auto _ : state) {
        if (!roundTrip(state, fd)) {
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    const unsigned char end = 0x00;
    [[maybe_unused]] const auto w = ::write(fd, &end, 1);
    echo.join();
    ::close(fd);
    ::close(master);
}
BENCHMARK(BM_PseudoTerminalBare)->MinTime(2.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
