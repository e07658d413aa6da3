#pragma once
// Picking a corner in the corner table: the cursor goes to slot A's apex
// and the course map, which centres on slot A's car, zooms in as far as its
// ladder allows while the whole corner, entry to exit, stays in the box.

#include <optional>

#include "core/ext80.h"
#include "core/records.h"
#include "presentation/presentation_state.h"

namespace qv {

// Sample indices of slot A's lap, entry <= apex <= exit.
struct CornerSpan {
    int entry = 0;
    int apex = 0;
    int exit = 0;
};

// Room kept between the corner and the box's edge: a car marker is 16 px long.
inline constexpr int kCornerMapMargin = 16;

struct CornerFocus {
    Float80 playTime = 0;  // the apex sample's `Sec`
    Float80 mapZoom = 1;
};

// The sample whose `Dist` is nearest to `km`, the first of equals; none
// for a lap without samples.
std::optional<int> SampleAtDistance(const TLapDtRec& lap, Float80 km);

// The highest rung of the map ladder at which the corner's samples fit a
// BW x BH box centred on the apex, short of the margin; the lowest rung
// when none does. None when the span lies outside the lap; `currentZoom`
// when the box has no size yet.
std::optional<CornerFocus> FocusOnCorner(const TLapDtRec& lapA, const CornerSpan& span, int BW,
                                         int BH, Float80 currentZoom);

// The row click: moves the play time and the map zoom; false, and nothing
// changed, while slot A is empty or the span is not on its lap. The caller
// then runs the cursor move as any view does.
bool SelectCorner(PresentationState& state, const TLapDtRec* lapA, const CornerSpan& span, int BW,
                  int BH);

}  // namespace qv
