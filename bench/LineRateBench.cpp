// Scan rate with the board pacing every byte at 9600 baud and converting instantly: a
// request and its reply are 4 bytes of 10 bits, so a scan of eight channels cannot be
// shorter than 32 * 10 / 9600 s = 33.33 ms. Reports the mean scan period from the board's
// log, how far it is above that limit, and where the time above it goes. For comparison the
// same is measured with a bare client (a plain loop of write and poll on the device), which
// shows what the pseudo-terminal, the machine's wake-ups and the board's pacing cost
// without any program. Program and bare client take turns, round after round, so that both
// see the same machine; the program's own share is its period less the bare client's.
//
//   build/bench/LineRateBench [scans per round, default 300] [rounds, default 3]
#include "AppRun.h"

#include "device/BoardProtocol.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace quorlin;
using Micros = std::chrono::duration<double, std::micro>;

namespace {

// The board's log of `scans` scans driven by a plain client with no program around it.
std::vector<sim::Exchange> bareClientRun(size_t scans) {
    sim::BoardSim board;
    if (!board.start()) {
        return {};
    }
    board.setTiming({true, {}, {}});
    const int fd = ::open(board.devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0) {
        return {};
    }
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    // The board counts the open before it answers: wait until it has seen it.
    while (!board.programHasDeviceOpen()) {
        pollfd none{-1, 0, 0};
        ::poll(&none, 0, 1);
    }
    for (size_t i = 0; i < (scans + 2) * kChannelCount; ++i) {
        const unsigned char request = requestByte(static_cast<int>(i % kChannelCount));
        if (::write(fd, &request, 1) != 1) {
            break;
        }
        unsigned char buf[16];
        ssize_t got = 0;
        while (got < 3) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 1000) != 1) {
                break;
            }
            const ssize_t r = ::read(fd, buf + got, sizeof buf - static_cast<size_t>(got));
            if (r <= 0) {
                break;
            }
            got += r;
        }
        if (got < 3) {
            break;
        }
    }
    ::close(fd);
    return board.exchanges();
}

struct Figures {
    double periodMs = 0;
};

// Prints one run's figures; nothing when the log holds fewer than `scans` whole scans.
std::optional<Figures> report(const char* who, const std::vector<sim::Exchange>& log,
                              size_t scans) {
    // A scan starts with the request for channel 0.
    std::vector<std::chrono::steady_clock::time_point> starts;
    for (const sim::Exchange& e : log) {
        if (e.channel == 0) {
            starts.push_back(e.at);
        }
    }
    if (starts.size() < scans + 1) {
        std::printf("%s: FAILED, only %zu scans\n", who, starts.size());
        return std::nullopt;
    }
    using Ms = std::chrono::duration<double, std::milli>;
    const double mean = Ms(starts[scans] - starts[0]).count() / static_cast<double>(scans);
    // Per exchange: the board's own lateness (its last reply byte written after the line
    // would have delivered it) and the turnaround from that byte to the next request read
    // by the board (the client plus the pseudo-terminal both ways).
    const auto byteTime = std::chrono::nanoseconds(1'000'000'000LL * 10 / 9600);
    std::vector<double> late;
    std::vector<double> turnaround;
    double turnaroundSum = 0;
    for (size_t i = 0; i + 1 < log.size(); ++i) {
        if (log[i].good && log[i].repliedAt != std::chrono::steady_clock::time_point{}) {
            late.push_back(Micros(log[i].repliedAt - log[i].at - 4 * byteTime).count());
            turnaround.push_back(Micros(log[i + 1].at - log[i].repliedAt).count());
            turnaroundSum += turnaround.back();
        }
    }
    std::sort(late.begin(), late.end());
    std::sort(turnaround.begin(), turnaround.end());
    // Long turnarounds: the client or the board did not get the processor in time.
    constexpr double kLongUs = 300;
    const auto longOnes = static_cast<size_t>(
        turnaround.end() - std::upper_bound(turnaround.begin(), turnaround.end(), kLongUs));
    const double limit = 32 * 10 * 1000.0 / 9600;
    std::printf("%-8s %zu scans: mean period %.3f ms (line limit %.3f ms, %+.2f%%)\n", who, scans,
                mean, limit, (mean / limit - 1) * 100);
    std::printf(
        "         per exchange: board lateness median %.1f us (p90 %.1f), turnaround "
        "median %.1f us (p90 %.1f, mean %.1f, %zu of %zu over %.0f us)\n",
        bench::percentile(late, 50), bench::percentile(late, 90), bench::percentile(turnaround, 50),
        bench::percentile(turnaround, 90),
        turnaround.empty() ? 0.0 : turnaroundSum / static_cast<double>(turnaround.size()), longOnes,
        turnaround.size(), kLongUs);
    return Figures{mean};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
    bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    const size_t scans = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 300;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const double limit = 32 * 10 * 1000.0 / 9600;
    std::vector<double> programPeriods;
    std::vector<double> barePeriods;
    bench::printLoad();
    for (int round = 1; round <= rounds; ++round) {
        std::printf("round %d\n", round);
        // Two scans more than measured, so that `scans` whole periods lie between scan starts.
        const bench::RunResult run =
            bench::runSampling({.lineTiming = true, .replies = (scans + 2) * kChannelCount});
        if (!run.failure.isEmpty()) {
            std::printf("FAILED: %s\n", qPrintable(run.failure));
            return 1;
        }
        const std::optional<Figures> program = report("program", run.exchanges, scans);
        std::printf("         program thread busy %.1f%% of the run\n", bench::busyPercent(run));
        const std::optional<Figures> bare = report("bare", bareClientRun(scans), scans);
        if (!program || !bare) {
            return 1;
        }
        programPeriods.push_back(program->periodMs);
        barePeriods.push_back(bare->periodMs);
    }
    const double p = median(programPeriods);
    const double b = median(barePeriods);
    std::printf(
        "median of %d rounds: program %.3f ms (%+.2f%%), bare client %.3f ms (%+.2f%%), "
        "program's own share %+.2f%% of the line limit\n",
        rounds, p, (p / limit - 1) * 100, b, (b / limit - 1) * 100, (p - b) / limit * 100);
    bench::printLoad();
    return 0;
}
