#include "presentation/graph_reset.h"

#include "presentation/display_extremes.h"

namespace qv {

StepList ResetGraph(Prompter& prompter, PresentationState& state, LapStore& laps,
                    Float80& playbackEnd, const VideoStatus& video) {
    if (laps.LapDt.empty() ||
        !prompter.AskYesCancel(kClearGraphQuestion, MessageIcon::Confirmation))
        return {};
    return ClearSlots(state, laps, playbackEnd, video);
}

StepList ClearSlots(PresentationState& state, LapStore& laps, Float80& playbackEnd,
                    const VideoStatus& video) {
    state.playing = false;
    state.playTime = 0;
    laps.LapDt.clear();
    laps.LapDt.shrink_to_fit();
    state.mapCentreIdo = state.mapCentreKdo = 0;
    state.mapOrigin = 0;
    ResetDisplayExtremes(state);
    playbackEnd = 0;
    state.rebuild.SetAll();
    StepList steps{{StepKind::kCalDistOfs},
                   {StepKind::kRepaintSpeedBar},
                   {StepKind::kRepaintCourseOverview},
                   {StepKind::kRepaintCourseMap},
                   {StepKind::kRepaintSpeedGraph},
                   {StepKind::kRepaintGView},
                   {StepKind::kRepaintDriftView},
                   {StepKind::kSetDataStr},
                   {StepKind::kSetSectGrid}};
    if (video.loaded() && video.playing)
        steps.push_back({StepKind::kVideoPause});
    return steps;
}

}  // namespace qv
