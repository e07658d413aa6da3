#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dynamics/alignment.h"
#include "dynamics/cursor_samples.h"
#include "dynamics/slot_commands.h"
#include "dynamics/time_diff.h"

namespace qv {
namespace {

constexpr double kTol = 1e-9;

double D(Float80 v) {
    return static_cast<double>(v);
}

struct Pt {
    Float80 sec;
    Float80 dist;
};

// A lap with the given times and distances; G and drift records exist for
// every sample and are zero. LapTim and LapDist come from the last sample.
TLapDtRec MakeLap(const std::string& name, const std::vector<Pt>& pts) {
    TLapDtRec lap;
    lap.DtName = name;
    for (const Pt& p : pts) {
        TLapElmRec e;
        e.Sec = p.sec;
        e.Tm = static_cast<double>(p.sec / 86400);
        e.Dist = p.dist;
        lap.Elm.push_back(e);
    }
    lap.ElmNum = static_cast<int32_t>(lap.Elm.size());
    lap.GElm.resize(lap.Elm.size());
    lap.DElm.resize(lap.Elm.size());
    if (!pts.empty()) {
        lap.LapTim = static_cast<double>(pts.back().sec / 86400);
        lap.LapDist = pts.back().dist;
    }
    return lap;
}

// Constant speed: one sample per second, `kmPerSec` apart, from the last
// point (or from the origin).
void AppendSteady(std::vector<Pt>& pts, int steps, Float80 kmPerSec) {
    if (pts.empty())
        pts.push_back({0, 0});
    const Pt start = pts.back();
    for (int i = 1; i <= steps; ++i)
        pts.push_back({start.sec + i, start.dist + i * kmPerSec});
}

// Reference: 1/16 km per second over two 1 km sectors (gate at 16 s).
// Comparison: 18 s for the first sector, then the same pace as the
// reference, so it loses exactly 2.0 s in sector 1 only.
struct TwoSectorLaps {
    std::vector<TLapDtRec> slots;
    SlotSectResults results{};

