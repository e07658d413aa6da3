#include "app/remove_all_laps.h"

#include "app/analysis.h"
#include "laps/lap_list_commands.h"
#include "presentation/graph_reset.h"
#include "presentation/refresh_sequence.h"

namespace qv {

StepList RemoveAllLapData(Session& session, Prompter& prompter, GateDialogs* gateDialogs,
                          const VideoStatus& video) {
    const bool slotsShown = session.laps.LapDtNum() > 0;
    if (SpeedButtonClrDtClick(session.laps, prompter) != RemoveAllOutcome::Removed)
        return {};
    StepList steps;
    // The video is paused below, whether laps were shown or not.
    if (slotsShown)
        steps = ClearSlots(session.presentation, session.laps, session.align.MaxAlignedTim,
                           VideoStatus{});
    if (gateDialogs != nullptr &&
        RemoveGatesAfterClear(session.gates, session.align.AlignGate, *gateDialogs)) {
        const StepList gates = GateChangeSteps(session.presentation, session.laps.LapDtNum());
        steps.insert(steps.end(), gates.begin(), gates.end());
    }
    RefreshSlots(session);
    RefreshLapList(session);
    steps.push_back({StepKind::kSetDataStr});
    steps.push_back({StepKind::kSetSectGrid});
    steps.push_back({StepKind::kRepaintLapList});
    if (video.loaded() && video.playing)
        steps.push_back({StepKind::kVideoPause});
    return steps;
}

}  // namespace qv
