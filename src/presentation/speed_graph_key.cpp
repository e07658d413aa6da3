#include "presentation/speed_graph_key.h"

#include <algorithm>

#include "presentation/axis_window.h"

namespace qv {

SpeedGraphKey SpeedGraphKeyOf(const SpeedGraphInput& in, const TextMetrics& metrics, int boxWidth,
                              int boxHeight) {
    SpeedGraphKey k;
    k.boxWidth = boxWidth;
    k.boxHeight = boxHeight;
    const SpeedGraphLayout g = SpeedGraphLayoutFor(metrics, boxWidth, boxHeight);
    k.L = g.L;
    k.T = g.T;
    k.W = g.W;
    k.H = g.H;
    k.h = g.h;
    k.metrics = &metrics;

    const PresentationState& s = in.state;
    const AlignState& a = in.align;
    const XWindow window =
        XWindowFor(XAxisFull(s.xAxis, a.MaxAlignedTim, s.extremes.LapDist), s.xZoom,
                   XAxisCursor(s.xAxis, s.playTime, a.cursor[0].CsDist));
    k.windowStart = window.start;
    k.windowSpan = window.span;
    k.zoomed = window.zoomed;
    k.xAxis = s.xAxis;
    k.playbackEnd = a.MaxAlignedTim;
    k.longestDist = s.extremes.LapDist;
    k.lowest = s.extremes.MinSpd;
    k.highest = s.extremes.MaxSpd;
    k.elvLo = s.extremes.ElvLo;
    k.elvHi = s.extremes.ElvHi;
    k.showTimeDiff = s.showTimeDiff;
    k.showElevation = s.showElevation;
    k.showGGraph = s.showGGraph;
    k.showDriftAngle = s.showDriftAngle;
    k.gGraphItem = s.gGraphItem;
    k.gZoomStep = s.gZoomStep;
    k.speedInKmh = in.settings.SpeedInKmh;
    k.distInKm = in.settings.DistInKm;
    k.minSatNum = in.settings.MinSatNum;
    k.picture = in.picture;
    k.gateCount = in.gateCount;
    k.alignGate = a.AlignGate;
    k.diffMode = a.diffMode;
    k.diffMin = a.DiffMin;
    k.diffMax = a.DiffMax;
    k.diff = a.DiffArr.data();
    k.diffCount = a.DiffArr.size();

    const int occupied = std::min<int>(static_cast<int>(in.slots.size()), kLapSlots);
    k.laps.reserve(static_cast<std::size_t>(occupied));
    for (int slot = 0; slot < occupied; ++slot) {
        const TLapDtRec& lap = in.slots[static_cast<std::size_t>(slot)];
        SpeedGraphLapKey l;
        l.elm = lap.Elm.data();
        l.elmCount = lap.Elm.size();
        l.g = lap.GElm.data();
        l.gCount = lap.GElm.size();
        l.drift = lap.DElm.data();
        l.driftCount = lap.DElm.size();
        l.driftAct = lap.driftAct;
        l.lapTim = lap.LapTim;
        l.lapDist = lap.LapDist;
        l.maxSpd = lap.MaxSpd;
        l.minSpd = lap.MinSpd;
        l.elvLo = lap.ElvLo;
        l.elvHi = lap.ElvHi;
        l.passTim = in.sectors[slot].SectPassTim;
        l.passDist = in.sectors[slot].SectPassDist;
        l.timOfs = a.SlotTimOfs[static_cast<std::size_t>(slot)];
        l.distOfs = a.SlotDistOfs[static_cast<std::size_t>(slot)];
        k.laps.push_back(l);
    }
    return k;
}

}  // namespace qv
