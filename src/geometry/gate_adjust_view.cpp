#include "geometry/gate_adjust_view.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "geometry/plane.h"

namespace qv {
namespace {

struct Span2 {
    Float80 lon = 0;
    Float80 lat = 0;
};

Span2 ViewSpan(const GateAdjustView& view) {
    const Float80 z = view.zoom > 0 ? view.zoom : kAdjustZoomMin;
    return {MToLonDeg(view.width / z, view.centreLat), MToLatDeg(view.height / z)};
}

int TruncatePixel(Float80 v) {
    // Points far outside the view must not overflow the integer.
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::clamp<Float80>(v, -1e9L, 1e9L));
}

bool Near(PixelPoint p, int x, int y) {
    return std::abs(p.x - x) <= kEndPointGrip && std::abs(p.y - y) <= kEndPointGrip;
}

void MoveDragged(GateAdjustView& view, int x, int y) {
    Float80 lon = 0;
    Float80 lat = 0;
    FromViewPixel(view, x, y, lon, lat);
    if (view.drag == GateDrag::End1) {
        view.work.Kdo1 = lon;
        view.work.Ido1 = lat;
    } else {
        view.work.Kdo2 = lon;
        view.work.Ido2 = lat;
    }
}

}  // namespace

GateAdjustView OpenGateAdjustView(const SectGate& gate, double courseMapZoom) {
    GateAdjustView view;
    view.work = gate;
    view.centreLon = (gate.Kdo1 + gate.Kdo2) / 2;
    view.centreLat = (gate.Ido1 + gate.Ido2) / 2;
    view.zoom = std::clamp(courseMapZoom, kAdjustZoomMin, kAdjustZoomMax);
    return view;
}

PixelPoint ToViewPixel(const GateAdjustView& view, Float80 lon, Float80 lat) {
    if (view.width <= 0 || view.height <= 0)
        return {};
    const Span2 span = ViewSpan(view);
    const Float80 left = view.centreLon - span.lon / 2;
    const Float80 bottom = view.centreLat - span.lat / 2;
    return {TruncatePixel((lon - left) / span.lon * view.width),
            TruncatePixel(view.height - (lat - bottom) / span.lat * view.height)};
}

void FromViewPixel(const GateAdjustView& view, int x, int y, Float80& lon, Float80& lat) {
    if (view.width <= 0 || view.height <= 0) {
        lon = view.centreLon;
        lat = view.centreLat;
        return;
    }
    const Span2 span = ViewSpan(view);
    lon = view.centreLon - span.lon / 2 + span.lon * x / view.width;
    lat = view.centreLat - span.lat / 2 + span.lat * (1 - Float80(y) / view.height);
}

bool ZoomAdjustIn(GateAdjustView& view) {
    if (view.zoom >= kAdjustZoomMax)
        return false;
    view.zoom = std::min(view.zoom + (view.zoom >= 2 ? 1.0 : 0.25), kAdjustZoomMax);
    view.rebuildBackground = true;
    return true;
}

bool ZoomAdjustOut(GateAdjustView& view) {
    if (view.zoom <= kAdjustZoomMin)
        return false;
    view.zoom = std::max(view.zoom - (view.zoom > 2 ? 1.0 : 0.25), kAdjustZoomMin);
    view.rebuildBackground = true;
    return true;
}

void PressAdjustView(GateAdjustView& view, int x, int y) {
    if (Near(ToViewPixel(view, view.work.Kdo1, view.work.Ido1), x, y))
        view.drag = GateDrag::End1;
    else if (Near(ToViewPixel(view, view.work.Kdo2, view.work.Ido2), x, y))
        view.drag = GateDrag::End2;
    else
        view.drag = GateDrag::None;
}

bool MoveAdjustView(GateAdjustView& view, int x, int y) {
    if (view.drag == GateDrag::None)
        return false;
    MoveDragged(view, x, y);
    return true;
}

bool ReleaseAdjustView(GateAdjustView& view, int x, int y) {
    const bool moved = MoveAdjustView(view, x, y);
    view.drag = GateDrag::None;
    return moved;
}

bool AcceptableGate(const SectGate& gate) {
    return gate.Kdo1 != gate.Kdo2 && gate.Ido1 != gate.Ido2;
}

}  // namespace qv
