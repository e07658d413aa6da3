#pragma once
// The keyboard poll, the mouse wheel and the right click of the views.

#include <optional>

#include "presentation/playback.h"
#include "presentation/presentation_state.h"
#include "presentation/steps.h"

namespace qv {

inline constexpr int kKeyPollMs = 100;
// After Space the next poll waits this much longer, so that one press
// toggles playback once.
inline constexpr int kSpaceHoldOffMs = 300;

// Current key states, read when the poll runs (not key events).
struct KeyState {
    bool space = false;
    bool f = false;
    bool b = false;
};

struct KeyPollContext {
    bool applicationActive = false;
    bool graphTabShowing = false;
    PlayContext play;
};

struct KeyPollResult {
    StepList steps;
    int nextPollMs = kKeyPollMs;
};

// Space plays or pauses; while stopped, F steps forward, else B back.
KeyPollResult PollKeys(PresentationState& state, Float80 playbackEnd, TDateTime now,
                       const KeyState& keys, const KeyPollContext& ctx);

// Screen rectangle, edges included.
struct ScreenRect {
    int left = 0, top = 0, right = -1, bottom = -1;

    bool Contains(int x, int y) const { return left <= x && x <= right && top <= y && y <= bottom; }
};

struct WheelTargets {
    ScreenRect speedGraph;
    ScreenRect courseMap;
    ScreenRect gView;
    bool gTabShowing = false;
};

// A positive delta zooms in. Every view under the pointer zooms; the G view
// only while its tab shows.
StepList WheelZoom(PresentationState& state, int wheelDelta, int x, int y,
                   const WheelTargets& targets, bool slotAOccupied);

// A right click on a view while playback is stopped chooses it as the
// export target; true when the export menu is to pop up. The drift view
// also needs a lap in slot A.
bool RightClickOnView(PresentationState& state, GraphView view, bool slotAOccupied);

}  // namespace qv
