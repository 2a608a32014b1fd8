#include "BoardSim.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <numbers>
#include <optional>
#include <string>
#include <thread>

namespace quorlin::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSpan = 0x4000;  // readings 0x0000..0x3FFF
// One byte on the line: start bit, 8 data bits, stop bit at 9600 baud.
constexpr auto kByteTime = std::chrono::nanoseconds(1'000'000'000LL * 10 / 9600);
constexpr uint8_t kStrayByte = 0x00;

int channelOf(uint8_t byte) {
    static constexpr std::array<uint8_t, 8> kRequests{0x66, 0x78, 0x79, 0x77,
                                                      0x6D, 0x6E, 0x6F, 0x70};
    const auto it = std::find(kRequests.begin(), kRequests.end(), byte);
    return it == kRequests.end() ? -1 : static_cast<int>(it - kRequests.begin());
}

int samplesOfCode(uint8_t byte) {
    switch (byte) {
        case 0x69:
            return 1;
        case 0x6A:
            return 10;
        case 0x6B:
            return 100;
        case 0x6C:
            return 200;
        default:
            return 0;
    }
}

uint16_t saturate(double v) {
    if (!(v > 0)) {  // also NaN
        return 0;
    }
    return static_cast<uint16_t>(std::min(std::nearbyint(v), double(kSpan - 1)));
}

// A stateless mix of (seed, index), so a noise source can give its n-th reading directly.
uint64_t mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

QString errnoText(const char* what) {
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

}  // namespace

Source Source::constant(uint16_t raw) {
    Source s;
    s.kind = Kind::Constant;
    s.value = raw;
    return s;
}

Source Source::ramp(uint16_t start, int step) {
    Source s;
    s.kind = Kind::Ramp;
    s.value = start;
    s.step = step;
    return s;
}

Source Source::sine(uint16_t centre, double amplitude, double periodReadings) {
    Source s;
    s.kind = Kind::Sine;
    s.value = centre;
    s.amplitude = amplitude;
    s.periodReadings = periodReadings;
    return s;
}

Source Source::noise(uint16_t centre, double spread, uint32_t seed) {
    Source s;
    s.kind = Kind::Noise;
    s.value = centre;
    s.amplitude = spread;
    s.seed = seed;
    return s;
}

Source Source::scripted(std::vector<uint16_t> values, bool repeat) {
    Source s;
    s.kind = Kind::Script;
    s.script = std::move(values);
    s.repeat = repeat;
    return s;
}

uint16_t Source::reading(uint64_t n) const {
    switch (kind) {
        case Kind::Constant:
            return value;
        case Kind::Ramp: {
            // Reduce n first so n * step cannot overflow.
            const long long r = static_cast<long long>(n % kSpan);
            long long v = (static_cast<long long>(value) + r * step) % kSpan;
            return static_cast<uint16_t>(v < 0 ? v + kSpan : v);
        }
        case Kind::Sine: {
            if (!(periodReadings > 0)) {
                return saturate(value);
            }
            const double phase = std::fmod(static_cast<double>(n), periodReadings) / periodReadings;
            return saturate(value + amplitude * std::sin(2 * std::numbers::pi * phase));
        }
        case Kind::Noise: {
            const uint64_t r = mix((static_cast<uint64_t>(seed) << 32) ^ mix(n));
            const double u = static_cast<double>(r >> 11) * 0x1.0p-53;  // [0, 1)
            return saturate(value + amplitude * (2 * u - 1));
        }
        case Kind::Script:
            if (script.empty()) {
                return value;
            }
            if (repeat) {
                return script[n % script.size()];
            }
            return script[std::min<uint64_t>(n, script.size() - 1)];
    }
    return value;
}

struct BoardSim::Impl {
    // Everything below `m` is shared with the worker and guarded by it, unless marked.
    mutable std::mutex m;
    mutable std::condition_variable logChanged;
    std::condition_variable wake;  // ends the worker's pauses early when stopping

    std::array<Source, 8> sources;
    std::array<uint64_t, 8> taken{};  // readings taken from each source
    Timing timing;
    std::deque<std::pair<Fault, int>> faults;  // each with the replies it still applies to
    std::chrono::milliseconds faultDelay{0};
    std::chrono::milliseconds splitPause{5};
    int noiseLength = 50;
    bool silent = false;
    bool stopping = false;
    bool releaseHeld = false;  // ends the current (or next) reply delay or split pause
    std::vector<Exchange> log;
    std::vector<std::pair<uint8_t, Clock::time_point>> rx;
    QString device;
    QString link;
    QString error;
    std::atomic<int> samples{1};
    std::atomic<uint64_t> totalReceived{0};
    std::atomic<bool> running{false};

    // Owned by whoever runs start/stop; the worker only uses them while it runs.
    int master = -1;
    int slave = -1;    // held open so the line stays up and raw between the program's opens
    int wakeFd = -1;   // eventfd that interrupts the worker's poll()
    int watchFd = -1;  // inotify on the device: tells when the program opens and closes it
    std::thread worker;

    // start, stop, closeLine and unplug run under `control`, from the caller or the
    // replugger, which brings an unplugged board back after its time away.
    mutable std::mutex control;
    std::condition_variable replugWake;
    std::thread replugger;
    bool replugDue = false;
    QString awayLink;  // the link an unplugged board comes back on
    std::atomic<int> replugs{0};

    // Worker-only state.
    bool pendingZ = false;
    uint64_t noiseBytes = 0;  // noise bytes made so far: each burst differs from the last
    // Opens of the device by others minus their closes; written by the worker only.
    std::atomic<int> programOpens{0};
    Clock::time_point lineInFree{};
    Clock::time_point lineOutFree{};

    Impl() { sources.fill(Source::constant(0x2000)); }

    void closeLine();
    bool start(const QString& linkPath);
    void cancelReplug();
    void run();
    void handle(uint8_t byte, Clock::time_point readAt);
    std::optional<Clock::time_point> send(const std::vector<uint8_t>& bytes, size_t splitAt,
                                          Clock::time_point due, bool paceLine,
                                          std::chrono::milliseconds pause);
    bool pauseUntil(Clock::time_point t);
    bool holdUntil(Clock::time_point t);
    bool pauseUntilExactly(Clock::time_point t);
    bool writeOut(const uint8_t* data, size_t n);
    void readWatch();
    void record(const Exchange& ex);
};

// Sleeps until t; false when the board is being stopped meanwhile.
bool BoardSim::Impl::pauseUntil(Clock::time_point t) {
    std::unique_lock lock(m);
    return !wake.wait_until(lock, t, [this] { return stopping; });
}

// Like pauseUntil, but releaseHeldReply() ends it early.
bool BoardSim::Impl::holdUntil(Clock::time_point t) {
    std::unique_lock lock(m);
    wake.wait_until(lock, t, [this] { return stopping || releaseHeld; });
    releaseHeld = false;
    return !stopping;
}

// Like pauseUntil, but not late: a sleeping thread wakes some tens of microseconds after
// its time, which line timing would add to every reply. Sleeps until shortly before t,
// then spins.
bool BoardSim::Impl::pauseUntilExactly(Clock::time_point t) {
    constexpr auto kSpin = std::chrono::microseconds(100);
    if (t - Clock::now() > kSpin && !pauseUntil(t - kSpin)) {
        return false;
    }
    while (Clock::now() < t) {
    }
    std::lock_guard lock(m);
    return !stopping;
}

void BoardSim::Impl::record(const Exchange& ex) {
    {
        std::lock_guard lock(m);
        log.push_back(ex);
    }
    logChanged.notify_all();
}

// Like a real port: bytes that arrive while no program has the device open are lost, and
// bytes nobody reads before the last close do not wait for the next opener. False when
// nothing was written.
bool BoardSim::Impl::writeOut(const uint8_t* data, size_t n) {
    if (watchFd >= 0 && programOpens <= 0) {
        return false;
    }
    while (n > 0) {
        const ssize_t w = ::write(master, data, n);
        if (w < 0) {
            if (errno == EINTR) {
                continue;
            }
            return true;  // EAGAIN: the receiver's buffer is full, the rest is lost as on a line
        }
        data += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

void BoardSim::Impl::readWatch() {
    alignas(inotify_event) char buf[4096];
    for (;;) {
        const ssize_t r = ::read(watchFd, buf, sizeof buf);
        if (r <= 0) {
            return;
        }
        for (ssize_t i = 0; i < r;) {
            const auto* ev = reinterpret_cast<const inotify_event*>(buf + i);
            if (ev->mask & IN_OPEN) {
                ++programOpens;
            }
            if (ev->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
                if (--programOpens <= 0) {
                    programOpens = 0;
                    ::tcflush(slave, TCIFLUSH);
                }
            }
            i += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
        }
        {
            std::lock_guard lock(m);  // so that a waiter cannot miss the change
        }
        logChanged.notify_all();
    }
}

// Returns when the reply's last byte was written; nothing when it was not (stopping, or no
// program had the device open).
std::optional<Clock::time_point> BoardSim::Impl::send(const std::vector<uint8_t>& bytes,
                                                      size_t splitAt, Clock::time_point due,
                                                      bool paceLine,
                                                      std::chrono::milliseconds pause) {
    if (!paceLine) {
        if (due > Clock::now() && !pauseUntil(due)) {
            return std::nullopt;
        }
        if (splitAt == 0 || splitAt >= bytes.size()) {
            return writeOut(bytes.data(), bytes.size()) ? std::optional(Clock::now())
                                                        : std::nullopt;
        }
        writeOut(bytes.data(), splitAt);
        if (!holdUntil(Clock::now() + pause)) {
            return std::nullopt;
        }
        return writeOut(bytes.data() + splitAt, bytes.size() - splitAt)
                   ? std::optional(Clock::now())
                   : std::nullopt;
    }
    // Each byte leaves when its last bit would have; times are absolute so no drift builds up.
    Clock::time_point t = std::max(due, lineOutFree);
    bool written = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i == splitAt && i > 0) {
            const Clock::time_point end = t + pause;
            if (!holdUntil(end)) {
                return std::nullopt;
            }
            t = std::min(end, Clock::now());  // earlier only when released
        }
        t += kByteTime;
        // The last byte completes the reply: the program waits for it, so it must not be late.
        const bool last = i + 1 == bytes.size();
        if (!(last ? pauseUntilExactly(t) : pauseUntil(t))) {
            return std::nullopt;
        }
        written = writeOut(&bytes[i], 1);
        lineOutFree = t;
    }
    return written ? std::optional(Clock::now()) : std::nullopt;
}

void BoardSim::Impl::handle(uint8_t byte, Clock::time_point readAt) {
    Exchange ex;
    ex.request = byte;
    ex.at = readAt;

    if (pendingZ) {
        pendingZ = false;
        if (const int s = samplesOfCode(byte)) {
            samples = s;
            record(ex);
            return;
        }
        if (byte == 0x7A) {  // a second "z" ends the first; it announces nothing itself
            record(ex);
            return;
        }
        // Anything else keeps the old count and is handled as a request of its own.
    } else if (byte == 0x7A) {
        pendingZ = true;
        record(ex);
        return;
    }

    const int channel = channelOf(byte);
    if (channel < 0) {
        record(ex);
        return;
    }
    ex.channel = channel;

    Timing t;
    std::optional<Fault> fault;
    std::chrono::milliseconds delay{0};
    std::chrono::milliseconds pause{0};
    int noiseLength = 0;
    bool quiet = false;
    {
        std::lock_guard lock(m);
        ex.raw =
            sources[static_cast<size_t>(channel)].reading(taken[static_cast<size_t>(channel)]++);
        t = timing;
        quiet = silent;
        if (!quiet && !faults.empty()) {
            fault = faults.front().first;
            if (--faults.front().second <= 0) {
                faults.pop_front();
            }
        }
        delay = faultDelay;
        pause = splitPause;
        noiseLength = this->noiseLength;
    }
    if (quiet || fault == Fault::DropReply) {
        record(ex);
        return;
    }

    // When the request has fully arrived, then the conversion.
    Clock::time_point due = readAt;
    if (t.emulateLine) {
        due = std::max(readAt, lineInFree) + kByteTime;
        lineInFree = due;
    }
    due += t.conversionBase + t.conversionPerSample * samples.load();

    const auto hi = static_cast<uint8_t>(ex.raw >> 8);
    const auto lo = static_cast<uint8_t>(ex.raw & 0xFF);
    std::vector<uint8_t> bytes{0xFF, hi, lo};
    size_t splitAt = 0;
    ex.good = true;
    if (fault) {
        switch (*fault) {
            case Fault::WrongMarker:
                bytes[0] = 0xFE;
                ex.good = false;
                break;
            case Fault::ShortReply:
                bytes.pop_back();
                ex.good = false;
                break;
            case Fault::LongReply:
                bytes.push_back(0x00);
                ex.good = false;
                break;
            case Fault::SplitReply:
                splitAt = 1;
                break;
            case Fault::StrayByteBefore:
                bytes.insert(bytes.begin(), kStrayByte);
                ex.good = false;
                break;
            case Fault::NoiseBefore: {
                // Line noise, but never the marker, so no part of it can pass for a reply.
                std::vector<uint8_t> noise;
                for (int i = 0; i < noiseLength; ++i) {
                    noise.push_back(static_cast<uint8_t>(mix(noiseBytes++) % 0xFF));
                }
                bytes.insert(bytes.begin(), noise.begin(), noise.end());
                ex.good = noiseLength == 0;
                break;
            }
            case Fault::DelayReply: {
                const Clock::time_point end = due + delay;
                if (!holdUntil(end)) {
                    ex.answered = true;
                    record(ex);
                    return;
                }
                due = std::min(end, Clock::now());  // earlier only when released
                break;
            }
            case Fault::DropReply:
                break;
        }
    }
    if (const auto done = send(bytes, splitAt, due, t.emulateLine, pause)) {
        ex.repliedAt = *done;
        ex.replyBytes = static_cast<int>(bytes.size());
    }
    ex.answered = true;
    record(ex);
}

void BoardSim::Impl::run() {
    // Line timing wakes the thread once per byte; the default timer slack (50 us) would make
    // every reply late by about that much.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    std::array<uint8_t, 256> buf{};
    for (;;) {
        std::array<pollfd, 3> fds{{{master, POLLIN, 0}, {wakeFd, POLLIN, 0}, {watchFd, POLLIN, 0}}};
        const nfds_t n = watchFd >= 0 ? 3 : 2;
        if (::poll(fds.data(), n, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents) {
            uint64_t v = 0;
            [[maybe_unused]] const auto r = ::read(wakeFd, &v, sizeof v);
            std::lock_guard lock(m);
            if (stopping) {
                return;
            }
        }
        // Opens are counted before the bytes that follow them are answered.
        if (n == 3 && fds[2].revents) {
            readWatch();
        }
        bool lineDown = (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        if (fds[0].revents & POLLIN) {
            const ssize_t r = ::read(master, buf.data(), buf.size());
            lineDown = r == 0 || (r < 0 && errno != EAGAIN && errno != EINTR);
            if (r > 0) {
                const auto at = Clock::now();
                totalReceived += static_cast<uint64_t>(r);
                {
                    std::lock_guard lock(m);
                    for (ssize_t i = 0; i < r; ++i) {
                        rx.emplace_back(buf[static_cast<size_t>(i)], at);
                    }
                }
                for (ssize_t i = 0; i < r; ++i) {
                    handle(buf[static_cast<size_t>(i)], at);
                    std::lock_guard lock(m);
                    if (stopping) {
                        return;
                    }
                }
            }
        }
        if (lineDown) {
            // Cannot normally happen while the slave is held open; do not spin on it.
            if (!pauseUntil(Clock::now() + std::chrono::milliseconds(10))) {
                return;
            }
        }
    }
}

void BoardSim::Impl::closeLine() {
    if (worker.joinable()) {
        {
            std::lock_guard lock(m);
            stopping = true;
        }
        const uint64_t one = 1;
        [[maybe_unused]] const auto r = ::write(wakeFd, &one, sizeof one);
        wake.notify_all();
        worker.join();
    }
    closeFd(watchFd);
    closeFd(wakeFd);
    closeFd(slave);
    closeFd(master);
    std::lock_guard lock(m);
    if (!link.isEmpty()) {
        // Remove the link only while it still points at this board's device.
        const QByteArray path = link.toLocal8Bit();
        char target[4096];
        const ssize_t len = ::readlink(path.constData(), target, sizeof target - 1);
        if (len > 0 && QByteArray(target, static_cast<int>(len)) == device.toLocal8Bit()) {
            ::unlink(path.constData());
        }
        link.clear();
    }
    running = false;
}

void BoardSim::Impl::cancelReplug() {
    {
        std::lock_guard lock(control);
        replugDue = false;
    }
    replugWake.notify_all();
    if (replugger.joinable()) {
        replugger.join();
    }
}

bool BoardSim::Impl::start(const QString& linkPath) {
    if (worker.joinable()) {
        closeLine();
    }
    auto fail = [this](QString message) {
        closeLine();
        std::lock_guard lock(m);
        error = std::move(message);
        return false;
    };

    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        return fail(errnoText("posix_openpt"));
    }
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        return fail(errnoText("grantpt/unlockpt"));
    }
    char name[256];
    if (::ptsname_r(master, name, sizeof name) != 0) {
        return fail(errnoText("ptsname"));
    }
    slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        return fail(errnoText("open pseudo-terminal"));
    }
    termios tio{};
    if (::tcgetattr(slave, &tio) != 0) {
        return fail(errnoText("tcgetattr"));
    }
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::tcsetattr(slave, TCSANOW, &tio) != 0) {
        return fail(errnoText("tcsetattr"));
    }
    const int flags = ::fcntl(master, F_GETFL);
    if (flags < 0 || ::fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) {
        return fail(errnoText("fcntl"));
    }
    wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        return fail(errnoText("eventfd"));
    }
    // Without the watch every reply is written, whoever has the device open.
    watchFd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (watchFd >= 0 &&
        ::inotify_add_watch(watchFd, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        closeFd(watchFd);
    }

    const QString created = QString::fromLocal8Bit(name);
    if (!linkPath.isEmpty()) {
        const QByteArray path = linkPath.toLocal8Bit();
        struct stat st {};
        if (::lstat(path.constData(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                return fail(QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath));
            }
            ::unlink(path.constData());
        }
        if (::symlink(name, path.constData()) != 0) {
            return fail(errnoText("symlink"));
        }
    }

    {
        std::lock_guard lock(m);
        device = created;
        link = linkPath;
        error.clear();
        stopping = false;
    }
    pendingZ = false;
    programOpens = 0;
    lineInFree = {};
    lineOutFree = {};
    running = true;
    worker = std::thread([this] { run(); });
    ::pthread_setname_np(worker.native_handle(), "board-sim");  // tells it apart in profiles
    return true;
}

