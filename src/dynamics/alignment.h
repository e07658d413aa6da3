#pragma once
// Shifting the comparison laps so that they pass the alignment gate together
// with the reference lap, and sampling every slot at the cursor.
//
// `slots` is LapStore::LapDt: slot k is occupied when k < slots.size(); only
// the first four are used. `results` are the slots' sector results and
// `sectCount` the number of gates in use.

#include <vector>

#include "core/records.h"
#include "dynamics/align_state.h"

namespace qv {

// Every occupied slot passed every gate in use: the distance shift needs a
// gate passage in each lap. False without laps or gates.
bool AllLapsPassAllGates(const std::vector<TLapDtRec>& slots, const SlotSectResults& results,
                         int sectCount);

// SlotTimOfs from the split times at the alignment gate, and MaxAlignedTim.
// A lap that never passed the gate gets the negated split of slot A, as the
// rule has it; MaxAlignedTim is left alone while slot A is empty.
void CalcTimeOffsets(const std::vector<TLapDtRec>& slots, const SlotSectResults& results,
                     AlignState& state);

// SlotDistOfs from the pass distances at the alignment gate, then
// SampleAtRefDist. Resets AlignGate to 0 unless every lap passed every gate.
void CalDistOfs(const std::vector<TLapDtRec>& slots, const SlotSectResults& results, int sectCount,
                AlignState& state);

// The by-distance fields of slots B..D at slot A's current distance; slot A
// copies its own by-time fields. Nothing while slot A is empty.
void SampleAtRefDist(const std::vector<TLapDtRec>& slots, AlignState& state);

// One slot at the play time shifted by its time offset; for the reference
// lap also DiffCur.
void SampleSlotAtTime(const std::vector<TLapDtRec>& slots, int slot, Float80 playTime,
                      AlignState& state);

// The cursor refresh after a play-time change: every occupied slot by time,
// then SampleAtRefDist. Slots left empty get a record of zeros.
void SampleAllSlots(const std::vector<TLapDtRec>& slots, Float80 playTime, AlignState& state);

// The full alignment refresh after the gates or the slots changed (sector
// timing already done): offsets, time difference, cursor samples and
// distance offsets, in the order the views depend on. The alignment gate
// drops to 0 first when some lap misses some gate. `referencePairKept`: only
// slots C and D changed since the last refresh, so slot B's time difference
// is still the one held unless its time offset moved.
void RefreshAlignment(const std::vector<TLapDtRec>& slots, const SlotSectResults& results,
                      int sectCount, Float80 playTime, AlignState& state,
                      bool referencePairKept = false);

}  // namespace qv
