#include "dynamics/time_diff.h"

#include "dynamics/lap_alignment.h"
#include "geometry/plane.h"

namespace qv {

void CalcTimeDiff(const std::vector<TLapDtRec>& slots, const SlotSectResults& results,
                  int sectCount, AlignState& state) {
    CalcTimeDiff(slots, results, sectCount, state.diffMode, state);
}

void CalcTimeDiff(const std::vector<TLapDtRec>& slots, const SlotSectResults& results,
                  int sectCount, AlignMode mode, AlignState& state) {
    state.DiffArr.clear();
    state.DiffMin = state.DiffMax = 0;
    if (slots.size() < 2 || slots[0].Elm.empty() || slots[1].Elm.empty())
        return;
    const TLapDtRec& a = slots[0];
    const TLapDtRec& b = slots[1];
    const int gates = UsedGateCount(sectCount);
    const std::vector<Float80> behind =
        TimeBehind(a, b, MappedDistances(a, b, results[0], results[1], gates, mode));
    const Float80 ofs = state.SlotTimOfs[1];

    const size_t nA = behind.size();
    state.DiffArr.assign(nA, 0);
    state.DiffMin = 1000;
    state.DiffMax = -1000;
    state.DiffArr[0] = -ofs;
    for (size_t i = 1; i < nA; ++i) {
        const Float80 v = behind[i] - ofs;
        state.DiffArr[i] = v;
        if (v < state.DiffMin)
            state.DiffMin = v;
        if (v > state.DiffMax)
            state.DiffMax = v;
    }
}

Float80 DiffAtTime(const TLapDtRec& refLap, const AlignState& state, Float80 d) {
    const std::vector<Float80>& diff = state.DiffArr;
    if (!(state.DiffMax > state.DiffMin) || diff.size() != refLap.Elm.size())
        return 0;
    const TimeBracket at = FindTimeBracket(refLap.Elm, d);
    switch (at.kind) {
        case TimeBracket::kNone:
            return 0;
        case TimeBracket::kAfterEnd:
            return diff.back();
        case TimeBracket::kBeforeStart:
            return diff.front();
        case TimeBracket::kExact:
            return diff[at.j];
        case TimeBracket::kBetween:
            return InterpVal(d, refLap.Elm[at.j - 1].Sec, refLap.Elm[at.j].Sec, diff[at.j - 1],
                             diff[at.j]);
    }
    return 0;
}

}  // namespace qv
