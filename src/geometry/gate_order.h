#pragma once
// Rules that keep the gate table in the order a lap passes the gates: the
// pass number of a new gate, the passage order after a gate is set or
// moved, and the removal of gates. `AlignGate` is the 1-based gate the laps
// are aligned at (0: none); it follows its physical gate through every
// reordering.

#include <array>
#include <span>

#include "core/records.h"
#include "geometry/sector_gates.h"

namespace qv {

// The pass number of `gate` for a cursor at `playTime` on the reference
// lap: the count of its crossings up to the first crossing in a step that
// contains the play time. 1 when no such step crosses the gate, so that the
// gate is at least timed at its first crossing.
int CountPassNo(std::span<const TLapElmRec> samples, const SectGate& gate, Float80 playTime);

// Puts the gates in the order the reference lap reaches the PassNo-th
// crossing of each. Gates it never passes that often keep their relative
// order after the passed ones.
void SortGatesByPassage(GateTable& gates, std::span<const TLapElmRec> samples, int& AlignGate);

struct GateRemoval {
    bool allGates = false;
    std::array<bool, MaxSectGate> ticked{};  // by 0-based gate index
};

// Removes the chosen gates; the following gates move down. An alignment
// gate that is removed becomes 0.
void RemoveGates(GateTable& gates, int& AlignGate, const GateRemoval& removal);

}  // namespace qv
