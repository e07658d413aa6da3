#pragma once
// The sector gate table: up to four short segments across the track that
// split every lap into up to five sectors. All slots are timed against it.

#include <algorithm>
#include <array>

#include "core/ext80.h"

namespace qv {

inline constexpr int MaxSectGate = 4;

// Gates to loop over for a count as stored: a count outside 0..MaxSectGate
// (a damaged gate file, a caller's raw value) reads as the nearer end.
constexpr int UsedGateCount(int sectCount) {
    return std::clamp(sectCount, 0, MaxSectGate);
}

struct SectGate {
    Float80 Kdo1 = 0, Kdo2 = 0;  // longitudes of the end points
    Float80 Ido1 = 0, Ido2 = 0;  // latitudes of the end points
    int PassNo = 1;              // which crossing within a lap counts, 1 = the first
};

struct GateTable {
    std::array<SectGate, MaxSectGate> SectGates{};
    int SectCount = 0;  // gates in use, in the order a lap passes them

    int UsedCount() const { return UsedGateCount(SectCount); }
};

}  // namespace qv
