#include "presentation/zoom_commands.h"

#include "presentation/zoom_ladders.h"

namespace qv {

StepList XAxisZoom(PresentationState& state, ZoomDirection direction, bool slotAOccupied) {
    if (!slotAOccupied)
        return {};
    const Float80 next =
        direction == ZoomDirection::kIn ? XZoomIn(state.xZoom) : XZoomOut(state.xZoom);
    if (next == state.xZoom)
        return {};
    state.xZoom = next;
    return {{StepKind::kRepaintSpeedGraph}};
}

StepList MapZoom(PresentationState& state, ZoomDirection direction, bool slotAOccupied) {
    if (!slotAOccupied)
        return {};
    const Float80 next =
        direction == ZoomDirection::kIn ? MapZoomIn(state.mapZoom) : MapZoomOut(state.mapZoom);
    if (next == state.mapZoom)
        return {};
    state.mapZoom = next;
    return {{StepKind::kRepaintCourseMap}};
}

StepList GZoom(PresentationState& state, ZoomDirection direction) {
    const int next =
        direction == ZoomDirection::kIn ? GZoomIn(state.gZoomStep) : GZoomOut(state.gZoomStep);
    if (next == state.gZoomStep)
        return {};
    state.gZoomStep = next;
    state.rebuild.gView = true;
    StepList steps{{StepKind::kRepaintGView}};
    if (state.showGGraph)
        steps.push_back({StepKind::kRepaintSpeedGraph});
    return steps;
}

}  // namespace qv
