#include "app/show_lap.h"

#include "presentation/playback.h"
#include "presentation/refresh_sequence.h"

namespace qv {

ShownLap ShowOrRemoveLap(Session& session, int row, bool fromGraphButton,
                         const VideoStatus& video) {
    ShownLap shown;
    // The removal reads the play time but not whether it runs: stopping
    // after it is stopping first.
    shown.change = StringGridLapDataDblClick(session, row, fromGraphButton);
    if (shown.change.kind == SlotChange::Kind::Nothing)
        return shown;
    const bool removed = shown.change.kind == SlotChange::Kind::Removed;
    if (removed)
        shown.steps = StopPlayback(session.presentation, video);
    const StepList refresh =
        SlotChangeSteps(session.presentation, session.laps.LapDtNum(), !removed);
    shown.steps.insert(shown.steps.end(), refresh.begin(), refresh.end());
    return shown;
}

}  // namespace qv
