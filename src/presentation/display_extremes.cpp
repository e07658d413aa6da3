#include "presentation/display_extremes.h"

namespace qv {

Float80 LapTimeSeconds(TTime lapTime) {
    const DateTimeParts p = DecodeDateTime(lapTime);
    return p.hour * 3600.0L + p.minute * 60.0L + p.second + p.ms / 1000.0L;
}

void WidenDisplayExtremes(PresentationState& state, const TLapDtRec& lap, int slot) {
    DisplayExtremes& e = state.extremes;
    if (slot == 0 && !lap.Elm.empty())
        state.mapOrigin = lap.Elm[0].Ido;
    if (lap.IdoMin < e.IdoMin)
        e.IdoMin = lap.IdoMin;
    if (lap.IdoMax > e.IdoMax)
        e.IdoMax = lap.IdoMax;
    if (lap.KdoMin < e.KdoMin)
        e.KdoMin = lap.KdoMin;
    if (lap.KdoMax > e.KdoMax)
        e.KdoMax = lap.KdoMax;
    if (lap.MinSpd < e.MinSpd)
        e.MinSpd = lap.MinSpd;
    if (lap.MaxSpd > e.MaxSpd)
        e.MaxSpd = lap.MaxSpd;
    if (lap.ElvLo < e.ElvLo)
        e.ElvLo = lap.ElvLo;
    if (lap.ElvHi > e.ElvHi)
        e.ElvHi = lap.ElvHi;
    if (lap.LapDist > e.LapDist)
        e.LapDist = lap.LapDist;
    if (lap.LapTim > e.LapTim)
        e.LapTim = lap.LapTim;
    const Float80 seconds = LapTimeSeconds(lap.LapTim);
    if (seconds > e.lapTimeSec)
        e.lapTimeSec = seconds;
}

void ResetDisplayExtremes(PresentationState& state) {
    state.extremes = DisplayExtremes{};
}

void RecomputeDisplayExtremes(PresentationState& state, const std::vector<TLapDtRec>& slots) {
    ResetDisplayExtremes(state);
    state.mapOrigin = 0;
    for (size_t k = 0; k < slots.size(); ++k)
        WidenDisplayExtremes(state, slots[k], static_cast<int>(k));
}

}  // namespace qv
