#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "dynamics/corners.h"
#include "dynamics/lap_alignment.h"
#include "dynamics/lap_path.h"
#include "dynamics/time_diff.h"
#include "planted_laps.h"

namespace qv {
namespace {

// A lap driven due east from (35, 139) at 20 m/s, one sample a second.
TLapDtRec EastboundLap(int seconds) {
    const LocalFrame f = FrameAt(35, 139);
    TLapDtRec lap;
    for (int i = 0; i <= seconds; ++i) {
        TLapElmRec e;
        e.Sec = i;
        e.DtTm = 45000 + i / 86400.0;
        e.Ido = 35.0L;
        e.Kdo = f.Lon(20.0 * i);
        e.Spd = 72;
        e.Dist = 0.02L * i;
        lap.Elm.push_back(e);
    }
    lap.LapDist = lap.Elm.back().Dist;
    return lap;
}

TEST(ProjectOntoPath, NearestPointAlongThePathNeverGoingBack) {
    const TLapDtRec ref = EastboundLap(50);  // 1 km
    const LocalFrame f = FrameAt(35, 139);
    const struct {
        double eastM, northM;
        double wantM;
    } points[] = {
        {-5, 0, 0},                           // before the start: its start
        {100, 2, 100},                        // 2 m to the left
        {250.5, -3, 250.5},                   // to the right, between samples
        {240, 0, 250.5},                      // behind the previous point: stays there
        {999, 0, 999},      {1200, 0, 1000},  // beyond the end: its end
    };
    std::vector<LatLonPoint> pts;
    for (const auto& p : points)
        pts.push_back({f.Lat(p.northM), f.Lon(p.eastM)});
    const std::vector<Float80> km = ProjectOntoPath(ref, pts);
    ASSERT_EQ(km.size(), pts.size());
    for (size_t k = 0; k < km.size(); ++k)
        EXPECT_NEAR(static_cast<double>(km[k]) * 1000, points[k].wantM, 0.01) << k;
    EXPECT_TRUE(ProjectOntoPath(TLapDtRec{}, pts).empty());
}

TEST(TimeBehind, ByPositionOfALapOffsetSidewaysIsItsTimeShift) {
    // The same driving 2 m to the side and 0.4 s later, its distance
    // summed over a longer path: by position it is 0.4 s behind everywhere.
    const TLapDtRec ref = EastboundLap(50);
    TLapDtRec side = ref;
    const LocalFrame f = FrameAt(35, 139);
    for (size_t i = 0; i < side.Elm.size(); ++i) {
        side.Elm[i].Ido = f.Lat(2);
        side.Elm[i].Sec = Float80(side.Elm[i].Sec) + 0.4L;
        side.Elm[i].Dist = Float80(side.Elm[i].Dist) * 1.01L;
    }
    side.LapDist = side.Elm.back().Dist;
    const std::vector<Float80> behind =
        TimeBehind(ref, side, MappedDistances(ref, side, {}, {}, 0, AlignMode::kByPosition));
    ASSERT_EQ(behind.size(), ref.Elm.size());
    for (size_t i = 1; i + 1 < behind.size(); ++i)
        EXPECT_NEAR(static_cast<double>(behind[i]), 0.4, 1e-6) << i;
}

// The third flying lap runs 2 m wide through T2 and is the same lap as the
// second everywhere else. After T2 the true time difference stays as T2
// left it; aligned by distance it drifts with the extra metres of the wide
// line, by position it does not.
TEST(CalcTimeDiff, ByPositionKeepsTheDifferenceAfterAWideLineSteady) {
    std::vector<synth::CornerPlan> wide(7);
    wide[test::kLeftAfter].lineM = -2;
    test::PlantedLaps laps(test::PlannedSession({{}, {}, wide, {}}, 10), {1, 2});
    const std::vector<TLapDtRec>& slots = laps.slots();
    ASSERT_EQ(slots.size(), 2u);
    const std::vector<Corner> corners = FindCorners(slots[0]);
    ASSERT_GE(corners.size(), 8u);
    const double fromM = corners[2].entryM, toM = corners[7].exitM;
    const struct {
        AlignMode mode;
        double minDriftS, maxDriftS;
    } cases[] = {
        {AlignMode::kByDistance, 0.015, 1},
        {AlignMode::kByPosition, 0, 0.006},
    };
    for (const auto& c : cases) {
        AlignState state;
        state.diffMode = c.mode;
        CalcTimeDiff(slots, laps.results(), laps.gates(), state);
        ASSERT_EQ(state.DiffArr.size(), slots[0].Elm.size());
        double lo = 1e9, hi = -1e9;
        for (size_t i = 0; i < slots[0].Elm.size(); ++i) {
            const double m = static_cast<double>(Float80(slots[0].Elm[i].Dist)) * 1000;
            if (m < fromM || m > toM)
                continue;
            lo = std::min(lo, static_cast<double>(state.DiffArr[i]));
            hi = std::max(hi, static_cast<double>(state.DiffArr[i]));
        }
        EXPECT_GE(hi - lo, c.minDriftS) << static_cast<int>(c.mode);
        EXPECT_LE(hi - lo, c.maxDriftS) << static_cast<int>(c.mode);
        // The line gains time in T2 whichever way it is measured.
        EXPECT_LT(static_cast<double>(state.DiffArr.back()), -0.1);
    }
}

}  // namespace
}  // namespace qv
