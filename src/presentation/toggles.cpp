#include "presentation/toggles.h"

namespace qv {
namespace {

// The repaint of everything that reads the overlays or the x axis.
StepList CursorViews(bool withLabels) {
    StepList steps{{StepKind::kRepaintSpeedGraph}, {StepKind::kRepaintSpeedBar}};
    if (withLabels)
        steps.push_back({StepKind::kSetDataStr});
    steps.push_back({StepKind::kRepaintCourseMarkers});
    steps.push_back({StepKind::kRepaintGCursor});
    steps.push_back({StepKind::kRepaintDriftCursor});
    return steps;
}

}  // namespace

StepList ToggleTimeDiff(PresentationState& state) {
    state.showTimeDiff = !state.showTimeDiff;
    return CursorViews(true);
}

StepList ToggleDiffByPosition(PresentationState& state, AlignState& align) {
    state.diffByPosition = !state.diffByPosition;
    align.diffMode = state.diffByPosition ? AlignMode::kByPosition : AlignMode::kByDistance;
    return {{StepKind::kCalcTimeDiff},
            {StepKind::kRepaintSpeedGraph},
            {StepKind::kRepaintSpeedBar},
            {StepKind::kSetDataStr},
            {StepKind::kSetSectGrid}};
}

StepList ToggleElevation(PresentationState& state) {
    state.showElevation = !state.showElevation;
    return CursorViews(false);
}

StepList ToggleGGraph(PresentationState& state) {
    state.showGGraph = !state.showGGraph;
    return {{StepKind::kRepaintSpeedGraph}, {StepKind::kRepaintSpeedBar}};
}

StepList ToggleDriftAngle(PresentationState& state) {
    state.showDriftAngle = !state.showDriftAngle;
    return {{StepKind::kRepaintSpeedGraph},
            {StepKind::kRepaintSpeedBar},
            {StepKind::kRepaintDriftView},
            {StepKind::kRepaintCourseMap}};
}

StepList ToggleDecelZones(PresentationState& state) {
    state.showDecelZones = !state.showDecelZones;
    if (state.playing)
        return {};
    return {{StepKind::kRepaintCourseMap}};
}

StepList ToggleCircuitMapTool(PresentationState& state) {
    state.circuitMapToolShown = !state.circuitMapToolShown;
    return {{StepKind::kShowCircuitMapTools}};
}

StepList SelectXAxis(PresentationState& state, XAxisMode mode) {
    if (state.xAxis == mode)
        return {};
    state.xAxis = mode;
    StepList steps{{StepKind::kRepaintAxisSelectors}};
    for (const Step& s : CursorViews(false))
        steps.push_back(s);
    return steps;
}

StepList SelectGGraphItem(PresentationState& state, GGraphItem item) {
    if (state.gGraphItem == item)
        return {};
    state.gGraphItem = item;
    if (!state.showGGraph)
        return {};
    return {{StepKind::kRepaintSpeedGraph}, {StepKind::kRepaintSpeedBar}};
}

void ApplyGraphToggles(const Settings& settings, PresentationState& state) {
    state.showTimeDiff = settings.diffTimeGraphShown;
    state.showElevation = settings.elevationGraphShown;
    state.showDriftAngle = settings.driftGraphShown;
}

void StoreGraphToggles(const PresentationState& state, Settings& settings) {
    settings.diffTimeGraphShown = state.showTimeDiff;
    settings.elevationGraphShown = state.showElevation;
    settings.driftGraphShown = state.showDriftAngle;
}

}  // namespace qv
