#pragma once
// Keeping the shared display ranges in step with the laps in the slots.

#include <vector>

#include "core/records.h"
#include "presentation/presentation_state.h"

namespace qv {

// Hours, minutes, seconds and milliseconds of a lap time, in seconds. Whole
// days are not part of a lap time and are dropped.
Float80 LapTimeSeconds(TTime lapTime);

// Widens every range to include `lap`; when it went into slot A, also takes
// the map origin from its first sample.
void WidenDisplayExtremes(PresentationState& state, const TLapDtRec& lap, int slot);

// The ranges of an empty graph.
void ResetDisplayExtremes(PresentationState& state);

// The ranges over the laps now in the slots (index 0 slot A), after a lap
// was taken out; the map origin follows the new slot A.
void RecomputeDisplayExtremes(PresentationState& state, const std::vector<TLapDtRec>& slots);

}  // namespace qv
