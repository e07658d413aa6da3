#include "presentation/zoom_ladders.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qv {
namespace {

// Tenths do not add up exactly in binary; without snapping, five steps of
// 0.1 from 0.5 could land just below 1 and the ladder would skip 1.
Float80 SnapToTwentieths(Float80 v) {
    return std::round(v * 20) / 20;
}

}  // namespace

Float80 XZoomIn(Float80 zoom) {
    if (zoom >= kXZoomMax)
        return zoom;
    const Float80 next = zoom >= 2 ? zoom + 1 : zoom + 0.25L;
    return std::min(next, kXZoomMax);
}

Float80 XZoomOut(Float80 zoom) {
    if (zoom <= kXZoomMin)
        return zoom;
    const Float80 next = zoom > 2 ? zoom - 1 : zoom - 0.25L;
    return std::max(next, kXZoomMin);
}

Float80 MapZoomIn(Float80 zoom) {
    if (zoom >= kMapZoomMax)
        return zoom;
    const Float80 next = SnapToTwentieths(zoom >= 1 ? zoom + 0.25L : zoom + 0.1L);
    return std::min(next, kMapZoomMax);
}

Float80 MapZoomOut(Float80 zoom) {
    if (zoom <= kMapZoomMin)
        return zoom;
    const Float80 next = SnapToTwentieths(zoom > 1 ? zoom - 0.25L : zoom - 0.1L);
    return std::max(next, kMapZoomMin);
}

int GZoomIn(int step) {
    return step <= kGZoomStepMin ? step : step - 1;
}

int GZoomOut(int step) {
    return step >= kGZoomStepMax ? step : step + 1;
}

Float80 GScale(int step) {
    static constexpr std::array<Float80, kGZoomStepCount> kScale{0.5L,  1.5L, 2.0L, 2.5L,
                                                                 2.75L, 3.5L, 5.0L};
    return kScale[std::clamp(step, kGZoomStepMin, kGZoomStepMax)];
}

}  // namespace qv
