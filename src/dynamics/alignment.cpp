#include "dynamics/alignment.h"

#include <algorithm>

#include "core/date_time.h"
#include "dynamics/time_diff.h"

namespace qv {
namespace {

int OccupiedSlots(const std::vector<TLapDtRec>& slots) {
    return std::min(static_cast<int>(slots.size()), kLapSlots);
}

// The 0-based index of the alignment gate, or -1 for none (or a gate number
// no table can have).
int AlignIndex(const AlignState& state) {
    if (state.AlignGate < 1 || state.AlignGate > MaxSectGate)
        return -1;
    return state.AlignGate - 1;
}

// The hours, minutes, seconds and milliseconds of a time value, in seconds.
Float80 ClockSeconds(TTime value) {
    const DateTimeParts p = DecodeDateTime(value);
    return Float80(p.hour) * 3600 + Float80(p.minute) * 60 + p.second + Float80(p.ms) / 1000;
}

}  // namespace

bool AllLapsPassAllGates(const std::vector<TLapDtRec>& slots, const SlotSectResults& results,
                         int sectCount) {
    const int gates = UsedGateCount(sectCount);
    const int laps = OccupiedSlots(slots);
    if (laps < 1 || gates < 1)
        return false;
    for (int k = 0; k < laps; ++k)
        for (int j = 0; j < gates; ++j)
            if (results[k].SectPassDist[j] == 0)
                return false;
    return true;
}

void CalcTimeOffsets(const std::vector<TLapDtRec>& slots, const SlotSectResults& results,
                     AlignState& state) {
    state.SlotTimOfs.fill(0);
    const int laps = OccupiedSlots(slots);
    const int g = AlignIndex(state);
    if (g >= 0)
        for (int k = 1; k < laps; ++k)
            state.SlotTimOfs[k] = results[k].SectPassTim[g] - results[0].SectPassTim[g];
    if (laps < 1)
        return;
    state.MaxAlignedTim = ClockSeconds(slots[0].LapTim);
    for (int k = 1; k < laps; ++k) {
        const Float80 t = ClockSeconds(slots[k].LapTim - double(state.SlotTimOfs[k] / 86400));
        state.MaxAlignedTim = std::max(state.MaxAlignedTim, t);
    }
}

void CalDistOfs(const std::vector<TLapDtRec>& slots, const SlotSectResults& results, int sectCount,
                AlignState& state) {
    state.SlotDistOfs.fill(0);
    if (AllLapsPassAllGates(slots, results, sectCount)) {
        const int g = AlignIndex(state);
        if (g >= 0)
            for (int k = 1; k < OccupiedSlots(slots); ++k)
                state.SlotDistOfs[k] = results[k].SectPassDist[g] - results[0].SectPassDist[g];
    } else {
        state.AlignGate = 0;
    }
    SampleAtRefDist(slots, state);
}

void SampleAtRefDist(const std::vector<TLapDtRec>& slots, AlignState& state) {
    const int laps = OccupiedSlots(slots);
    if (laps < 1)
        return;
    CopyByTimeToByDist(state.cursor[0]);
    const Float80 a = state.cursor[0].CsDist;
    for (int k = 1; k < laps; ++k)
        SampleAtDist(slots[k], state.cursor[k], a, state.SlotDistOfs[k]);
}

void SampleSlotAtTime(const std::vector<TLapDtRec>& slots, int slot, Float80 playTime,
                      AlignState& state) {
    if (slot < 0 || slot >= OccupiedSlots(slots))
        return;
    const TLapDtRec& lap = slots[slot];
    const Float80 offset = state.SlotTimOfs[slot];
    SampleAtTime(lap, state.cursor[slot], playTime, offset);
    if (lap.DtName == slots[0].DtName)
        state.DiffCur = DiffAtTime(lap, state, playTime + offset);
}

void SampleAllSlots(const std::vector<TLapDtRec>& slots, Float80 playTime, AlignState& state) {
    const int laps = OccupiedSlots(slots);
    for (int k = 0; k < laps; ++k)
        SampleSlotAtTime(slots, k, playTime, state);
    for (int k = laps; k < kLapSlots; ++k)
        state.cursor[k] = CurSmp{};
    SampleAtRefDist(slots, state);
}

void RefreshAlignment(const std::vector<TLapDtRec>& slots, const SlotSectResults& results,
                      int sectCount, Float80 playTime, AlignState& state, bool referencePairKept) {
    // CalDistOfs would drop the gate only after the time offsets had used it,
    // leaving the laps shifted while the button shows no gate.
    if (!AllLapsPassAllGates(slots, results, sectCount))
        state.AlignGate = 0;
    const Float80 offsetB = state.SlotTimOfs[1];
    CalcTimeOffsets(slots, results, state);
    // The difference reads slots A and B only; it is most of a refresh.
    if (!referencePairKept || state.SlotTimOfs[1] != offsetB)
        CalcTimeDiff(slots, results, sectCount, state);
    SampleAllSlots(slots, playTime, state);
    CalDistOfs(slots, results, sectCount, state);
}

}  // namespace qv
