#pragma once
// The three refreshes of the main window: after the play cursor moved,
// after the sector gates changed and after a lap went into or out of the
// slots. `lapDtNum` is the number of occupied slots, filled from slot A.

#include "presentation/presentation_state.h"
#include "presentation/steps.h"

namespace qv {

// Samples every occupied slot at the play time (the map follows slot A),
// then repaints the views that show the cursor.
void AppendCursorRefresh(StepList& steps, int lapDtNum);
StepList CursorRefreshSteps(int lapDtNum);

// Sector timing, alignment, sampling, list columns, all views with their
// backgrounds rebuilt, then the detail tables. Sets the rebuild flags.
StepList GateChangeSteps(PresentationState& state, int lapDtNum);

// The same chain after a lap was put into a slot (`lapPlaced`) or taken out
// of one, ending with the lap list. The course overview and the G view
// rebuild their backgrounds; a placed lap re-anchors a synchronised video.
StepList SlotChangeSteps(PresentationState& state, int lapDtNum, bool lapPlaced);

}  // namespace qv
