#pragma once
// How the laps of the four slots are put side by side: the alignment gate,
// the per-slot time and distance shifts, the time difference of slot B to
// the reference lap, and what every slot shows at the playback cursor.

#include <array>
#include <cstdint>
#include <vector>

#include "core/ext80.h"
#include "core/records.h"
#include "core/stores.h"
#include "dynamics/cursor_samples.h"
#include "dynamics/lap_alignment.h"
#include "geometry/sector_results.h"

namespace qv {

inline constexpr int kLapSlots = LapStore::kMaxLapSlots;

// Per-slot sector results, index 0 slot A.
using SlotSectResults = std::array<SectRes, kLapSlots>;

struct AlignState {
    int32_t AlignGate = 0;                         // 0 none, else the 1-based gate
    std::array<Float80, kLapSlots> SlotTimOfs{};   // s; slot A always 0
    std::array<Float80, kLapSlots> SlotDistOfs{};  // km; slot A always 0
    Float80 MaxAlignedTim = 0;                     // s: the playback end
    std::vector<Float80> DiffArr;      // s, one per reference-lap sample: slot B behind (+)
    Float80 DiffMin = 0, DiffMax = 0;  // over entries 1 on
    Float80 DiffCur = 0;               // at the cursor; 0 while there is no difference curve
    AlignMode diffMode = AlignMode::kByDistance;  // how DiffArr puts slot B beside slot A
    std::array<CurSmp, kLapSlots> cursor{};
};

}  // namespace qv