BoardSim::BoardSim() : d(std::make_unique<Impl>()) {}

BoardSim::~BoardSim() {
    stop();
}

bool BoardSim::start(const QString& linkPath) {
    d->cancelReplug();
    std::lock_guard lock(d->control);
    return d->start(linkPath);
}

void BoardSim::stop() {
    d->cancelReplug();
    std::lock_guard lock(d->control);
    d->closeLine();
}

void BoardSim::closeLine() {
    d->cancelReplug();
    std::lock_guard lock(d->control);
    d->closeLine();
}

void BoardSim::unplug(std::chrono::milliseconds away) {
    QString link;
    {
        // Unplugged again while away: it still comes back on the link it left.
        std::lock_guard lock(d->control);
        if (d->replugDue) {
            link = d->awayLink;
        }
    }
    d->cancelReplug();
    std::unique_lock lock(d->control);
    if (link.isEmpty()) {
        std::lock_guard logLock(d->m);
        link = d->link;
    }
    d->awayLink = link;
    d->closeLine();
    d->replugDue = true;
    d->replugger = std::thread([impl = d.get(), link, away] {
        std::unique_lock lock(impl->control);
        if (impl->replugWake.wait_for(lock, away, [impl] { return !impl->replugDue; })) {
            return;  // stopped or started again meanwhile
        }
        impl->replugDue = false;
        if (impl->start(link)) {
            ++impl->replugs;
        }
    });
}

