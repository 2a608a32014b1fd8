#include "chart/RunAlongside.h"

#include <sys/resource.h>

#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace quorlin {
namespace {

TEST(RunAlongside, runsEveryIndexOnceAndReturnsWhenAllHaveReturned) {
    for (const std::size_t count : {0u, 1u, 2u, 7u, 1000u}) {
        std::vector<std::atomic<int>> runs(count);
        std::vector<int> results(count, 0);  // written by whichever thread ran the index
        runAlongside(count, [&](std::size_t i) {
            runs[i].fetch_add(1);
            results[i] = static_cast<int>(i) * 3;
        });
        for (std::size_t i = 0; i < count; ++i) {
            ASSERT_EQ(runs[i].load(), 1) << count << ": index " << i;
            ASSERT_EQ(results[i], static_cast<int>(i) * 3) << count << ": index " << i;
        }
    }
}

TEST(RunAlongside, theHelperGivesWayToThreadsOfNormalPriority) {
    const std::thread::id caller = std::this_thread::get_id();
    const int callerNice = ::getpriority(PRIO_PROCESS, 0);
    const bool helperExpected = QThread::idealThreadCount() > 1;
    std::atomic<bool> helperRan{false};
    // A helper still finishing an earlier call leaves a call to the caller alone: calls are
    // made until one was shared, each caller index holding on a while for the helper.
    for (int attempt = 0; attempt < 100 && helperExpected && !helperRan; ++attempt) {
        std::vector<int> nices(2, -1);
        std::vector<bool> alongside(2, false);
        runAlongside(nices.size(), [&](std::size_t i) {
            alongside[i] = std::this_thread::get_id() != caller;
            nices[i] = ::getpriority(PRIO_PROCESS, 0);
            if (alongside[i]) {
                helperRan = true;
                return;
            }
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
            while (!helperRan && std::chrono::steady_clock::now() < until) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        for (std::size_t i = 0; i < nices.size(); ++i) {
            EXPECT_EQ(nices[i], alongside[i] ? std::max(callerNice, 10) : callerNice) << i;
        }
    }
    EXPECT_EQ(helperRan.load(), helperExpected);
}

TEST(RunAlongside, aCallThatThrows_isThrownAfterTheOthersHaveRun) {
    std::vector<std::atomic<int>> runs(50);
    EXPECT_THROW(runAlongside(runs.size(),
                              [&](std::size_t i) {
                                  runs[i].fetch_add(1);
                                  if (i == 17) {
                                      throw std::runtime_error("bad");
                                  }
                              }),
                 std::runtime_error);
    for (const auto& r : runs) {
        EXPECT_EQ(r.load(), 1);
    }
}

}  // namespace
}  // namespace quorlin
