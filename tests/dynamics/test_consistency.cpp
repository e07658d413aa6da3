#include "dynamics/consistency.h"

#include <gtest/gtest.h>

#include <vector>

namespace qv {
namespace {

TEST(Consistency, FlyingLapsAreThoseWithinTheRuleOfTheBest) {
    struct Case {
        const char* name;
        std::vector<double> times;
        int laps, flying;
        double best, mean, stdDev, bestFive;
        int bestFiveCount;
    };
    const Case cases[] = {
        // The out-lap (95 s) and the in-lap (80 s) lie beyond 107 % of 59 s.
        {"session", {95, 60, 61, 62, 63, 59, 80}, 7, 5, 59, 61, 1.5811388, 61, 5},
        {"seven flying", {60, 61, 62, 63, 64, 60.5, 61.5}, 7, 7, 60, 61.714286, 1.4099983, 61, 5},
        {"one lap", {70}, 1, 1, 70, 70, 0, 70, 1},
        {"at the limit", {100, 107}, 2, 2, 100, 103.5, 4.9497475, 103.5, 2},
        {"no time is no lap", {0, -3, 50, 52}, 2, 2, 50, 51, 1.4142136, 51, 2},
        {"empty", {}, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Consistency k = ComputeConsistency(c.times);
        EXPECT_EQ(k.laps, c.laps);
        EXPECT_EQ(k.flyingLaps, c.flying);
        EXPECT_DOUBLE_EQ(k.bestSeconds, c.best);
        EXPECT_NEAR(k.meanSeconds, c.mean, 1e-6);
        EXPECT_NEAR(k.stdDevSeconds, c.stdDev, 1e-6);
        EXPECT_NEAR(k.bestFiveSeconds, c.bestFive, 1e-9);
        EXPECT_EQ(k.bestFiveCount, c.bestFiveCount);
    }
}

}  // namespace
}  // namespace qv
