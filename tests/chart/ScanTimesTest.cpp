#include "chart/ScanTimes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace quorlin {
namespace {

// Times filled cell by cell as a run does (each scan opens the next, empty cell).
ScanTimes timesOf(const std::vector<double>& seconds) {
    ScanTimes t;
    t.extendTo(1);
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        t.set(static_cast<qint64>(i), seconds[i]);
        t.extendTo(static_cast<qint64>(i) + 2);
    }
    return t;
}

TEST(ScanTimes, gaps_areStepsOverFiveMediansAndOverASecond_asFoundByWalkingEveryStep) {
    std::mt19937 rng(3);
    struct Case {
        double usualStep;
        double jitter;  // spread of the usual steps
        int gapEvery;   // one step in gapEvery is long
        int cells;
    };
    for (const Case c : {Case{0.03, 0.0, 1000, 5000}, Case{0.1, 0.05, 37, 3000},
                         Case{0.5, 0.3, 50, 40000}, Case{2, 1, 9, 2000}, Case{0.01, 0, 3, 500}}) {
        std::uniform_real_distribution<double> jitter(-c.jitter, c.jitter);
        std::uniform_real_distribution<double> longStep(0.5, 30);
        std::vector<double> seconds{100};
        std::vector<qint64> steps;
        for (int i = 1; i < c.cells; ++i) {
            const double step = std::round(100 * (rng() % static_cast<unsigned>(c.gapEvery) == 0
                                                      ? longStep(rng)
                                                      : c.usualStep + jitter(rng))) /
                                100;
            seconds.push_back(std::round((seconds.back() + step) * 100) / 100);
            steps.push_back(std::llround((seconds.back() - seconds[seconds.size() - 2]) * 100));
        }
        const ScanTimes t = timesOf(seconds);
        std::sort(steps.begin(), steps.end());
        const double median = static_cast<double>(steps[(steps.size() - 1) / 2]) / 100;
        ASSERT_EQ(t.gapThreshold(), std::max(1.0, 5 * median)) << c.usualStep;

        for (const auto& [first, end] : {std::pair<qint64, qint64>{0, c.cells},
                                         {129, c.cells - 300},
                                         {c.cells / 3, c.cells / 3 + 700}}) {
            std::vector<qint64> expected;
            for (qint64 k = std::max<qint64>(first, 1); k < std::min<qint64>(end, c.cells); ++k) {
                if (seconds[k] - seconds[k - 1] > t.gapThreshold()) {
                    expected.push_back(k);
                }
            }
            std::vector<qint64> found;
            t.gapsIn(first, end, t.gapThreshold(), found);
            EXPECT_EQ(found, expected) << c.usualStep << " " << first;
        }
    }
}

}  // namespace
}  // namespace quorlin
