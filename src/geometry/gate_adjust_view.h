#pragma once
// The enlarged map on which a gate's end points are dragged into place:
// its projection, its zoom steps and the drag of an end point.

#include "core/ext80.h"
#include "geometry/sector_gates.h"

namespace qv {

inline constexpr double kAdjustZoomMin = 1.0;
inline constexpr double kAdjustZoomMax = 16.0;
inline constexpr int kAdjustViewSize = 460;
inline constexpr int kEndPointGrip = 3;  // pixels either way of an end point

struct PixelPoint {
    int x = 0;
    int y = 0;
};

enum class GateDrag { None = 0, End1 = 1, End2 = 2 };

struct GateAdjustView {
    SectGate work;  // the working copy; PassNo is edited separately
    Float80 centreLon = 0;
    Float80 centreLat = 0;
    double zoom = 1;  // pixels per metre
    int width = kAdjustViewSize;
    int height = kAdjustViewSize;
    GateDrag drag = GateDrag::None;
    bool rebuildBackground = true;
};

// The view of `gate`, centred on its midpoint at the course map's zoom.
GateAdjustView OpenGateAdjustView(const SectGate& gate, double courseMapZoom);

// Pixel of a position, truncated toward zero; (0, 0) for a view of no size.
PixelPoint ToViewPixel(const GateAdjustView& view, Float80 lon, Float80 lat);
// The position under a pixel (x longitude, y latitude).
void FromViewPixel(const GateAdjustView& view, int x, int y, Float80& lon, Float80& lat);

// One zoom step; false when the zoom is already at its limit.
bool ZoomAdjustIn(GateAdjustView& view);
bool ZoomAdjustOut(GateAdjustView& view);

// A left press near an end point starts dragging it (end point 1 first).
void PressAdjustView(GateAdjustView& view, int x, int y);
// Moves the dragged end point to the pointer; false when nothing is dragged.
bool MoveAdjustView(GateAdjustView& view, int x, int y);
// Moves the dragged end point one last time and ends the drag.
bool ReleaseAdjustView(GateAdjustView& view, int x, int y);

// An adjusted gate is accepted only when its end points differ in both
// longitude and latitude.
bool AcceptableGate(const SectGate& gate);

}  // namespace qv
