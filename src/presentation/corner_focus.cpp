#include "presentation/corner_focus.h"

#include <cmath>

#include "presentation/course_map.h"
#include "presentation/zoom_ladders.h"

namespace qv {
namespace {

bool SpanOnLap(const TLapDtRec& lap, const CornerSpan& span) {
    const int n = static_cast<int>(lap.Elm.size());
    return span.entry >= 0 && span.entry <= span.apex && span.apex <= span.exit && span.exit < n;
}

bool Fits(const TLapDtRec& lap, const CornerSpan& span, Float80 zoom, int BW, int BH) {
    const TLapElmRec& apex = lap.Elm[static_cast<size_t>(span.apex)];
    const CourseMapFrame frame = CourseMapFrameFor(apex.Ido, apex.Kdo, zoom, BW, BH);
    for (int i = span.entry; i <= span.exit; ++i) {
        const TLapElmRec& e = lap.Elm[static_cast<size_t>(i)];
        const ScenePoint p = frame.ToPixel(e.Ido, e.Kdo);
        if (p.x < kCornerMapMargin || p.x > BW - kCornerMapMargin || p.y < kCornerMapMargin ||
            p.y > BH - kCornerMapMargin)
            return false;
    }
    return true;
}

}  // namespace

std::optional<int> SampleAtDistance(const TLapDtRec& lap, Float80 km) {
    std::optional<int> best;
    Float80 bestGap = 0;
    for (size_t i = 0; i < lap.Elm.size(); ++i) {
        const Float80 gap = std::fabs(Float80(lap.Elm[i].Dist) - km);
        if (!best || gap < bestGap) {
            best = static_cast<int>(i);
            bestGap = gap;
        }
    }
    return best;
}

std::optional<CornerFocus> FocusOnCorner(const TLapDtRec& lapA, const CornerSpan& span, int BW,
                                         int BH, Float80 currentZoom) {
    if (!SpanOnLap(lapA, span))
        return std::nullopt;
    CornerFocus focus;
    focus.playTime = lapA.Elm[static_cast<size_t>(span.apex)].Sec;
    focus.mapZoom = currentZoom;
    if (BW <= 2 * kCornerMapMargin || BH <= 2 * kCornerMapMargin)
        return focus;
    Float80 zoom = kMapZoomMax;
    while (zoom > kMapZoomMin && !Fits(lapA, span, zoom, BW, BH))
        zoom = MapZoomOut(zoom);
    focus.mapZoom = zoom;
    return focus;
}

bool SelectCorner(PresentationState& state, const TLapDtRec* lapA, const CornerSpan& span, int BW,
                  int BH) {
    if (lapA == nullptr)
        return false;
    const std::optional<CornerFocus> focus = FocusOnCorner(*lapA, span, BW, BH, state.mapZoom);
    if (!focus)
        return false;
    state.playTime = focus->playTime;
    state.mapZoom = focus->mapZoom;
    return true;
}

}  // namespace qv
