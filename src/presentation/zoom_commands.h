#pragma once
// The zoom buttons of the speed graph, the course map and the G view. Each
// returns the repaint of the view concerned, or nothing when the zoom is
// at the end of its ladder. The graph and map zooms need a lap in slot A.

#include "presentation/presentation_state.h"
#include "presentation/steps.h"

namespace qv {

enum class ZoomDirection { kIn, kOut };

StepList XAxisZoom(PresentationState& state, ZoomDirection direction, bool slotAOccupied);
StepList MapZoom(PresentationState& state, ZoomDirection direction, bool slotAOccupied);
// Rebuilds the G view; the speed graph follows when it shows G.
StepList GZoom(PresentationState& state, ZoomDirection direction);

}  // namespace qv