    TwoSectorLaps() {
        std::vector<Pt> a;
        AppendSteady(a, 32, 1.0L / 16);
        std::vector<Pt> b;
        AppendSteady(b, 18, 1.0L / 18);
        AppendSteady(b, 16, 1.0L / 16);
        slots = {MakeLap("0000", a), MakeLap("0001", b)};
        for (int k = 0; k < 2; ++k) {
            results[k].SectPassDist[0] = 1.0L;
            results[k].SectLen[0] = 1.0L;
            results[k].SectLen[1] = 1.0L;
        }
        results[0].SectPassTim[0] = 16;
        results[1].SectPassTim[0] = 18;
    }
};

TEST(TimeDiffTest, LossInFirstSectorOnlyShowsAsGrowingThenConstantGap) {
    TwoSectorLaps laps;
    AlignState state;
    CalcTimeOffsets(laps.slots, laps.results, state);
    CalcTimeDiff(laps.slots, laps.results, 1, state);

    ASSERT_EQ(state.DiffArr.size(), 33u);
    // At reference distance i/16 km the comparison lap is at 18/16 * i s.
    for (int i = 0; i <= 16; ++i)
        EXPECT_NEAR(D(state.DiffArr[i]), 0.125 * i, kTol) << i;
    for (int i = 17; i <= 32; ++i)
        EXPECT_NEAR(D(state.DiffArr[i]), 2.0, kTol) << i;
    EXPECT_NEAR(D(state.DiffMin), 0.125, kTol);
    EXPECT_NEAR(D(state.DiffMax), 2.0, kTol);
    EXPECT_NEAR(D(state.MaxAlignedTim), 34.0, 1e-3);

    SampleAllSlots(laps.slots, 8.5L, state);  // between reference samples 8 and 9
    EXPECT_NEAR(D(state.DiffCur), 0.125 * 8.5, kTol);
    SampleAllSlots(laps.slots, 100, state);  // past the lap: the last entry
    EXPECT_NEAR(D(state.DiffCur), 2.0, kTol);
}

TEST(TimeDiffTest, AlignedAtGateOneTheGapVanishesAfterTheGate) {
    TwoSectorLaps laps;
    AlignState state;
    state.AlignGate = 1;
    CalcTimeOffsets(laps.slots, laps.results, state);
    EXPECT_NEAR(D(state.SlotTimOfs[0]), 0.0, kTol);
    EXPECT_NEAR(D(state.SlotTimOfs[1]), 2.0, kTol);
    // Shifted by 2 s the comparison lap ends at 32 s, with the reference.
    EXPECT_NEAR(D(state.MaxAlignedTim), 32.0, 1e-3);

    CalcTimeDiff(laps.slots, laps.results, 1, state);
    EXPECT_NEAR(D(state.DiffArr[0]), -2.0, kTol);
    for (int i = 1; i <= 16; ++i)
        EXPECT_NEAR(D(state.DiffArr[i]), 0.125 * i - 2.0, kTol) << i;
    for (int i = 17; i <= 32; ++i)
        EXPECT_NEAR(D(state.DiffArr[i]), 0.0, kTol) << i;
}

TEST(TimeDiffTest, ShorterComparisonLapEndsInTheFinalTimeDifference) {
    // Both at 1/8 km per second; the comparison lap stops after 4 s. Scaled
    // to the reference length it appears at half the pace until its mapped
    // distance runs out at 0.75 km (its second-last sample).
    std::vector<Pt> a;
    AppendSteady(a, 8, 0.125L);
    std::vector<Pt> b;
    AppendSteady(b, 4, 0.125L);
    const std::vector<TLapDtRec> slots = {MakeLap("0000", a), MakeLap("0001", b)};
    AlignState state;
    CalcTimeDiff(slots, SlotSectResults{}, 0, state);
    ASSERT_EQ(state.DiffArr.size(), 9u);
    for (int i = 0; i <= 6; ++i)
        EXPECT_NEAR(D(state.DiffArr[i]), -0.5 * i, kTol) << i;
    // 4 s of the comparison lap against 8 s of the reference.
    EXPECT_NEAR(D(state.DiffArr[7]), -4.0, kTol);
    EXPECT_NEAR(D(state.DiffArr[8]), -4.0, kTol);
    EXPECT_NEAR(D(state.DiffMin), -4.0, kTol);
    EXPECT_NEAR(D(state.DiffMax), -0.5, kTol);
}

// Same pace, same length, but the comparison lap reaches the gate at
// 0.75 km instead of 1 km.
struct ShiftedGateLaps {
    std::vector<TLapDtRec> slots;
    SlotSectResults results{};
    ShiftedGateLaps() {
        std::vector<Pt> a;
        AppendSteady(a, 16, 0.125L);
        slots = {MakeLap("0000", a), MakeLap("0001", a)};
        results[0].SectPassDist[0] = 1.0L;
        results[0].SectLen = {1.0L, 1.0L};
        results[1].SectPassDist[0] = 0.75L;
        results[1].SectLen = {0.75L, 1.25L};
    }
};

TEST(TimeDiffTest, SectorsAreMatchedOneByOne) {
    ShiftedGateLaps laps;
    AlignState state;
    CalcTimeDiff(laps.slots, laps.results, 1, state);
    // Sector 1: the comparison lap covers 0.75 x km by reference distance x,
    // taking 6x s against 8x s. Sector 2: 6 + 10 (x - 1) s against 8x s.
    for (int i = 1; i <= 16; ++i) {
        const double x = 0.125 * i;
        const double want = x <= 1.0 ? -2.0 * x : 2.0 * x - 4.0;
        EXPECT_NEAR(D(state.DiffArr[i]), want, kTol) << i;
    }
}

TEST(TimeDiffTest, ZeroLengthSectorFallsBackToWholeLapScaling) {
    for (int slot = 0; slot < 2; ++slot) {
        ShiftedGateLaps laps;
        laps.results[slot].SectLen[1] = 0;
        AlignState state;
        CalcTimeDiff(laps.slots, laps.results, 1, state);
        ASSERT_EQ(state.DiffArr.size(), 17u);
        // Equal lengths, equal pace: no difference anywhere.
        for (int i = 0; i <= 16; ++i)
            EXPECT_NEAR(D(state.DiffArr[i]), 0.0, kTol) << "slot " << slot << " i " << i;
    }
}

TEST(TimeDiffTest, DegenerateLapsStayFinite) {
    const std::vector<std::vector<Pt>> shapes = {
        {{0, 0}},
        {{0, 0}, {1, 0}},
        {{0, 0}, {0, 0}, {0, 0}},                   // zero time steps, no distance
        {{0, 0}, {1, 0.1L}, {1, 0.1L}, {2, 0.2L}},  // a repeated sample
    };
    for (const auto& sa : shapes) {
        for (const auto& sb : shapes) {
            const std::vector<TLapDtRec> slots = {MakeLap("0000", sa), MakeLap("0001", sb)};
            AlignState state;
            CalcTimeDiff(slots, SlotSectResults{}, 0, state);
            ASSERT_EQ(state.DiffArr.size(), sa.size());
            for (Float80 v : state.DiffArr)
                EXPECT_TRUE(std::isfinite(D(v)));
            SampleAllSlots(slots, 0.5L, state);
            EXPECT_TRUE(std::isfinite(D(state.DiffCur)));
            EXPECT_TRUE(std::isfinite(D(state.cursor[1].CsSpdD)));
        }
    }
}

// Six samples, one second apart, with identifiable values: Spd 10 i, Dir
// crossing north-south zero between samples 2 and 3, and G records carrying
// their own index.
TLapDtRec MarkedLap() {
    std::vector<Pt> pts;
    AppendSteady(pts, 5, 0.1L);
    TLapDtRec lap = MakeLap("0007", pts);
    const Float80 dirs[] = {330, 340, 350, 10, 20, 30};
    for (int i = 0; i < 6; ++i) {
        lap.Elm[i].Spd = 10 * i;
        lap.Elm[i].Ido = 35 + 0.001L * i;
        lap.Elm[i].Kdo = 139 - 0.002L * i;
        lap.Elm[i].Dir = dirs[i];
        lap.DElm[i].GpsDir = 180 + i;
        lap.DElm[i].DAngle = -2.0L * i;
        // The end records are never read: a sentinel there shows up if they are.
        const Float80 g = (i == 0 || i == 5) ? 999 : Float80(i);
        lap.GElm[i].lateG = g;
        lap.GElm[i].logiG = -g;
        lap.GElm[i].r2 = 100 * g;
        lap.GElm[i].lateG3 = 2 * g;
        lap.GElm[i].logiG3 = 3 * g;
        lap.GElm[i].r2_3 = 50 * g;
    }
    return lap;
}

TEST(SampleAtTimeTest, InterpolatesBetweenSamplesWithTheOffset) {
    const TLapDtRec lap = MarkedLap();
    CurSmp s;
    SampleAtTime(lap, s, 1.0L, 1.5L);    // lap time 2.5 s
    EXPECT_NEAR(D(s.CsTim), 1.0, kTol);  // the play time, not the lap time
    EXPECT_NEAR(D(s.CsSpd), 25.0, kTol);
    EXPECT_NEAR(D(s.CsDist), 0.25, kTol);
    EXPECT_NEAR(D(s.CsIdo), 35.0025, kTol);
    EXPECT_NEAR(D(s.CsKdo), 138.995, kTol);
    EXPECT_NEAR(D(s.CsDir), 0.0, kTol);  // halfway from 350 to 10 over north-south zero
    EXPECT_NEAR(D(s.CsGpsDir), 182.5, kTol);
    EXPECT_NEAR(D(s.CsDAngle), -5.0, kTol);
    EXPECT_NEAR(D(s.CsLateG), 2.5, kTol);
    EXPECT_NEAR(D(s.CsLogiG), -2.5, kTol);
    EXPECT_NEAR(D(s.CsR2), 250.0, kTol);
    EXPECT_NEAR(D(s.CsLateG3), 5.0, kTol);
    EXPECT_NEAR(D(s.CsLogiG3), 7.5, kTol);
    EXPECT_NEAR(D(s.CsR23), 125.0, kTol);
}

TEST(SampleAtTimeTest, ClampsToTheLapEndsAndNeverReadsEndGRecords) {
    const TLapDtRec lap = MarkedLap();
    CurSmp s;
    SampleAtTime(lap, s, 7.0L, 0);
    EXPECT_NEAR(D(s.CsTim), 5.0, kTol);
    EXPECT_NEAR(D(s.CsSpd), 50.0, kTol);
    EXPECT_NEAR(D(s.CsLateG), 4.0, kTol);

    SampleAtTime(lap, s, 1.0L, -3.0L);  // shifted before the start
    EXPECT_NEAR(D(s.CsTim), 0.0, kTol);
    EXPECT_NEAR(D(s.CsSpd), 0.0, kTol);
    EXPECT_NEAR(D(s.CsDist), 0.0, kTol);
    EXPECT_NEAR(D(s.CsLateG), 1.0, kTol);

    struct Case {
        Float80 t;
        double lateG;
    };
    // On sample 0 and up to sample 1 the first inner record; past the
    // second-last sample the last inner record.
    for (const Case c : {Case{0, 1}, Case{0.5L, 1}, Case{1, 1}, Case{2, 2}, Case{3, 3}, Case{4, 4},
                         Case{4.5L, 4}, Case{5, 4}}) {
        SampleAtTime(lap, s, c.t, 0);
        EXPECT_NEAR(D(s.CsLateG), c.lateG, kTol) << D(c.t);
        EXPECT_NEAR(D(s.CsTim), D(c.t), kTol);
    }
}

TEST(SampleAtTimeTest, ShortLapsGiveZeroGAndStayInBounds) {
    for (int n = 0; n <= 3; ++n) {
        std::vector<Pt> pts;
        if (n > 0)
            AppendSteady(pts, n - 1, 0.1L);
        TLapDtRec lap = MakeLap("0001", pts);
        for (int i = 0; i < n; ++i) {
            lap.Elm[i].Spd = 20 + i;
            lap.GElm[i].lateG = 7 + i;
        }
        for (const Float80 t : {-1.0L, 0.0L, 0.5L, 1.0L, 1.5L, 2.0L, 9.0L}) {
            CurSmp s;
            s.CsLateG = 123;
            SampleAtTime(lap, s, t, 0);
            // Three samples have one inner record, GElm[1].
            EXPECT_EQ(D(s.CsLateG), n == 3 ? 8.0 : 0.0) << "n " << n << " t " << D(t);
            if (n > 0) {
                EXPECT_GE(D(s.CsSpd), 20.0);
                EXPECT_LE(D(s.CsSpd), 20.0 + n - 1);
            }
        }
    }
}

TEST(SampleAtRefDistTest, ComparisonLapIsReadAtTheReferenceDistance) {
    // Reference at 0.1 km/s; comparison samples every 0.2 km with speed
    // 100 + 100 * Dist and lateG = 10 * Dist on its inner records.
    std::vector<Pt> a;
    AppendSteady(a, 10, 0.1L);
    std::vector<Pt> b;
    AppendSteady(b, 5, 0.2L);
    std::vector<TLapDtRec> slots = {MakeLap("0000", a), MakeLap("0001", b)};
    for (int i = 0; i < 6; ++i) {
        const Float80 dist = slots[1].Elm[i].Dist;
        slots[1].Elm[i].Spd = 100 + 100 * dist;
        slots[1].GElm[i].lateG = (i == 0 || i == 5) ? 999 : 10 * dist;
    }
    AlignState state;
    state.SlotDistOfs[1] = 0.1L;
    SampleSlotAtTime(slots, 0, 3.0L, state);  // the reference at 0.3 km
    SampleAtRefDist(slots, state);
    EXPECT_NEAR(D(state.cursor[0].CsSpdD), D(state.cursor[0].CsSpd), kTol);
    // Shifted by 0.1 km the comparison lap is read at its own 0.4 km.
    EXPECT_NEAR(D(state.cursor[1].CsSpdD), 140.0, kTol);
    EXPECT_NEAR(D(state.cursor[1].CsLateGD), 4.0, kTol);

    SampleSlotAtTime(slots, 0, 0.5L, state);  // 0.05 km: before the first inner sample
    SampleAtRefDist(slots, state);
    EXPECT_NEAR(D(state.cursor[1].CsSpdD), 115.0, kTol);
    EXPECT_NEAR(D(state.cursor[1].CsLateGD), 2.0, kTol);

    SampleSlotAtTime(slots, 0, 10.0L, state);  // 1.0 km: past the comparison lap's end
    SampleAtRefDist(slots, state);
    EXPECT_NEAR(D(state.cursor[1].CsSpdD), 200.0, kTol);
    EXPECT_NEAR(D(state.cursor[1].CsLateGD), 8.0, kTol);
}

TEST(DistanceOffsetTest, OffsetsNeedEveryLapThroughEveryGate) {
    std::vector<Pt> a;
    AppendSteady(a, 10, 0.1L);
    const std::vector<TLapDtRec> slots = {MakeLap("0000", a), MakeLap("0001", a),
                                          MakeLap("0002", a)};
    SlotSectResults results{};
    const Float80 pass[3][2] = {{0.3L, 0.7L}, {0.35L, 0.72L}, {0.28L, 0.69L}};
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 2; ++j)
            results[k].SectPassDist[j] = pass[k][j];