bool BoardSim::isUnplugged() const {
    std::lock_guard lock(d->control);
    return d->replugDue;
}

int BoardSim::replugCount() const {
    return d->replugs;
}

bool BoardSim::isRunning() const {
    return d->running;
}

QString BoardSim::devicePath() const {
    std::lock_guard lock(d->m);
    return d->device;
}

QString BoardSim::errorString() const {
    std::lock_guard lock(d->m);
    return d->error;
}

void BoardSim::setSource(int channel, const Source& source) {
    if (channel < 0 || channel >= 8) {
        return;
    }
    std::lock_guard lock(d->m);
    d->sources[static_cast<size_t>(channel)] = source;
    d->taken[static_cast<size_t>(channel)] = 0;
}

void BoardSim::setTiming(const Timing& timing) {
    std::lock_guard lock(d->m);
    d->timing = timing;
}

void BoardSim::injectFault(Fault fault, int count) {
    if (count <= 0) {
        return;
    }
    std::lock_guard lock(d->m);
    d->faults.emplace_back(fault, count);
}

void BoardSim::setFaultDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(d->m);
    d->faultDelay = std::max(delay, std::chrono::milliseconds(0));
}

void BoardSim::setSplitPause(std::chrono::milliseconds pause) {
    std::lock_guard lock(d->m);
    d->splitPause = std::max(pause, std::chrono::milliseconds(0));
}

