#pragma once
// The two commands of the lap comparison that change the alignment: stepping
// the alignment gate and removing the lap of one slot. Both leave the
// painting to the window and tell it what changed.

#include <vector>

#include "core/records.h"
#include "dynamics/align_state.h"

namespace qv {

struct AlignGateStep {
    // False when playback runs: the command is ignored and nothing changed.
    bool done = false;
    // When done, the speed graph, its bar and the G and drift view cursors
    // are repainted.
    // When the play time jumped (to slot A's split at the new gate, 0 for
    // none), every slot is already sampled at `playTime`; the window centres
    // the course map on slot A, refreshes every view and the read-out text,
    // and seeks a linked video.
    bool playTimeJumped = false;
    Float80 playTime = 0;
};

// "Adjust x-axis at sector gate": AlignGate runs 0, 1, .., sectCount, 0, ..
// while every lap passes every gate, else drops to 0.
AlignGateStep SpeedButtonDistOfsClick(const std::vector<TLapDtRec>& slots,
                                      const SlotSectResults& results, int sectCount, bool playing,
                                      AlignState& state);

struct SlotRemoval {
    bool removed = false;  // false for a slot index that holds no lap
    // With no lap left the window also clears slot A's position copies.
    bool noLapLeft = false;
    Float80 playTime = 0;  // the play time to continue with; 0 when no lap is left
};

// Removes the lap of slot `slot`; the laps behind it move one slot down with
// their sector results, so slot colours stay bound to positions. The caller
// pauses playback (and a linked video) before, and afterwards recomputes the
// display ranges and repaints the position marker, the read-out text and
// the G and drift cursors. The alignment is recomputed here against the new
// reference lap, so the cursor samples are valid on return.
SlotRemoval DelTrgDt(std::vector<TLapDtRec>& slots, SlotSectResults& results, int sectCount,
                     int slot, Float80 playTime, AlignState& state);

}  // namespace qv
