#pragma once
// Timing laps against the sector gates: the full results of a slot's lap,
// the split times of a listed lap, and the text of a sector time.

#include <array>
#include <span>
#include <string>
#include <vector>

#include "core/records.h"
#include "core/stores.h"
#include "geometry/sector_gates.h"
#include "geometry/sector_results.h"

namespace qv {

// `CalcSectors` for one lap: times, lengths, split values and speeds of
// every sector the lap completes; the sectors from the first gate it never
// passes on stay 0, as do the drift results (the drift scan fills them
// afterwards). Without gates `res` keeps its old values.
void CalcSectors(const TLapDtRec& lap, const GateTable& gates, SectRes& res);

// `CalcSectors` for every occupied slot, `slots[k]` being slot k (A first);
// the results of empty slots are left as they were.
void CalcSectors(const std::vector<TLapDtRec>& slots, const GateTable& gates,
                 std::array<SectRes, LapStore::kMaxLapSlots>& results);

// The time-only results of a listed lap, seconds.
struct ListSectors {
    SectorValues ListSectTim{};
    SectorValues ListPassTim{};
};

// `CalcListSectors`: the sector and split times of a lap's samples; all 0
// without gates.
ListSectors CalcListSectors(std::span<const TLapElmRec> samples, const GateTable& gates);

// A sector time as the lists show it: "ss.zzz" below a minute, "n:ss.zzz"
// below an hour, else "h:nn:ss.zzz"; empty for 0. The range is chosen after
// rounding to the millisecond, so 59.9996 s reads 1:00.000.
std::string FormatSectTime(Float80 seconds);

}  // namespace qv
