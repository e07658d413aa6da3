#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dynamics/corners.h"
#include "dynamics/lap_path.h"
#include "planted_laps.h"

namespace qv {
namespace {

using test::PlantedLaps;

double MetresApart(double lat0, double lon0, double lat1, double lon1) {
    const LocalFrame f = FrameAt(lat0, lon0);
    return std::hypot(f.X(lon1), f.Y(lat1));
}

// The second of three flying laps driven at the limit on the centre line.
TLapDtRec DemoLap(double rateHz, double noiseM, uint32_t seed = 7) {
    PlantedLaps laps(test::PlannedSession({{}, {}, {}}, rateHz, noiseM, seed), {1});
    return laps.slots().at(0);
}

TEST(Corners, DemoCircuitWithItsChicaneAsTwoCornersAndItsKinkTunable) {
    const TLapDtRec lap = DemoLap(10, 0);
    const struct {
        double minTurnDeg;
        std::vector<double> turns;  // degrees, positive to the left
    } cases[] = {
        {30, {-90, 45, -135, -40, 35, 40, -40, -150}},
        // The 25-degree kink before the back straight.
        {20, {-90, 45, -135, -40, 35, 40, -40, -25, -150}},
        {100, {-135, -150}},
    };
    for (const auto& c : cases) {
        CornerOptions o;
        o.minTurnDeg = c.minTurnDeg;
        const std::vector<Corner> corners = FindCorners(lap, o);
        ASSERT_EQ(corners.size(), c.turns.size()) << c.minTurnDeg;
        for (size_t k = 0; k < corners.size(); ++k) {
            EXPECT_EQ(corners[k].number, static_cast<int>(k) + 1);
            EXPECT_NEAR(corners[k].turnDeg, c.turns[k], 6) << c.minTurnDeg << " T" << k + 1;
            EXPECT_EQ(corners[k].direction,
                      c.turns[k] > 0 ? TurnDirection::kLeft : TurnDirection::kRight);
            if (k > 0) {
                EXPECT_GT(corners[k].entryM, corners[k - 1].exitM);
            }
        }
    }
}

// The clean lap's corners that turn well beyond the limit are found again,
// in place, on a lap of the same driving logged with 2 m of scatter, and
// every corner is found on it by position.
class CornersUnderNoise : public ::testing::TestWithParam<double> {};

TEST_P(CornersUnderNoise, AreFoundAgainInPlace) {
    const double rate = GetParam();
    const std::vector<Corner> clean = FindCorners(DemoLap(rate, 0));
    ASSERT_EQ(clean.size(), 8u);
    for (uint32_t seed : {3u, 4u}) {
        const TLapDtRec noisy = DemoLap(rate, 2, seed);
        const std::vector<Corner> found = FindCorners(noisy);
        for (const Corner& c : clean) {
            if (std::abs(c.turnDeg) < 45)
                continue;
            int matches = 0;
            for (const Corner& f : found) {
                if (MetresApart(c.apexLat, c.apexLon, f.apexLat, f.apexLon) < 20 &&
                    f.direction == c.direction)
                    ++matches;
            }
            EXPECT_EQ(matches, 1) << rate << " Hz, seed " << seed << ", T" << c.number;
        }
        const std::vector<Corner> matched = MatchCorners(clean, noisy);
        ASSERT_EQ(matched.size(), clean.size()) << rate << " Hz, seed " << seed;
        for (size_t k = 0; k < clean.size(); ++k) {
            EXPECT_EQ(matched[k].number, clean[k].number);
            EXPECT_LT(MetresApart(clean[k].entryLat, clean[k].entryLon, matched[k].entryLat,
                                  matched[k].entryLon),
                      6)
                << rate << " Hz, seed " << seed << ", T" << clean[k].number;
            EXPECT_LT(MetresApart(clean[k].apexLat, clean[k].apexLon, matched[k].apexLat,
                                  matched[k].apexLon),
                      15)
                << rate << " Hz, seed " << seed << ", T" << clean[k].number;
            // A sweeper has no clear slowest point; a corner braked into has.
            if (std::abs(clean[k].turnDeg) >= 45) {
                EXPECT_NEAR(matched[k].apexKmh, clean[k].apexKmh, 1) << "T" << clean[k].number;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, CornersUnderNoise, ::testing::Values(5.0, 10.0, 20.0, 25.0));

TEST(Corners, MatchedOnALapThatEndsEarlyKeepsOnlyTheCornersItReached) {
    const TLapDtRec lap = DemoLap(10, 0);
    const std::vector<Corner> corners = FindCorners(lap);
    ASSERT_EQ(corners.size(), 8u);
    TLapDtRec cut = lap;
    // Cut after the third corner's exit.
    while (!cut.Elm.empty() &&
           static_cast<double>(Float80(cut.Elm.back().Dist)) * 1000 > corners[2].exitM + 50)
        cut.Elm.pop_back();
    const std::vector<Corner> matched = MatchCorners(corners, cut);
    ASSERT_EQ(matched.size(), 3u);
    for (size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(matched[k].apexM, corners[k].apexM, 1);
}

TEST(Corners, TooShortOrStandingLapsHaveNone) {
    TLapDtRec standing;
    for (int i = 0; i < 50; ++i) {
        TLapElmRec e;
        e.Sec = i * 0.1L;
        e.DtTm = 45000 + i * 0.1 / 86400;
        e.Ido = 35.0L;
        e.Kdo = 139.0L;
        standing.Elm.push_back(e);
    }
    TLapDtRec two = standing;
    two.Elm.resize(2);
    const TLapDtRec demoLap = DemoLap(10, 0);
    const std::vector<Corner> demo = FindCorners(demoLap);
    // A damaged file: the clock jumps by years halfway through the lap.
    TLapDtRec jump = demoLap;
    for (size_t i = jump.Elm.size() / 2; i < jump.Elm.size(); ++i)
        jump.Elm[i].Sec = Float80(jump.Elm[i].Sec) + 1e9L;
    const struct {
        const char* name;
        TLapDtRec lap;
    } cases[] = {{"empty", {}}, {"two samples", two}, {"standing", standing}};
    EXPECT_TRUE(FindCorners(jump).empty());
    for (const auto& c : cases) {
        EXPECT_TRUE(FindCorners(c.lap).empty()) << c.name;
        EXPECT_TRUE(MatchCorners(demo, c.lap).empty()) << c.name;
    }
}

}  // namespace
}  // namespace qv