void BoardSim::setNoiseLength(int bytes) {
    std::lock_guard lock(d->m);
    d->noiseLength = std::clamp(bytes, 0, 4096);
}

void BoardSim::releaseHeldReply() {
    {
        std::lock_guard lock(d->m);
        d->releaseHeld = true;
    }
    d->wake.notify_all();
}

void BoardSim::clearFaults() {
    std::lock_guard lock(d->m);
    d->faults.clear();
}

void BoardSim::setSilent(bool silent) {
    std::lock_guard lock(d->m);
    d->silent = silent;
}

int BoardSim::samplesAveraged() const {
    return d->samples;
}

std::vector<Exchange> BoardSim::exchanges() const {
    std::lock_guard lock(d->m);
    return d->log;
}

std::vector<std::pair<uint8_t, std::chrono::steady_clock::time_point>> BoardSim::received() const {
    std::lock_guard lock(d->m);
    return d->rx;
}

void BoardSim::clearLog() {
    std::lock_guard lock(d->m);
    d->log.clear();
    d->rx.clear();
}

uint64_t BoardSim::totalReceived() const {
    return d->totalReceived;
}

bool BoardSim::waitForRequests(size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(d->m);
    return d->logChanged.wait_for(lock, timeout, [&] { return d->log.size() >= n; });
}

