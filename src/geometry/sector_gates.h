#pragma once
// The sector gate table: up to four short segments across the track that
// split every lap into up to five sectors. All slots are timed against it.

#include <algorithm>
#include <array>

#include "core/ext80.h"

namespace qv {

inline constexpr int MaxSectGate = 4;

struct SectGate {
    Float80 Kdo1 = 0, Kdo2 = 0;  // longitudes of the end points
    Float80 Ido1 = 0, Ido2 = 0;  // latitudes of the end points
    int PassNo = 1;              // which crossing within a lap counts, 1 = the first
};

struct GateTable {
    std::array<SectGate, MaxSectGate> SectGates{};
    int SectCount = 0;  // gates in use, in the order a lap passes them

    // SectCount kept within the table, for indexing it.
    int UsedCount() const { return std::clamp(SectCount, 0, MaxSectGate); }
};

}  // namespace qv
