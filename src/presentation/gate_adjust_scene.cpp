#include "presentation/gate_adjust_scene.h"

#include <algorithm>

#include "presentation/slot_colours.h"

namespace qv {
namespace {

bool Inside(const GateAdjustView& view, PixelPoint p) {
    return p.x >= 0 && p.y >= 0 && p.x < view.width && p.y < view.height;
}

}  // namespace

std::vector<ViewSegment> OtherGateSegments(const GateAdjustView& view, const GateTable& gates,
                                           int edited) {
    std::vector<ViewSegment> segments;
    const int count = gates.UsedCount();
    for (int k = 0; k < count; ++k) {
        if (k == edited)
            continue;
        const SectGate& g = gates.SectGates[static_cast<size_t>(k)];
        segments.push_back({ToViewPixel(view, g.Kdo1, g.Ido1), ToViewPixel(view, g.Kdo2, g.Ido2),
                            kOtherGateGrey, 1, false});
    }
    return segments;
}

std::vector<ViewSegment> TrackMapSegments(const GateAdjustView& view,
                                          const TrackMapStore& trackMap) {
    std::vector<ViewSegment> segments;
    for (const TPathRec& path : trackMap.TrackMap) {
        for (size_t i = 1; i < path.Elm.size(); ++i) {
            const PixelPoint a = ToViewPixel(view, path.Elm[i - 1].Kdo, path.Elm[i - 1].Ido);
            const PixelPoint b = ToViewPixel(view, path.Elm[i].Kdo, path.Elm[i].Ido);
            if (Inside(view, a) && Inside(view, b))
                segments.push_back({a, b, kAdjustTrackGrey, kAdjustTrackWidth, false});
        }
    }
    return segments;
}

std::vector<ViewSegment> LapSegments(const GateAdjustView& view, const TLapDtRec& lap, Rgb colour,
                                     bool dottedDecel) {
    std::vector<ViewSegment> segments;
    const size_t n = std::min(lap.Elm.size(), static_cast<size_t>(std::max(lap.ElmNum, 0)));
    for (size_t i = 1; i < n; ++i) {
        const TLapElmRec& prev = lap.Elm[i - 1];
        const TLapElmRec& cur = lap.Elm[i];
        const PixelPoint a = ToViewPixel(view, prev.Kdo, prev.Ido);
        const PixelPoint b = ToViewPixel(view, cur.Kdo, cur.Ido);
        if (!Inside(view, a) || !Inside(view, b))
            continue;
        const Rgb c = cur.UseSat < kGoodSatCount ? kLowSatSilver : colour;
        const bool falling = dottedDecel && Float80(cur.Spd) < Float80(prev.Spd);
        segments.push_back({a, b, c, 1, falling});
    }
    return segments;
}

std::vector<ViewSegment> AdjustBackground(const GateAdjustView& view, const GateTable& gates,
                                          int edited, const TrackMapStore& trackMap,
                                          const std::vector<TLapDtRec>& slots, bool dottedDecel) {
    std::vector<ViewSegment> all = OtherGateSegments(view, gates, edited);
    const std::vector<ViewSegment> track = TrackMapSegments(view, trackMap);
    all.insert(all.end(), track.begin(), track.end());
    for (int slot : kSlotPaintOrder) {
        if (slot >= static_cast<int>(slots.size()))
            continue;
        const std::vector<ViewSegment> lap =
            LapSegments(view, slots[static_cast<size_t>(slot)],
                        kSlotColours[static_cast<size_t>(slot)], dottedDecel);
        all.insert(all.end(), lap.begin(), lap.end());
    }
    return all;
}

int EditedGateIndex(const GateTable& gates, const SectGate& work) {
    const int count = gates.UsedCount();
    for (int k = 0; k < count; ++k) {
        const SectGate& g = gates.SectGates[static_cast<size_t>(k)];
        if (g.Kdo1 == work.Kdo1 && g.Kdo2 == work.Kdo2 && g.Ido1 == work.Ido1 &&
            g.Ido2 == work.Ido2)
            return k;
    }
    return -1;
}

}  // namespace qv
