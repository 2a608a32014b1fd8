#include "chart/RowSpans.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>

namespace quorlin {
namespace {

using Pixels = std::set<std::pair<int, int>>;

// The rectangles cover exactly the runs' pixels within the row limits, each pixel once.
TEST(RowSpans, coverExactlyTheRunsPixels) {
    struct Case {
        const char* name;
        int columns;
        int gapEvery;  // a column without a run every so many (0: none)
        int runsPerColumn;
        int maxHeight;
        bool wander;  // each run's ends move a few rows from the last column's, as noise does
    };
    const Case cases[] = {
        {"tall noisy runs side by side", 300, 0, 1, 0, true},
        {"short runs with gaps", 300, 3, 1, 4, false},
        {"several runs in a column, overlapping or apart", 200, 7, 3, 40, false},
        {"single pixels", 100, 0, 1, 1, false},
    };
    std::mt19937 rng(5);
    for (const Case& c : cases) {
        std::vector<ColumnRun> runs;
        std::uniform_int_distribution<int> top(-50, 250);
        std::uniform_int_distribution<int> height(0, std::max(0, c.maxHeight - 1));
        std::uniform_int_distribution<int> step(-3, 3);
        ColumnRun walk{0, 20, 180};
        for (int x = 0; x < c.columns; ++x) {
            if (c.wander) {
                walk = ColumnRun{x, walk.top + step(rng), walk.bottom + step(rng)};
                runs.push_back(walk);
                continue;
            }
            if (c.gapEvery > 0 && x % c.gapEvery == 0) {
                continue;
            }
            for (int k = 0; k < c.runsPerColumn; ++k) {
                const int t = top(rng);
                runs.push_back(ColumnRun{x, t, t + height(rng)});
            }
        }
        std::shuffle(runs.begin(), runs.end(), rng);
        const int limitTop = 0;
        const int limitBottom = 199;
        Pixels expected;
        for (const ColumnRun& r : runs) {
            for (int y = std::max(r.top, limitTop); y <= std::min(r.bottom, limitBottom); ++y) {
                expected.insert({r.x, y});
            }
        }
        std::vector<QRect> rects;
        rowSpans(runs, limitTop, limitBottom, rects);
        Pixels covered;
        std::size_t count = 0;
        int rows = 0;  // lines the raster engine fills
        for (const QRect& rect : rects) {
            rows += rect.height();
            for (int x = rect.left(); x <= rect.right(); ++x) {
                for (int y = rect.top(); y <= rect.bottom(); ++y) {
                    covered.insert({x, y});
                    ++count;
                }
            }
        }
        EXPECT_EQ(covered, expected) << c.name;
        EXPECT_EQ(count, expected.size()) << c.name << ": a pixel filled twice";
        if (c.wander) {
            EXPECT_LT(rows * 20, static_cast<int>(expected.size()))
                << c.name << ": rows of neighbouring columns are not joined";
        }
    }
}

}  // namespace
}  // namespace quorlin
