#include "common/ThreadScheduling.h"

#if defined(__linux__)
#include <sched.h>  // SCHED_OTHER
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#endif

namespace quorlin {

#if defined(__linux__) && defined(SYS_sched_setattr)
namespace {
// The kernel's struct sched_attr; glibc 2.36 does not declare it.
struct SchedAttr {
    std::uint32_t size;
    std::uint32_t policy;
    std::uint64_t flags;
    std::int32_t nice;
    std::uint32_t priority;
    std::uint64_t runtime;  // for the normal policy: the requested slice, in nanoseconds
    std::uint64_t deadline;
    std::uint64_t period;
};

constexpr std::uint64_t kSliceNs = 100'000;  // the shortest the kernel grants
}  // namespace

bool askForShortTimeSlice(long threadId) {
    SchedAttr attr{};
    attr.size = sizeof attr;
    attr.policy = SCHED_OTHER;  // same policy and nice value: only the slice changes
    attr.nice = static_cast<std::int32_t>(::getpriority(PRIO_PROCESS, static_cast<id_t>(threadId)));
    attr.runtime = kSliceNs;
    return ::syscall(SYS_sched_setattr, threadId, &attr, 0) == 0;
}
#else
bool askForShortTimeSlice(long /*threadId*/) {
    return false;
}
#endif

bool yieldToNormalThreads() {
#if defined(__linux__)
    constexpr int kNice = 10;
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, 0);  // on Linux: the calling thread only
    if (errno == 0 && now >= kNice) {
        return true;  // already that low: raising it again would need a privilege
    }
    return ::setpriority(PRIO_PROCESS, 0, kNice) == 0;
#else
    return false;
#endif
}

}  // namespace quorlin
