#include "presentation/input_rules.h"

#include "presentation/zoom_commands.h"

namespace qv {
namespace {

void Append(StepList& to, const StepList& from) {
    to.insert(to.end(), from.begin(), from.end());
}

}  // namespace

KeyPollResult PollKeys(PresentationState& state, Float80 playbackEnd, TDateTime now,
                       const KeyState& keys, const KeyPollContext& ctx) {
    KeyPollResult result;
    if (!ctx.applicationActive || !ctx.graphTabShowing || state.dialogOpen)
        return result;
    if (keys.space) {
        Append(result.steps, PlayPause(state, playbackEnd, now, ctx.play));
        result.nextPollMs = kSpaceHoldOffMs + kKeyPollMs;
    }
    if (!state.playing) {
        if (keys.f)
            Append(result.steps, FrameForward(state, playbackEnd, ctx.play));
        else if (keys.b)
            Append(result.steps, FrameBackward(state, ctx.play));
    }
    return result;
}

StepList WheelZoom(PresentationState& state, int wheelDelta, int x, int y,
                   const WheelTargets& targets, bool slotAOccupied) {
    const ZoomDirection direction = wheelDelta > 0 ? ZoomDirection::kIn : ZoomDirection::kOut;
    StepList steps;
    if (targets.speedGraph.Contains(x, y))
        Append(steps, XAxisZoom(state, direction, slotAOccupied));
    if (targets.courseMap.Contains(x, y))
        Append(steps, MapZoom(state, direction, slotAOccupied));
    if (targets.gTabShowing && targets.gView.Contains(x, y))
        Append(steps, GZoom(state, direction));
    return steps;
}

bool RightClickOnView(PresentationState& state, GraphView view, bool slotAOccupied) {
    if (state.playing)
        return false;
    if (view == GraphView::kDriftView && !slotAOccupied)
        return false;
    state.exportTarget = view;
    return true;
}

}  // namespace qv
