#pragma once
// The show/hide panels and the x-axis selectors of the Graph tab. Each
// flips its flag and returns the repaints it needs.

#include "core/settings.h"
#include "dynamics/align_state.h"
#include "presentation/presentation_state.h"
#include "presentation/steps.h"

namespace qv {

StepList ToggleTimeDiff(PresentationState& state);
// "Δt by position": the flag and the alignment's mode change together;
// the time difference is recomputed, then what reads it repaints: the
// graph, the speed bar, the read-outs and the corner table.
StepList ToggleDiffByPosition(PresentationState& state, AlignState& align);
StepList ToggleElevation(PresentationState& state);
StepList ToggleGGraph(PresentationState& state);
StepList ToggleDriftAngle(PresentationState& state);
// During playback the next tick repaints the map anyway.
StepList ToggleDecelZones(PresentationState& state);
StepList ToggleCircuitMapTool(PresentationState& state);

// Selecting the axis already selected does nothing.
StepList SelectXAxis(PresentationState& state, XAxisMode mode);

StepList SelectGGraphItem(PresentationState& state, GGraphItem item);

// The three graph toggles kept in the settings file.
void ApplyGraphToggles(const Settings& settings, PresentationState& state);
void StoreGraphToggles(const PresentationState& state, Settings& settings);

}  // namespace qv