bool BoardSim::programHasDeviceOpen() const {
    return d->programOpens > 0;
}

bool BoardSim::waitForDeviceClosed(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(d->m);
    return d->logChanged.wait_for(lock, timeout, [&] { return d->programOpens <= 0; });
}

// (raw - 8192) * 0.0006103 rounded to 3 decimals, an exact half to the even digit. The half
// is judged on the 15-significant-digit decimal form of the product, as the program does, so
// a product that shows as x.xxx5 counts as a half although the double lies a hair beside it.
double rawToVolts(uint16_t raw) {
    const double v = (static_cast<double>(raw) - 8192.0) * 0.0006103;
    if (v == 0.0) {
        return 0.0;
    }
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 14);
    const std::string s(buf, res.ptr);  // d.dddddddddddddde±XX
    const auto e = s.find('e');
    const std::string digits = s.substr(0, 1) + s.substr(2, e - 2);  // 15 digits
    const int exp10 = std::stoi(s.substr(e + 1));
    const int keep = exp10 + 3 + 1;  // digits at or above the 0.001 place
    if (keep >= static_cast<int>(digits.size())) {
        return v;
    }
    long long kept = keep > 0 ? std::stoll(digits.substr(0, static_cast<size_t>(keep))) : 0;
    const std::string rest = keep >= 0 ? digits.substr(static_cast<size_t>(keep)) : "0";
    if (keep >= 0) {
        const bool half = rest[0] == '5' && rest.find_first_not_of('0', 1) == std::string::npos;
        if (rest[0] > '5' || (rest[0] == '5' && (!half || kept % 2 != 0))) {
            ++kept;
        }
    }
    const std::string text = std::to_string(kept) + "e-3";
    double result = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return v < 0 ? -result : result;
}

}  // namespace quorlin::sim