    AlignState state;
    state.AlignGate = 2;
    CalDistOfs(slots, results, 2, state);
    EXPECT_EQ(state.AlignGate, 2);
    EXPECT_NEAR(D(state.SlotDistOfs[0]), 0.0, kTol);
    EXPECT_NEAR(D(state.SlotDistOfs[1]), 0.02, kTol);
    EXPECT_NEAR(D(state.SlotDistOfs[2]), -0.01, kTol);

    results[2].SectPassDist[1] = 0;  // slot C never reached gate 2
    CalDistOfs(slots, results, 2, state);
    EXPECT_EQ(state.AlignGate, 0);
    for (Float80 o : state.SlotDistOfs)
        EXPECT_EQ(D(o), 0.0);
}

TEST(TimeOffsetTest, LapMissingTheGateGetsTheNegatedReferenceSplit) {
    std::vector<Pt> a;
    AppendSteady(a, 60, 0.01L);
    std::vector<Pt> b;
    AppendSteady(b, 70, 0.01L);
    const std::vector<TLapDtRec> slots = {MakeLap("0000", a), MakeLap("0001", b),
                                          MakeLap("0002", a)};
    SlotSectResults results{};
    results[0].SectPassTim[0] = 20;
    results[1].SectPassTim[0] = 23.5L;
    AlignState state;
    state.AlignGate = 1;
    CalcTimeOffsets(slots, results, state);
    EXPECT_NEAR(D(state.SlotTimOfs[1]), 3.5, kTol);
    EXPECT_NEAR(D(state.SlotTimOfs[2]), -20.0, kTol);
    // Slot C, 60 s long and shifted 20 s later, ends last at 80 s.
    EXPECT_NEAR(D(state.MaxAlignedTim), 80.0, 1e-3);
}

TEST(TimeOffsetTest, RefreshDropsTheGateBeforeShiftingWhenALapMissesIt) {
    TwoSectorLaps laps;
    laps.results[1].SectPassDist[0] = 0;
    laps.results[1].SectPassTim[0] = 0;
    laps.results[1].SectLen = {};
    AlignState state;
    state.AlignGate = 1;
    RefreshAlignment(laps.slots, laps.results, 1, 0, state);
    EXPECT_EQ(state.AlignGate, 0);
    EXPECT_EQ(D(state.SlotTimOfs[1]), 0.0);
    EXPECT_NEAR(D(state.DiffArr.back()), 2.0, kTol);
}

TEST(AlignButtonTest, BothCarsCrossTheGateAtTheSamePlayTime) {
    TwoSectorLaps laps;
    AlignState state;
    const AlignGateStep step = SpeedButtonDistOfsClick(laps.slots, laps.results, 1, false, state);
    ASSERT_TRUE(step.done);
    EXPECT_EQ(state.AlignGate, 1);
    ASSERT_TRUE(step.playTimeJumped);
    EXPECT_NEAR(D(step.playTime), 16.0, kTol);
    EXPECT_NEAR(D(state.cursor[0].CsDist), 1.0, kTol);
    EXPECT_NEAR(D(state.cursor[1].CsDist), 1.0, kTol);
    EXPECT_NEAR(D(state.DiffArr.back()), 0.0, kTol);

    const AlignGateStep back = SpeedButtonDistOfsClick(laps.slots, laps.results, 1, false, state);
    EXPECT_EQ(state.AlignGate, 0);
    EXPECT_NEAR(D(back.playTime), 0.0, kTol);
    EXPECT_NEAR(D(state.DiffArr.back()), 2.0, kTol);
}

TEST(AlignButtonTest, TwoGatesCycleOneTwoNoneOne) {
    std::vector<Pt> a;
    AppendSteady(a, 30, 0.05L);
    const std::vector<TLapDtRec> slots = {MakeLap("0000", a), MakeLap("0001", a)};
    SlotSectResults results{};
    for (int k = 0; k < 2; ++k) {
        results[k].SectPassDist = {0.5L, 1.0L, 0, 0, 0};
        results[k].SectPassTim = {10, 20, 0, 0, 0};
    }
    AlignState state;
    const int expected[] = {1, 2, 0, 1};
    const double jumps[] = {10, 20, 0, 10};
    for (int i = 0; i < 4; ++i) {
        const AlignGateStep step = SpeedButtonDistOfsClick(slots, results, 2, false, state);
        EXPECT_EQ(state.AlignGate, expected[i]) << i;
        EXPECT_NEAR(D(step.playTime), jumps[i], kTol) << i;
    }

    const AlignGateStep ignored = SpeedButtonDistOfsClick(slots, results, 2, true, state);
    EXPECT_FALSE(ignored.done);
    EXPECT_EQ(state.AlignGate, 1);

    // A lap that missed a gate keeps the button at 0.
    results[1].SectPassDist[1] = 0;
    for (int i = 0; i < 2; ++i) {
        SpeedButtonDistOfsClick(slots, results, 2, false, state);
        EXPECT_EQ(state.AlignGate, 0);
    }
}

struct FourLaps {
    std::vector<TLapDtRec> slots;
    SlotSectResults results{};
    FourLaps() {
        for (int k = 0; k < 4; ++k) {
            std::vector<Pt> pts;
            AppendSteady(pts, 10 + k, 0.1L);
            slots.push_back(MakeLap("000" + std::to_string(k), pts));
            results[k].SectPassTim[0] = 5 + k;
            results[k].SectPassDist[0] = 0.5L;
            results[k].SectLen = {0.5L, 0.5L + 0.1L * k, 0, 0, 0};
        }
    }
};

TEST(DelTrgDtTest, RemovingSlotBMovesCAndDDown) {
    FourLaps laps;
    AlignState state;
    state.AlignGate = 1;
    const SlotRemoval r = DelTrgDt(laps.slots, laps.results, 1, 1, 2.0L, state);
    ASSERT_TRUE(r.removed);
    EXPECT_FALSE(r.noLapLeft);
    EXPECT_NEAR(D(r.playTime), 2.0, kTol);
    ASSERT_EQ(laps.slots.size(), 3u);
    EXPECT_EQ(laps.slots[0].DtName, "0000");
    EXPECT_EQ(laps.slots[1].DtName, "0002");
    EXPECT_EQ(laps.slots[2].DtName, "0003");
    EXPECT_EQ(laps.slots[1].Elm.size(), 13u);
    EXPECT_NEAR(D(laps.results[1].SectPassTim[0]), 7.0, kTol);
    EXPECT_NEAR(D(laps.results[2].SectPassTim[0]), 8.0, kTol);
    EXPECT_EQ(D(laps.results[3].SectPassTim[0]), 0.0);
    // Offsets now belong to the laps that moved: C was 2 s behind A at gate 1.
    EXPECT_NEAR(D(state.SlotTimOfs[1]), 2.0, kTol);
    EXPECT_NEAR(D(state.SlotTimOfs[2]), 3.0, kTol);
    EXPECT_EQ(D(state.SlotTimOfs[3]), 0.0);
    EXPECT_EQ(D(state.cursor[3].CsDist), 0.0);
    // Lap time 2 s + offset 2 s on a 0.1 km/s lap.
    EXPECT_NEAR(D(state.cursor[1].CsDist), 0.4, kTol);
}

TEST(DelTrgDtTest, RemovingTheLastAndTheOnlyLap) {
    FourLaps laps;
    AlignState state;
    EXPECT_TRUE(DelTrgDt(laps.slots, laps.results, 1, 3, 1.0L, state).removed);
    ASSERT_EQ(laps.slots.size(), 3u);
    EXPECT_EQ(laps.slots[2].DtName, "0002");
    EXPECT_FALSE(DelTrgDt(laps.slots, laps.results, 1, 3, 1.0L, state).removed);
    EXPECT_FALSE(DelTrgDt(laps.slots, laps.results, 1, -1, 1.0L, state).removed);
    EXPECT_EQ(laps.slots.size(), 3u);

    // Removing slot A makes B the reference lap.
    DelTrgDt(laps.slots, laps.results, 1, 0, 1.0L, state);
    EXPECT_EQ(laps.slots[0].DtName, "0001");
    EXPECT_EQ(state.DiffArr.size(), laps.slots[0].Elm.size());

    DelTrgDt(laps.slots, laps.results, 1, 1, 1.0L, state);
    const SlotRemoval last = DelTrgDt(laps.slots, laps.results, 1, 0, 1.0L, state);
    EXPECT_TRUE(last.removed);
    EXPECT_TRUE(last.noLapLeft);
    EXPECT_EQ(D(last.playTime), 0.0);
    EXPECT_TRUE(laps.slots.empty());
    EXPECT_TRUE(state.DiffArr.empty());
}

}  // namespace
}  // namespace qv
