#include "geometry/sector_timing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/straight_lap.h"

namespace qv {
namespace {

using test::GateAcrossNorthLap;
using test::GridStepKm;
using test::NorthLap;
using test::SlotLap;
using test::TableOf;

constexpr double kTol = 1e-9;

SectRes Junk() {
    SectRes res;
    res.SectTim.fill(123);
    res.SectPassTim.fill(123);
    res.SectMaxSpd.fill(123);
    res.SectDrAve.fill(7);
    return res;
}

TEST(CalcSectors, SplitsOfAStraightLapFollowTheGateLatitudes) {
    // 1 s per grid step, so a gate at grid latitude 2.5 is passed at 2.5 s.
    const std::vector<double> speeds{50, 60, 70, 80, 90, 100, 40, 30, 20, 10};
    const TLapDtRec lap = SlotLap(NorthLap(10, 1.0, speeds));
    const GateTable gates = TableOf({GateAcrossNorthLap(2.5), GateAcrossNorthLap(6.25)});
    SectRes res = Junk();
    CalcSectors(lap, gates, res);

    const Float80 km = GridStepKm();
    EXPECT_NEAR(res.SectPassTim[0], 2.5, kTol);
    EXPECT_NEAR(res.SectPassTim[1], 6.25, kTol);
    EXPECT_NEAR(res.SectTim[0], 2.5, kTol);
    EXPECT_NEAR(res.SectTim[1], 3.75, kTol);
    EXPECT_NEAR(res.SectTim[2], 2.75, kTol);
    EXPECT_NEAR(res.SectPassDist[0], 2.5 * km, 1e-9);
    EXPECT_NEAR(res.SectLen[1], 3.75 * km, 1e-9);
    EXPECT_NEAR(res.SectLen[2], 2.75 * km, 1e-9);
    // The speed of one grid step per second, in km/h.
    EXPECT_NEAR(res.SectAveSpd[0], km * 3600, 1e-6);
    EXPECT_NEAR(res.SectAveSpd[2], km * 3600, 1e-6);

    // Interpolated at the gates: half way from 70 to 80, a quarter from 40 to 30.
    EXPECT_NEAR(res.SectPassSpd[0], 75, kTol);
    EXPECT_NEAR(res.SectPassSpd[1], 37.5, kTol);
    // Sector 1: the first sample, samples 1 and 2, and the gate.
    EXPECT_NEAR(res.SectMaxSpd[0], 75, kTol);
    EXPECT_NEAR(res.SectMinSpd[0], 50, kTol);
    // Sector 2: from the first gate over 80, 90, 100, 40 to the second.
    EXPECT_NEAR(res.SectMaxSpd[1], 100, kTol);
    EXPECT_NEAR(res.SectMinSpd[1], 37.5, kTol);
    // The last sector: from the gate down to the last sample.
    EXPECT_NEAR(res.SectMaxSpd[2], 37.5, kTol);
    EXPECT_NEAR(res.SectMinSpd[2], 10, kTol);

    // Nothing beyond the last sector, and the drift results were cleared.
    EXPECT_EQ(res.SectTim[3], 0);
    EXPECT_EQ(res.SectPassTim[2], 0);
    EXPECT_EQ(res.SectDrAve[0], 0);
}

TEST(CalcSectors, OneGateSplitsTheLapInTwo) {
    const TLapDtRec lap = SlotLap(NorthLap(8, 0.5));
    SectRes res;
    CalcSectors(lap, TableOf({GateAcrossNorthLap(3.2)}), res);
    EXPECT_NEAR(res.SectTim[0], 1.6, kTol);
    EXPECT_NEAR(res.SectTim[1], 3.5 - 1.6, kTol);
    EXPECT_NEAR(res.SectTim[0] + res.SectTim[1], 3.5, kTol);
    EXPECT_NEAR(res.SectLen[0] + res.SectLen[1], 7 * GridStepKm(), 1e-9);
}

TEST(CalcSectors, SecondPassageCountsWhenPassNoIsTwo) {
    // The lap goes north on kLon0 and comes back south 0.0001 degrees east;
    // gate B spans both legs and is crossed at 2.5 s (gate A still waiting)
    // and again at 18.5 s.
    const Float80 east = test::kLon0 + 0.0001L;
    const TLapDtRec lap = SlotLap(test::OutAndBackLap(east, 1.0));
    const SectGate a = GateAcrossNorthLap(7.5);
    const SectGate bothLegs =
        test::EastWestGate(test::LatAt(2.5), test::kLon0 - 0.0001L, east + 0.0001L, 2);
    SectRes res;
    CalcSectors(lap, TableOf({a, bothLegs}), res);
    EXPECT_NEAR(res.SectPassTim[0], 7.5, kTol);
    EXPECT_NEAR(res.SectPassTim[1], 18.5, kTol);
    EXPECT_NEAR(res.SectTim[1], 11, kTol);
    EXPECT_NEAR(res.SectTim[2], 2.5, kTol);

    // With PassNo 1 the early crossing already used up the count: gate B and
    // the sector after it are never timed.
    SectGate once = bothLegs;
    once.PassNo = 1;
    CalcSectors(lap, TableOf({a, once}), res);
    EXPECT_NEAR(res.SectTim[0], 7.5, kTol);
    EXPECT_EQ(res.SectTim[1], 0);
    EXPECT_EQ(res.SectPassTim[1], 0);
    EXPECT_EQ(res.SectTim[2], 0);
    EXPECT_EQ(res.SectAveSpd[2], 0);
}

TEST(CalcSectors, SampleOnTheGateLineCountsTwice) {
    // Sample 3 lies exactly on the gate: steps 3 and 4 both cross it.
    const TLapDtRec lap = SlotLap(NorthLap(10, 1.0));
    const SectGate touched = GateAcrossNorthLap(3);
    SectRes res;
    CalcSectors(lap, TableOf({GateAcrossNorthLap(3, 2), GateAcrossNorthLap(6.5)}), res);
    EXPECT_NEAR(res.SectPassTim[0], 3, kTol);
    EXPECT_NEAR(res.SectPassTim[1], 6.5, kTol);

    SectGate third = touched;
    third.PassNo = 3;
    CalcSectors(lap, TableOf({third, GateAcrossNorthLap(6.5)}), res);
    EXPECT_EQ(res.SectTim[0], 0);
    EXPECT_EQ(res.SectTim[1], 0);
}

TEST(CalcSectors, GateNeverCrossedLeavesZeros) {
    const TLapDtRec lap = SlotLap(NorthLap(10, 1.0));
    // Off the samples' latitudes: a sample on the gate's line would count
    // as a crossing however far away the segment is.
    SectGate far = GateAcrossNorthLap(2.5);
    far.Kdo1 += 1;
    far.Kdo2 += 1;
    SectRes res = Junk();
    CalcSectors(lap, TableOf({far}), res);
    for (int j = 0; j < kMaxSectors; ++j) {
        EXPECT_EQ(res.SectTim[static_cast<size_t>(j)], 0);
        EXPECT_EQ(res.SectMaxSpd[static_cast<size_t>(j)], 0);
    }
}

TEST(CalcSectors, WithoutGatesOldResultsStay) {
    const TLapDtRec lap = SlotLap(NorthLap(10, 1.0));
    SectRes res = Junk();
    CalcSectors(lap, GateTable{}, res);
    EXPECT_EQ(res.SectTim[0], 123);
}

TEST(CalcSectors, DegenerateLapsGiveFiniteValues) {
    const GateTable gates = TableOf({GateAcrossNorthLap(0.5), GateAcrossNorthLap(1.5)});
    // Expected split of sector 1 and time of sector 3 for 0 .. 3 samples.
    const double sector1[] = {0, 0, 0.5, 0.5};
    const double sector3[] = {0, 0, 0, 0.5};
    for (int n = 0; n <= 3; ++n) {
        SectRes res = Junk();
        CalcSectors(SlotLap(NorthLap(n, 1.0)), gates, res);
        EXPECT_NEAR(res.SectTim[0], sector1[n], kTol) << n;
        EXPECT_NEAR(res.SectTim[2], sector3[n], kTol) << n;
        EXPECT_EQ(res.SectTim[3], 0) << n;
    }
    // Three samples at one instant and a repeated position: no time passes,
    // so the average speed is 0 rather than a division by zero.
    std::vector<TLapElmRec> samples = NorthLap(4, 0.0);
    samples[2].Ido = Float80(samples[1].Ido);
    SectRes res;
    CalcSectors(SlotLap(samples), TableOf({GateAcrossNorthLap(0.5)}), res);
    EXPECT_EQ(res.SectTim[0], 0);
    EXPECT_EQ(res.SectAveSpd[0], 0);
    EXPECT_EQ(res.SectAveSpd[1], 0);
    EXPECT_GT(res.SectLen[1], 0);

    // A sample count beyond the samples held is not trusted.
    TLapDtRec lying = SlotLap(NorthLap(4, 1.0));
    lying.ElmNum = 1000;
    CalcSectors(lying, TableOf({GateAcrossNorthLap(1.5)}), res);
    EXPECT_NEAR(res.SectTim[1], 1.5, kTol);
}

TEST(CalcSectors, OnlyOccupiedSlotsAreTimed) {
    std::vector<TLapDtRec> slots{SlotLap(NorthLap(10, 1.0)), SlotLap(NorthLap(10, 2.0))};
    std::array<SectRes, LapStore::kMaxLapSlots> results{Junk(), Junk(), Junk(), Junk()};
    CalcSectors(slots, TableOf({GateAcrossNorthLap(4.5)}), results);
    EXPECT_NEAR(results[0].SectTim[0], 4.5, kTol);
    EXPECT_NEAR(results[1].SectTim[0], 9.0, kTol);
    EXPECT_EQ(results[2].SectTim[0], 123);
    EXPECT_EQ(results[3].SectTim[0], 123);
}

TEST(CalcListSectors, TimesMatchTheSlotTiming) {
    const std::vector<TLapElmRec> samples = NorthLap(10, 2.0);
    const GateTable gates = TableOf({GateAcrossNorthLap(1.25), GateAcrossNorthLap(5.5)});
    const ListSectors list = CalcListSectors(samples, gates);
    EXPECT_NEAR(list.ListPassTim[0], 2.5, kTol);
    EXPECT_NEAR(list.ListPassTim[1], 11, kTol);
    EXPECT_NEAR(list.ListSectTim[0], 2.5, kTol);
    EXPECT_NEAR(list.ListSectTim[1], 8.5, kTol);
    EXPECT_NEAR(list.ListSectTim[2], 7, kTol);
    EXPECT_EQ(list.ListSectTim[3], 0);

    // A gate not passed: its sector and the last stay 0.
    SectGate far = GateAcrossNorthLap(5.5);
    far.Kdo1 += 1;
    far.Kdo2 += 1;
    const ListSectors partial = CalcListSectors(samples, TableOf({gates.SectGates[0], far}));
    EXPECT_NEAR(partial.ListSectTim[0], 2.5, kTol);
    EXPECT_EQ(partial.ListSectTim[1], 0);
    EXPECT_EQ(partial.ListSectTim[2], 0);

    EXPECT_EQ(CalcListSectors(samples, GateTable{}).ListSectTim[0], 0);
    EXPECT_EQ(CalcListSectors({}, gates).ListSectTim[0], 0);
}

TEST(FormatSectTime, RangesChangeAtTheMinuteAndTheHour) {
    EXPECT_EQ(FormatSectTime(0), "");
    EXPECT_EQ(FormatSectTime(59.999L), "59.999");
    EXPECT_EQ(FormatSectTime(60.0L), "1:00.000");
    EXPECT_EQ(FormatSectTime(3600.5L), "1:00:00.500");
    EXPECT_EQ(FormatSectTime(5.25L), "05.250");
    EXPECT_EQ(FormatSectTime(83.456L), "1:23.456");
    EXPECT_EQ(FormatSectTime(59.9996L), "1:00.000");
    EXPECT_EQ(FormatSectTime(3599.9996L), "1:00:00.000");
}

}  // namespace
}  // namespace qv
