#include "chart/ZoomLimits.h"

#include <gtest/gtest.h>

namespace quorlin {
namespace {

TEST(ZoomLimits, zoomKeepsTheCentreAndStopsAtTheLimits) {
    struct Case {
        AxisSpan now;
        double centre;
        double factor;
        AxisSpan reference;
        AxisSpan expected;
    };
    const Case cases[] = {
        {{0, 10}, 2.5, 0.5, {0, 20}, {1.25, 6.25}},          // inside the limits: as asked
        {{0, 10}, 5, 2, {0, 20}, {-5, 15}},                  //
        {{0, 60}, 30, 2, {0, 20}, {-10, 70}},                // out: four times the reference
        {{0, 100}, 50, 2, {0, 20}, {0, 100}},                // already wider: left as it is
        {{0, 10}, 0, 100, {3, 3}, {0, 12}},                  // one point: its magnitude
        {{0, 10}, 5, 1e-30, {0, 20}, {5 - 1e-8, 5 + 1e-8}},  // in: a billionth of it
        {{6.77, 6.78}, 6.775, 1e-30, {0, 1e-3}, {6.775 - 3.39e-10, 6.775 + 3.39e-10}},
        {{6.775, 6.775 + 1e-10}, 6.775, 0.5, {0, 1e-3}, {6.775, 6.775 + 1e-10}},  // at the limit
        {{0, 10}, 5, 0, {0, 20}, {0, 10}},  // no factor: nothing
    };
    for (const Case& c : cases) {
        const AxisSpan got = zoomedSpan(c.now, c.centre, c.factor, c.reference);
        EXPECT_NEAR(got.lower, c.expected.lower, 1e-12) << c.now.lower << ".." << c.now.upper;
        EXPECT_NEAR(got.upper, c.expected.upper, 1e-12) << c.now.lower << ".." << c.now.upper;
    }
}

}  // namespace
}  // namespace quorlin
