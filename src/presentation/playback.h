#pragma once
// The play cursor: play/pause, the 66 ms playback tick, frame steps, the
// jump to the start and the moves made by the video or by clicks. Time
// comes in as the `now` of the caller's clock; nothing here reads a clock.
// Each command updates the state and returns the steps to run after it;
// the window keeps its timer and the play button's glyph in line with
// `state.playing`.

#include "core/date_time.h"
#include "geometry/sector_results.h"
#include "presentation/presentation_state.h"
#include "presentation/steps.h"
#include "presentation/video_link.h"

namespace qv {

inline constexpr int kPlayTickMs = 66;

// The wall-clock time between two ticks as its seconds and milliseconds:
// whole minutes and hours of the difference are dropped.
Float80 TickElapsedSeconds(TDateTime now, TDateTime lastTick);

StepList PlayPause(PresentationState& state, Float80 playbackEnd, TDateTime now,
                   const PlayContext& ctx);

// One tick of the playback timer; nothing while playback is stopped.
StepList PlaybackTick(PresentationState& state, Float80 playbackEnd, TDateTime now,
                      const PlayContext& ctx);

StepList FrameForward(PresentationState& state, Float80 playbackEnd, const PlayContext& ctx);
StepList FrameBackward(PresentationState& state, const PlayContext& ctx);

// Stops playback and goes to 0; pressed again at 0 with an alignment gate
// chosen (`alignGate` >= 1), goes to slot A's passage of that gate.
StepList ToStart(PresentationState& state, int alignGate, const SectRes& slotARes,
                 const PlayContext& ctx);

// The one-shot video timer: the cursor jumps to the video's position.
StepList VideoMovedCursor(PresentationState& state, Float80 playbackEnd, const PlayContext& ctx);

// A view set the play time from a click.
StepList CursorMovedByView(PresentationState& state, const PlayContext& ctx);

// Playback ends for a command that is not the play button (a lap leaves its
// slot): a tied video that plays is paused with it, as Play/Pause would.
StepList StopPlayback(PresentationState& state, const VideoStatus& video);

}  // namespace qv
