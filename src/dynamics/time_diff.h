#pragma once
// The time by which the lap in slot B is behind the reference lap at the
// same point of the track, for every sample of the reference lap.

#include <vector>

#include "core/records.h"
#include "dynamics/align_state.h"

namespace qv {

// Fills DiffArr, DiffMin and DiffMax in the state's diffMode. By distance,
// with gates in use and no sector of zero length in either lap, slot B's
// distances are matched to the reference sector by sector, else scaled by
// the ratio of the lap lengths (not scaled when slot B's lap has no
// length); by position, slot B is projected onto slot A's path.
void CalcTimeDiff(const std::vector<TLapDtRec>& slots, const SlotSectResults& results,
                  int sectCount, AlignState& state);
void CalcTimeDiff(const std::vector<TLapDtRec>& slots, const SlotSectResults& results,
                  int sectCount, AlignMode mode, AlignState& state);

// DiffArr at reference-lap time d, bracketed like the cursor sample; 0 when
// DiffArr does not belong to `refLap` or holds no range (DiffMax <= DiffMin).
Float80 DiffAtTime(const TLapDtRec& refLap, const AlignState& state, Float80 d);

}  // namespace qv
