#include "chart/M4Decimation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

namespace quorlin {
namespace {

struct Linear {
    double scale;
    double offset;
    double operator()(double x) const { return x * scale + offset; }
};

qint64 columnOf(const PointTable& t, qint64 c, Linear map) {
    return static_cast<qint64>(std::floor(map(t.x(c)) + 0.5));
}

PointTable randomTable(qint64 n, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0, 1);
    std::exponential_distribution<double> gap(1.0);
    PointTable t;
    double x = 0;
    for (qint64 i = 0; i < n; ++i) {
        x += i % 1000 < 900 ? 0.001 : gap(rng);  // dense stretches and sparse ones
        t.setLast(x, noise(rng) + (i % 977 == 0 ? 40 : 0));
        t.addEmptyColumn();
    }
    return t;
}

TEST(M4Decimation, eachPixelColumn_keepsFirstLastLowestHighestInOrder) {
    const PointTable t = randomTable(200000, 3);
    const Linear map{0.5, 10.25};
    const int left = 20;
    const int right = 700;
    std::vector<qint64> picked;
    m4Columns(t, left, right, map, picked);

    ASSERT_TRUE(std::is_sorted(picked.begin(), picked.end()));
    ASSERT_EQ(std::adjacent_find(picked.begin(), picked.end()), picked.end());
    // Brute force per visible column.
    struct Column {
        qint64 first = -1, last = -1;
        double low = INFINITY, high = -INFINITY;
    };
    std::map<qint64, Column> expected;
    qint64 lastBefore = -1;
    qint64 firstAfter = -1;
    for (qint64 c = 0; c < t.filledCount(); ++c) {
        const qint64 px = columnOf(t, c, map);
        if (px < left) {
            lastBefore = c;
        } else if (px >= right) {
            firstAfter = firstAfter < 0 ? c : firstAfter;
        } else {
            Column& col = expected[px];
            col.first = col.first < 0 ? c : col.first;
            col.last = c;
            col.low = std::min(col.low, t.y(c));
            col.high = std::max(col.high, t.y(c));
        }
    }
    ASSERT_GE(lastBefore, 0);
    ASSERT_GE(firstAfter, 0);
    EXPECT_EQ(picked.front(), lastBefore);
    EXPECT_EQ(picked.back(), firstAfter);

    std::map<qint64, std::vector<qint64>> got;
    for (qint64 c : picked) {
        const qint64 px = columnOf(t, c, map);
        if (px >= left && px < right) {
            got[px].push_back(c);
        }
    }
    ASSERT_EQ(got.size(), expected.size());
    for (const auto& [px, col] : expected) {
        const std::vector<qint64>& g = got[px];
        ASSERT_LE(g.size(), 4u);
        EXPECT_EQ(g.front(), col.first) << px;
        EXPECT_EQ(g.back(), col.last) << px;
        double low = INFINITY;
        double high = -INFINITY;
        for (qint64 c : g) {
            low = std::min(low, t.y(c));
            high = std::max(high, t.y(c));
        }
        EXPECT_EQ(low, col.low) << px;
        EXPECT_EQ(high, col.high) << px;
    }
}

TEST(M4Decimation, takenUpAfterGrowth_equalsFreshResult) {
    // A growing history at a fixed mapping, resumed after every append and after a rewrite
    // of the last column, must pick what a fresh pass picks.
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0, 1);
    const Linear map{0.05, 3.3};
    PointTable t;
    std::vector<qint64> resumed;
    std::vector<qint64> fresh;
    M4Resume resume;
    int takenUp = 0;
    for (int i = 0; i < 20000; ++i) {
        t.setLast(i * 0.3, noise(rng));
        if (i % 7 == 0) {
            m4Columns(t, 10, 300, map, resumed, &resume);
            t.setLast(i * 0.3 + 0.1, noise(rng) * 5);  // the last column changes its mind
        }
        t.addEmptyColumn();
        if (i % 3 == 0 || i > 19900) {
            const std::size_t kept = m4Columns(t, 10, 300, map, resumed, &resume);
            m4Columns(t, 10, 300, map, fresh);
            ASSERT_EQ(resumed, fresh) << i;
            ASSERT_LE(kept, fresh.size());
            takenUp += kept > 0;
        }
    }
    EXPECT_GT(takenUp, 5000);
    EXPECT_LT(resumed.size(), 4u * 290 + 2);  // the data runs past the right edge
}

TEST(M4Decimation, columnLimit_picksAsFromTheTableCutThere) {
    const PointTable t = randomTable(30000, 9);
    for (const qint64 limit : {qint64{0}, qint64{1}, qint64{12345}, qint64{30000}}) {
        PointTable cut;
        for (qint64 c = 0; c < limit; ++c) {
            cut.setLast(t.x(c), t.y(c));
            cut.addEmptyColumn();
        }
        for (const Linear map : {Linear{0.5, 10.25}, Linear{20, -4000}}) {
            std::vector<qint64> limited;
            std::vector<qint64> fromCut;
            m4Columns(t, 20, 700, map, limited, nullptr, limit);
            m4Columns(cut, 20, 700, map, fromCut);
            EXPECT_EQ(limited, fromCut) << limit;
        }
    }
}

TEST(M4Decimation, unorderedTable_givesEveryFilledColumn) {
    PointTable t;
    for (double x : {3.0, 1.0, 2.0}) {
        t.setLast(x, x);
        t.addEmptyColumn();
    }
    t.addEmptyColumn();  // a hole as well
    t.setLast(4, 4);
    std::vector<qint64> picked;
    m4Columns(t, 0, 10, Linear{1, 0}, picked);
    EXPECT_EQ(picked, (std::vector<qint64>{0, 1, 2, 4}));
}

TEST(M4Decimation, emptyTableOrNothingVisible_isHandled) {
    PointTable empty;
    std::vector<qint64> picked{1, 2};
    m4Columns(empty, 0, 100, Linear{1, 0}, picked);
    EXPECT_TRUE(picked.empty());

    PointTable t = randomTable(5000, 1);
    m4Columns(t, 0, 100, Linear{1, -1e6}, picked);  // all left of the view
    EXPECT_EQ(picked, std::vector<qint64>{t.filledCount() - 1});
    m4Columns(t, 0, 100, Linear{1, 1e6}, picked);  // all right of it
    EXPECT_EQ(picked, std::vector<qint64>{0});
}

}  // namespace
}  // namespace quorlin
