#include "chart/RunAlongside.h"

#include "common/ThreadScheduling.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>

namespace quorlin {

namespace {

// Shared with the pool thread, which may start only after the caller has done everything
// and returned: it then finds no index left and touches nothing else.
struct Shared {
    Shared(std::size_t n, std::function<void(std::size_t)> w) : count(n), work(std::move(w)) {}
    const std::size_t count;
    const std::function<void(std::size_t)> work;
    std::atomic<std::size_t> next{0};
    QSemaphore doneAlongside;  // one per index the pool thread finished
    std::mutex errorLock;
    std::exception_ptr error;

    // Takes indices until none is left; returns how many this thread ran.
    std::size_t take(bool alongside) {
        std::size_t ran = 0;
        for (std::size_t i; (i = next.fetch_add(1)) < count;) {
            try {
                work(i);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(errorLock);
                if (!error) {
                    error = std::current_exception();
                }
            }
            if (alongside) {
                doneAlongside.release();
            }
            ++ran;
        }
        return ran;
    }
};

// One thread at a lowered priority, kept apart from the global pool so that nothing else runs
// at that priority.
class Helpers : public QThreadPool {
  public:
    Helpers() { setMaxThreadCount(1); }
};
Helpers& helpers() {
    static Helpers pool;  // ends with the program, as the global pool does
    return pool;
}

}  // namespace

void runAlongside(std::size_t count, const std::function<void(std::size_t)>& work) {
    if (count == 0) {
        return;
    }
    auto shared = std::make_shared<Shared>(count, work);
    if (count > 1 && QThread::idealThreadCount() > 1) {
        // A busy pool simply leaves all of it to this thread.
        helpers().tryStart([shared] {
            static thread_local const bool lowered = yieldToNormalThreads();
            (void)lowered;
            shared->take(true);
        });
    }
    const std::size_t ranHere = shared->take(false);
    shared->doneAlongside.acquire(static_cast<int>(count - ranHere));
    if (shared->error) {
        std::rethrow_exception(shared->error);
    }
}

}  // namespace quorlin
