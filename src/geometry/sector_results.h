#pragma once
// The sector results of one lap: times, lengths and speeds of its sectors
// and, for drift runs, the drift evaluation of each sector. One per lap
// slot, and one scratch record for the lap being listed.

#include <array>
#include <cstdint>

#include "core/ext80.h"
#include "geometry/sector_gates.h"

namespace qv {

inline constexpr int kMaxSectors = MaxSectGate + 1;

using SectorValues = std::array<Float80, kMaxSectors>;

// Drift states of a sector.
enum DriftState : int32_t { kDrNone = 0, kDrInit = 1, kDrMaint = 2, kDrTrans = 3 };

// Index j is sector j + 1 and the gate at its end. The last sector has no
// gate: its pass values stay unwritten.
struct SectRes {
    SectorValues SectTim{};       // s
    SectorValues SectPassDist{};  // km at the gate
    SectorValues SectLen{};       // km
    SectorValues SectPassTim{};   // s, the split time
    SectorValues SectPassSpd{};   // km/h at the gate
    SectorValues SectAveSpd{};    // km/h, 0 when SectTim <= 0
    SectorValues SectMaxSpd{};    // km/h
    SectorValues SectMinSpd{};    // km/h

    // Drift evaluation, degrees unless noted.
    SectorValues SectDrPeak{};  // the angle of largest magnitude, signed
    SectorValues SectDrAve{};
    SectorValues SectDrDev{};  // population standard deviation
    SectorValues SectDrMax{};  // largest positive angle, 0 when none
    SectorValues SectDrMin{};  // most negative angle, 0 when none
    std::array<int32_t, kMaxSectors> SectDrMaxIdx{-1, -1, -1, -1, -1};
    std::array<int32_t, kMaxSectors> SectDrMinIdx{-1, -1, -1, -1, -1};
    SectorValues SectDrRate{};  // degrees per second
    std::array<int32_t, kMaxSectors> SectDrState{};
    SectorValues SectDrScore{};  // one decimal
    Float80 DrScoreSum = 0;      // the lap's drift score

    void ClearTiming() {
        SectTim = SectPassDist = SectLen = SectPassTim = SectPassSpd = SectAveSpd = SectMaxSpd =
            SectMinSpd = SectorValues{};
    }
    void ClearDrift() {
        SectDrPeak = SectDrAve = SectDrDev = SectDrMax = SectDrMin = SectDrRate = SectDrScore =
            SectorValues{};
        SectDrMaxIdx.fill(-1);
        SectDrMinIdx.fill(-1);
        SectDrState.fill(kDrNone);
        DrScoreSum = 0;
    }
};

}  // namespace qv
