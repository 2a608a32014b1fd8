#include "chart/RunAlongside.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
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
