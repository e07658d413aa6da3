#include "dynamics/time_diff.h"

#include <algorithm>
#include <cmath>

#include "geometry/plane.h"

namespace qv {
namespace {

bool NoZeroSector(const SectRes& r, int gates) {
    for (int j = 0; j <= gates; ++j)
        if (r.SectLen[j] == 0)
            return false;
    return true;
}

// Slot B's sample distances moved onto the reference lap's distance scale.
std::vector<Float80> MappedDistances(const TLapDtRec& a, const TLapDtRec& b, const SectRes& ra,
                                     const SectRes& rb, int gates) {
    const int nB = static_cast<int>(b.Elm.size());
    std::vector<Float80> m(nB);
    if (gates >= 1 && NoZeroSector(ra, gates) && NoZeroSector(rb, gates)) {
        int s = 0;
        Float80 bA = 0, bB = 0;
        Float80 f = ra.SectLen[0] / rb.SectLen[0];
        for (int j = 0; j < nB; ++j) {
            const Float80 dist = b.Elm[j].Dist;
            if (s < gates && dist >= rb.SectPassDist[s]) {
                bA = ra.SectPassDist[s];
                bB = rb.SectPassDist[s];
                ++s;
                f = ra.SectLen[s] / rb.SectLen[s];
            }
            m[j] = (dist - bB) * f + bA;
        }
        return m;
    }
    const Float80 lenB = b.LapDist;
    const Float80 f = (lenB != 0 && std::isfinite(lenB)) ? a.LapDist / lenB : Float80(1);
    for (int j = 0; j < nB; ++j)
        m[j] = b.Elm[j].Dist * f;
    return m;
}

}  // namespace

void CalcTimeDiff(const std::vector<TLapDtRec>& slots, const SlotSectResults& results,
                  int sectCount, AlignState& state) {
    state.DiffArr.clear();
    state.DiffMin = state.DiffMax = 0;
    if (slots.size() < 2 || slots[0].Elm.empty() || slots[1].Elm.empty())
        return;
    const TLapDtRec& a = slots[0];
    const TLapDtRec& b = slots[1];
    const int nA = static_cast<int>(a.Elm.size());
    const int nB = static_cast<int>(b.Elm.size());
    const int gates = UsedGateCount(sectCount);
    const std::vector<Float80> m = MappedDistances(a, b, results[0], results[1], gates);
    const Float80 ofs = state.SlotTimOfs[1];

    state.DiffArr.assign(nA, 0);
    state.DiffMin = 1000;
    state.DiffMax = -1000;
    state.DiffArr[0] = -ofs;
    auto put = [&](int i, Float80 v) {
        v -= ofs;
        state.DiffArr[i] = v;
        if (v < state.DiffMin)
            state.DiffMin = v;
        if (v > state.DiffMax)
            state.DiffMax = v;
    };
    auto secB = [&](int p) { return Float80(b.Elm[p].Sec); };

    int p = 0;
    for (int i = 1; i < nA; ++i) {
        const Float80 x = a.Elm[i].Dist;
        const Float80 secA = a.Elm[i].Sec;
        while (p < nB - 1 && m[p] < x)
            ++p;
        if (p >= nB - 1) {
            const Float80 last = secB(nB - 1) - Float80(a.Elm[nA - 1].Sec);
            for (int r = i; r < nA; ++r)
                put(r, last);
            break;
        }
        const Float80 span = p > 0 ? m[p] - m[p - 1] : 0;
        if (m[p] == x || span <= 0)
            put(i, secB(p) - secA);
        else
            put(i, (x - m[p - 1]) / span * (secB(p) - secB(p - 1)) + secB(p - 1) - secA);
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
