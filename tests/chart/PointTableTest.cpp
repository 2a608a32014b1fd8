#include "chart/PointTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace quorlin {
namespace {

void fill(PointTable& t, const std::vector<double>& ys) {
    for (std::size_t i = 0; i < ys.size(); ++i) {
        t.setLast(static_cast<double>(i) / 100, ys[i]);  // as scan times are
        t.addEmptyColumn();
    }
}

std::vector<double> spikyValues(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> noise(-1, 1);
    std::uniform_int_distribution<int> spike(0, 199);
    std::vector<double> ys(n);
    for (auto& y : ys) {
        const int s = spike(rng);
        // Coarse steps give many equal values, so ties are exercised too.
        y = std::round(noise(rng) * 8) / 8 + (s == 0 ? 50 : (s == 1 ? -50 : 0));
    }
    return ys;
}

void expectExtremesMatchBruteForce(const PointTable& t, const std::vector<double>& ys,
                                   std::mt19937& rng, int queries) {
    const qint64 n = t.filledCount();
    std::uniform_int_distribution<qint64> pick(0, n - 1);
    std::vector<PointTable::Range> ranges;
    std::vector<PointTable::Extremes> single;
    for (int q = 0; q < queries; ++q) {
        qint64 a = pick(rng);
        qint64 b = pick(rng);
        if (q % 4 == 0) {
            b = std::min(n - 1, a + q % 40);  // short ranges: raw edges only
        }
        const qint64 first = std::min(a, b);
        const qint64 end = std::max(a, b) + 1;
        const auto lo = std::min_element(ys.begin() + first, ys.begin() + end);
        const auto hi = std::max_element(ys.begin() + first, ys.begin() + end);
        const PointTable::Extremes e = t.extremes(first, end);
        ASSERT_GE(e.lowest, first);
        ASSERT_LT(e.lowest, end);
        ASSERT_GE(e.highest, first);
        ASSERT_LT(e.highest, end);
        ASSERT_EQ(t.y(e.lowest), *lo) << first << ".." << end;
        ASSERT_EQ(t.y(e.highest), *hi) << first << ".." << end;
        ranges.push_back(PointTable::Range{first, end});
        single.push_back(e);
    }
    // All at once: the very columns one at a time gives.
    std::vector<PointTable::Extremes> batch;
    t.extremes(ranges, batch);
    ASSERT_EQ(batch.size(), single.size());
    for (std::size_t k = 0; k < batch.size(); ++k) {
        ASSERT_EQ(batch[k].lowest, single[k].lowest) << k;
        ASSERT_EQ(batch[k].highest, single[k].highest) << k;
    }
}

TEST(PointTableExtremes, randomRanges_matchBruteForceWhileGrowing) {
    std::mt19937 rng(42);
    PointTable t;
    std::vector<double> ys;
    const std::vector<double> all = spikyValues(70000, 7);
    // Check at sizes around block and chunk boundaries as well as odd ones.
    for (std::size_t size : {1u, 15u, 16u, 17u, 33u, 4095u, 4097u, 12345u, 65536u, 70000u}) {
        while (ys.size() < size) {
            ys.push_back(all[ys.size()]);
            t.setLast(static_cast<double>(ys.size()), ys.back());
            t.addEmptyColumn();
        }
        expectExtremesMatchBruteForce(t, ys, rng, 2000);
    }
}

TEST(PointTableExtremes, lastColumnRewritten_isSeenByQueries) {
    PointTable t;
    fill(t, std::vector<double>(31, 0.0));
    t.setLast(1, 5);  // column 31, not yet followed by another
    EXPECT_EQ(t.extremes(0, 32).highest, 31);
    t.setLast(1, -5);
    EXPECT_EQ(t.extremes(0, 32).lowest, 31);
    EXPECT_EQ(t.y(t.extremes(0, 32).highest), 0);
    EXPECT_EQ(t.filledCount(), 32);
}

TEST(PointTable, counts_followFilledAndEmptyColumns) {
    PointTable t;
    EXPECT_EQ(t.columnCount(), 1);
    EXPECT_EQ(t.filledCount(), 0);
    EXPECT_TRUE(std::isnan(t.x(0)));
    t.setLast(0.25, 1);
    t.setLast(0.5, 2);  // same column again
    EXPECT_EQ(t.filledCount(), 1);
    t.addEmptyColumn();
    EXPECT_EQ(t.columnCount(), 2);
    EXPECT_EQ(t.filledCount(), 1);
    EXPECT_EQ(t.x(0), 0.5);
    EXPECT_EQ(t.y(0), 2);
    // Growing past a storage chunk keeps every earlier value.
    for (int i = 0; i < 5000; ++i) {
        t.setLast(i + 1, -i);
        t.addEmptyColumn();
    }
    EXPECT_EQ(t.filledCount(), 5001);
    EXPECT_EQ(t.y(4097), -4096);
    EXPECT_TRUE(t.isOrdered());
}

TEST(PointTable, holesAndStepsBack_makeItUnordered) {
    PointTable equalTimes;
    fill(equalTimes, {1, 2});
    equalTimes.setLast(0.01, 3);  // same x as the column before: still ordered
    EXPECT_TRUE(equalTimes.isOrdered());

    PointTable back;
    fill(back, {1, 2, 3});
    back.setLast(0.0, 4);
    EXPECT_FALSE(back.isOrdered());
    back.setLast(0.5, 4);  // the last column may still be corrected
    EXPECT_TRUE(back.isOrdered());

    PointTable hole;
    fill(hole, {1, 2});
    hole.addEmptyColumn();
    hole.setLast(1.0, 3);
    EXPECT_FALSE(hole.isOrdered());
    EXPECT_EQ(hole.filledCount(), 3);
}

TEST(PointTable, copy_isIndependent) {
    PointTable t;
    fill(t, spikyValues(5000, 1));
    PointTable copy(t);
    t.setLast(100, 1e9);
    t.addEmptyColumn();
    EXPECT_EQ(copy.columnCount(), 5001);
    EXPECT_EQ(copy.y(copy.extremes(0, 5000).highest), t.y(t.extremes(0, 5000).highest));
    EXPECT_TRUE(std::isnan(copy.x(5000)));
}

TEST(PointTable, longHistory_staysUnderNineBytesPerColumn) {
    PointTable t;
    fill(t, spikyValues(300000, 3));
    const double perColumn = static_cast<double>(t.memoryBytes()) / t.columnCount();
    EXPECT_LT(perColumn, 9.0);
    EXPECT_GE(perColumn, 8.0);  // a float and a time are the floor: the count is not faked
}

TEST(PointTable, valuesAndTimes_comeBackAsFloatAndExactTimes) {
    struct Case {
        const char* name;
        double x;
        double y;
        bool floatValue;  // the value comes back rounded to float, else exactly
    };
    const double kMax = std::numeric_limits<double>::max();
    const Case cases[] = {
        {"hundredths", 62.34, 0.1, true},
        {"board resolution", 604800.01, 5 - 0.0006103515625, true},
        {"time of no hundredths", 50.125, -2.5e12, true},
        {"beyond a float", 1e6, 1e300, false},
        {"largest double", 1e6, -kMax, false},
        {"below a float's normal range", 57, 1e-39, false},
        {"time a year on", 31536000.5, 1.5, true},
    };
    for (const Case& c : cases) {
        PointTable t;
        fill(t, spikyValues(5000, 1));
        const double y4 = t.y(4);
        t.setLast(c.x, c.y);
        EXPECT_EQ(t.x(5000), c.x) << c.name;
        EXPECT_EQ(t.y(5000), c.floatValue ? static_cast<double>(static_cast<float>(c.y)) : c.y)
            << c.name;
        EXPECT_EQ(t.x(4), 0.04) << c.name;  // earlier columns unchanged
        EXPECT_EQ(t.y(4), y4) << c.name;
        t.addEmptyColumn();
        t.setLast(c.x + 1, 0);
        t.addEmptyColumn();
        EXPECT_TRUE(t.isOrdered()) << c.name;
        std::vector<double> ys;
        for (qint64 i = 0; i < 5002; ++i) {
            ys.push_back(t.y(i));
        }
        std::mt19937 rng(2);
        expectExtremesMatchBruteForce(t, ys, rng, 200);
    }
}

TEST(PointTable, widenedValues_keepExtremesAndOrder) {
    std::mt19937 rng(9);
    PointTable t;
    std::vector<double> ys = spikyValues(20000, 5);
    for (std::size_t i = 0; i < ys.size(); ++i) {
        if (i == 12345) {
            ys[i] = 1e300;  // after many blocks of floats
        }
        t.setLast(static_cast<double>(i) * 0.01, ys[i]);
        t.addEmptyColumn();
        ys[i] = t.y(static_cast<qint64>(i));
    }
    EXPECT_EQ(t.y(12345), 1e300);
    expectExtremesMatchBruteForce(t, ys, rng, 2000);
}

TEST(PointTable, sharedTimes_oneRowForAllTablesOfARun) {
    auto times = std::make_shared<ScanTimes>();
    std::vector<PointTable> tables;
    for (int k = 0; k < 8; ++k) {
        tables.emplace_back(times);
    }
    for (int scan = 0; scan < 100000; ++scan) {
        for (int k = 0; k < 8; ++k) {
            tables[k].setLast((scan * 3 + 1) / 100.0, k - std::sin(scan * 0.01));
        }
        for (PointTable& t : tables) {
            t.addEmptyColumn();
        }
    }
    EXPECT_EQ(times->size(), 100001);
    EXPECT_EQ(tables[7].x(99999), 2999.98);
    EXPECT_EQ(tables[7].filledCount(), 100000);
    EXPECT_TRUE(tables[3].isOrdered());
    std::size_t bytes = 0;
    for (const PointTable& t : tables) {
        bytes += t.memoryBytes();
    }
    EXPECT_LT(static_cast<double>(bytes) / 100000, 40.0);  // per scan of eight channels

    PointTable copy(tables[0]);  // a copy has its own row
    copy.setLast(1e6, 0);
    EXPECT_TRUE(std::isnan(tables[1].x(100000)));
}

}  // namespace
}  // namespace quorlin
