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
    std::vector<int> nices(20, -1);  // nice values
    std::vector<bool> alongside(20, false);
    runAlongside(nices.size(), [&](std::size_t i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // time for the helper
        nices[i] = ::getpriority(PRIO_PROCESS, 0);                  // this thread's nice value
        alongside[i] = std::this_thread::get_id() != caller;
    });
    int helped = 0;
    for (std::size_t i = 0; i < nices.size(); ++i) {
        EXPECT_EQ(nices[i], alongside[i] ? std::max(callerNice, 10) : callerNice) << i;
        helped += alongside[i];
    }
    if (QThread::idealThreadCount() > 1) {
        EXPECT_GT(helped, 0);
    }
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
