#include "presentation/axis_window.h"

#include <cmath>
#include <limits>

namespace qv {

int TruncToPixel(Float80 v) {
    constexpr Float80 kLimit = std::numeric_limits<int>::max();
    if (!std::isfinite(v))
        return 0;
    if (v >= kLimit)
        return std::numeric_limits<int>::max();
    if (v <= -kLimit)
        return -std::numeric_limits<int>::max();
    // The whole part of a value this size is exact in a double, whose
    // conversion does not switch the x87 rounding mode as a long double's
    // does: that switch costs more than the rest of a trace point.
    return static_cast<int>(static_cast<double>(std::trunc(v)));
}

Float80 XAxisFull(XAxisMode mode, Float80 playbackEnd, Float80 longestLapDist) {
    return mode == XAxisMode::kTime ? playbackEnd : longestLapDist;
}

Float80 XAxisCursor(XAxisMode mode, Float80 playTime, Float80 slotACursorDist) {
    return mode == XAxisMode::kTime ? playTime : slotACursorDist;
}

XWindow XWindowFor(Float80 full, Float80 zoom, Float80 cursor) {
    XWindow w;
    w.zoomed = zoom > 1;
    w.span = w.zoomed ? full / zoom : full;
    if (!w.zoomed)
        return w;
    const Float80 half = w.span / 2;
    if (cursor <= half)
        w.start = 0;
    else if (full - cursor <= half)
        w.start = full - w.span;
    else
        w.start = cursor - half;
    return w;
}

int XToPixel(const XWindow& window, Float80 value, int left, int width) {
    if (!(window.span > 0))
        return left;
    return left + TruncToPixel(width * (value - window.start) / window.span);
}

Float80 PixelToX(const XWindow& window, int x, int left, int width) {
    if (width <= 0)
        return window.start;
    const Float80 f = static_cast<Float80>(x - left) / width;
    return window.start + f * window.span;
}

}  // namespace qv
