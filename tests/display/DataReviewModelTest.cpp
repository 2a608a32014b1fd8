#include "display/DataReviewModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace quorlin {
namespace {

TEST(DataReviewStats, meanOfExtremeValues_isTheTrueMeanNotAnOverflow) {
    constexpr double kMax = std::numeric_limits<double>::max();
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> share(-1, 1);
    std::vector<double> random(5000);
    for (double& v : random) {
        v = share(rng) * kMax;
    }
    const std::vector<std::vector<double>> cases = {
        {1e308, 1e308, -1e308},
        {1e308, 1e308},
        {kMax, kMax, kMax, kMax, kMax},
        {-kMax, -kMax, 1},
        {kMax, -kMax, kMax, 1e-300},
        {0.5, 1.5, 2.5, -4},
        random,
    };
    for (const std::vector<double>& values : cases) {
        PointTable table;
        table.holdDoubles();
        long double sum = 0;  // the reference: 80-bit sums do not overflow here
        for (std::size_t i = 0; i < values.size(); ++i) {
            table.setLast(static_cast<double>(i), values[i]);
            table.addEmptyColumn();
            sum += values[i];
        }
        const double expected = static_cast<double>(sum / values.size());
        const ChannelStats s = statsInRange(table, 0, static_cast<double>(values.size()));
        ASSERT_EQ(s.count, static_cast<qint64>(values.size()));
        ASSERT_TRUE(std::isfinite(s.mean)) << values.front();
        EXPECT_NEAR(s.mean, expected, std::abs(expected) * 1e-12 + kMax * 1e-15) << values.front();
        EXPECT_GE(s.mean, s.minimum);
        EXPECT_LE(s.mean, s.maximum);
    }
}

}  // namespace
}  // namespace quorlin
