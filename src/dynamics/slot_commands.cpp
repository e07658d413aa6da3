#include "dynamics/slot_commands.h"

#include <algorithm>

#include "dynamics/alignment.h"
#include "dynamics/time_diff.h"

namespace qv {

AlignGateStep SpeedButtonDistOfsClick(const std::vector<TLapDtRec>& slots,
                                      const SlotSectResults& results, int sectCount, bool playing,
                                      AlignState& state) {
    AlignGateStep step;
    if (playing)
        return step;
    step.done = true;
    const int gates = UsedGateCount(sectCount);
    if (AllLapsPassAllGates(slots, results, gates)) {
        state.AlignGate = state.AlignGate + 1 > gates ? 0 : state.AlignGate + 1;
        CalDistOfs(slots, results, gates, state);
    } else {
        SampleAtRefDist(slots, state);
        state.AlignGate = 0;
    }
    CalcTimeOffsets(slots, results, state);
    CalcTimeDiff(slots, results, gates, state);

    if (!slots.empty() && gates >= 1) {
        const int g = state.AlignGate;
        step.playTimeJumped = true;
        step.playTime = g >= 1 ? results[0].SectPassTim[g - 1] : Float80(0);
        SampleAllSlots(slots, step.playTime, state);
    }
    return step;
}

SlotRemoval DelTrgDt(std::vector<TLapDtRec>& slots, SlotSectResults& results, int sectCount,
                     int slot, Float80 playTime, AlignState& state) {
    SlotRemoval removal;
    const int laps = std::min(static_cast<int>(slots.size()), kLapSlots);
    if (slot < 0 || slot >= laps)
        return removal;
    removal.removed = true;
    slots.erase(slots.begin() + slot);
    for (int k = slot; k + 1 < kLapSlots; ++k)
        results[k] = results[k + 1];
    results[kLapSlots - 1] = SectRes{};

    if (slots.empty()) {
        removal.noLapLeft = true;
        state.SlotTimOfs.fill(0);
        state.SlotDistOfs.fill(0);
        state.DiffArr.clear();
        state.DiffMin = state.DiffMax = state.DiffCur = 0;
        state.cursor.fill(CurSmp{});
        return removal;
    }
    removal.playTime = playTime;
    RefreshAlignment(slots, results, sectCount, playTime, state);
    return removal;
}

}  // namespace qv
