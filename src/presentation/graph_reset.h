#pragma once
// "Clear graph": empties the lap slots and puts the cursor, the ranges and
// the playback end back to their start, after asking.

#include "core/prompter.h"
#include "core/stores.h"
#include "presentation/presentation_state.h"
#include "presentation/steps.h"
#include "presentation/video_link.h"

namespace qv {

inline constexpr const char* kClearGraphQuestion = "Do you clear graph?";

// Empties the slots and resets the cursor, the ranges and the playback
// end, without asking; the steps redraw everything. Zoom levels, toggles,
// the x axis and the play speed keep their values.
StepList ClearSlots(PresentationState& state, LapStore& laps, Float80& playbackEnd,
                    const VideoStatus& video);

// ClearSlots after "Do you clear graph?". Nothing happens while slot A is
// empty; Cancel changes nothing. Both return no steps.
StepList ResetGraph(Prompter& prompter, PresentationState& state, LapStore& laps,
                    Float80& playbackEnd, const VideoStatus& video);

}  // namespace qv
