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

// Zoom levels, toggles, the x axis and the play speed keep their values.
// Cancel changes nothing and returns no steps.
StepList ResetGraph(Prompter& prompter, PresentationState& state, LapStore& laps,
                    Float80& playbackEnd, const VideoStatus& video);

}  // namespace qv
