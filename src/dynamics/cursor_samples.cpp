#include "dynamics/cursor_samples.h"

#include <cmath>

#include "geometry/plane.h"

namespace qv {
namespace {

// The first index i in [first, last) whose value(i) is not below x, or
// `last` when there is none, for values in ascending order (lap times and
// distances are). Out-of-order values still give an index in the range.
template <typename Value>
int FirstIndexNotBelow(int first, int last, Float80 x, Value value) {
    int low = first, high = last;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (value(mid) < x)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

struct GVals {
    Float80 r2 = 0, lateG = 0, logiG = 0;
    Float80 r23 = 0, lateG3 = 0, logiG3 = 0;
};

int SampleCount(const TLapDtRec& lap) {
    return static_cast<int>(lap.Elm.size());
}

GVals GAt(const TLapDtRec& lap, int i) {
    if (SampleCount(lap) < 3 || i < 0 || i >= static_cast<int>(lap.GElm.size()))
        return {};
    const TGCalRec& g = lap.GElm[i];
    return {g.r2, g.lateG, g.logiG, g.r2_3, g.lateG3, g.logiG3};
}

GVals GBetween(const TLapDtRec& lap, int i0, int i1, Float80 x, Float80 x0, Float80 x1) {
    const GVals a = GAt(lap, i0);
    const GVals b = GAt(lap, i1);
    auto lerp = [&](Float80 y0, Float80 y1) { return InterpVal(x, x0, x1, y0, y1); };
    return {lerp(a.r2, b.r2),   lerp(a.lateG, b.lateG),   lerp(a.logiG, b.logiG),
            lerp(a.r23, b.r23), lerp(a.lateG3, b.lateG3), lerp(a.logiG3, b.logiG3)};
}

TDriftRec DAt(const TLapDtRec& lap, int i) {
    if (i < 0 || i >= static_cast<int>(lap.DElm.size()))
        return {};
    return lap.DElm[i];
}

void SetGByTime(CurSmp& smp, const GVals& g) {
    smp.CsR2 = g.r2;
    smp.CsLateG = g.lateG;
    smp.CsLogiG = g.logiG;
    smp.CsR23 = g.r23;
    smp.CsLateG3 = g.lateG3;
    smp.CsLogiG3 = g.logiG3;
}

void SetGByDist(CurSmp& smp, const GVals& g) {
    smp.CsR2D = g.r2;
    smp.CsLateGD = g.lateG;
    smp.CsLogiGD = g.logiG;
    smp.CsR23D = g.r23;
    smp.CsLateG3D = g.lateG3;
    smp.CsLogiG3D = g.logiG3;
}

void CopySample(const TLapDtRec& lap, int i, CurSmp& smp) {
    const TLapElmRec& e = lap.Elm[i];
    const TDriftRec dr = DAt(lap, i);
    smp.CsIdo = e.Ido;
    smp.CsKdo = e.Kdo;
    smp.CsSpd = e.Spd;
    smp.CsDist = e.Dist;
    smp.CsDir = e.Dir;
    smp.CsGpsDir = dr.GpsDir;
    smp.CsDAngle = dr.DAngle;
}

void InterpolateSample(const TLapDtRec& lap, int j, Float80 x, CurSmp& smp) {
    const TLapElmRec& e0 = lap.Elm[j - 1];
    const TLapElmRec& e1 = lap.Elm[j];
    const Float80 x0 = e0.Sec;
    const Float80 x1 = e1.Sec;
    const Pair80 pos = InterpPair(x, x0, x1, e0.Ido, e0.Kdo, e1.Ido, e1.Kdo);
    const TDriftRec d0 = DAt(lap, j - 1);
    const TDriftRec d1 = DAt(lap, j);
    smp.CsIdo = pos.a;
    smp.CsKdo = pos.b;
    smp.CsSpd = InterpVal(x, x0, x1, e0.Spd, e1.Spd);
    smp.CsDist = InterpVal(x, x0, x1, e0.Dist, e1.Dist);
    smp.CsDAngle = InterpVal(x, x0, x1, d0.DAngle, d1.DAngle);
    smp.CsDir = InterpDeg(x, x0, x1, e0.Dir, e1.Dir);
    smp.CsGpsDir = InterpDeg(x, x0, x1, d0.GpsDir, d1.GpsDir);
}

// Speed, headings and drift angle of sample i into the by-distance fields.
void CopySampleByDist(const TLapDtRec& lap, int i, CurSmp& smp) {
    const TDriftRec dr = DAt(lap, i);
    smp.CsSpdD = lap.Elm[i].Spd;
    smp.CsDirD = lap.Elm[i].Dir;
    smp.CsGpsDirD = dr.GpsDir;
    smp.CsDAngleD = dr.DAngle;
}

}  // namespace

TimeBracket FindTimeBracket(std::span<const TLapElmRec> samples, Float80 d) {
    const int n = static_cast<int>(samples.size());
    if (n == 0 || std::isnan(d))
        return {};
    if (d > samples[n - 1].Sec)
        return {TimeBracket::kAfterEnd, n - 1};
    if (d < samples[0].Sec)
        return {TimeBracket::kBeforeStart, 0};
    // The first sample at or after d. Laps are in time order, so a binary
    // search finds it; a lap file out of order still gets an index inside it.
    const int j = FirstIndexNotBelow(0, n, d, [&](int i) { return Float80(samples[i].Sec); });
    if (j >= n)
        return {TimeBracket::kAfterEnd, n - 1};  // Sec[n-1] is not a number
    if (Float80(samples[j].Sec) == d || j == 0)
        return {TimeBracket::kExact, j};
    return {TimeBracket::kBetween, j};
}

void SampleAtTime(const TLapDtRec& lap, CurSmp& smp, Float80 playTime, Float80 timeOffset) {
    const int n = SampleCount(lap);
    const Float80 d = playTime + timeOffset;
    const TimeBracket at = FindTimeBracket(lap.Elm, d);
    switch (at.kind) {
        case TimeBracket::kNone:
            smp = CurSmp{};
            return;
        case TimeBracket::kAfterEnd:
            CopySample(lap, n - 1, smp);
            smp.CsTim = lap.Elm[n - 1].Sec;
            SetGByTime(smp, GAt(lap, n - 2));
            return;
        case TimeBracket::kBeforeStart:
            CopySample(lap, 0, smp);
            smp.CsTim = lap.Elm[0].Sec;
            SetGByTime(smp, GAt(lap, 1));
            return;
        case TimeBracket::kExact: {
            CopySample(lap, at.j, smp);
            smp.CsTim = playTime;
            const int g = at.j == 0 ? 1 : (at.j < n - 2 ? at.j : n - 2);
            SetGByTime(smp, GAt(lap, g));
            return;
        }
        case TimeBracket::kBetween: {
            InterpolateSample(lap, at.j, d, smp);
            smp.CsTim = playTime;
            if (n < 3 || d <= lap.Elm[1].Sec) {
                SetGByTime(smp, GAt(lap, 1));
            } else if (d < lap.Elm[n - 2].Sec) {
                SetGByTime(smp, GBetween(lap, at.j - 1, at.j, d, lap.Elm[at.j - 1].Sec,
                                         lap.Elm[at.j].Sec));
            } else {
                SetGByTime(smp, GAt(lap, n - 2));
            }
            return;
        }
    }
}

void SampleAtDist(const TLapDtRec& lap, CurSmp& smp, Float80 dist, Float80 distOffset) {
    const int n = SampleCount(lap);
    if (n == 0)
        return;
    auto shifted = [&](int i) { return Float80(lap.Elm[i].Dist) - distOffset; };
    const Float80 a = dist;

    if (a >= shifted(n - 1)) {
        CopySampleByDist(lap, n - 1, smp);
    } else if (a < shifted(0) || std::isnan(a)) {
        CopySampleByDist(lap, 0, smp);
    } else {
        // shifted(0) <= a < shifted(n - 1), so the scan stops at some i >= 1
        // unless the first sample matches.
        const int i = FirstIndexNotBelow(0, n - 1, a, shifted);
        if (shifted(i) == a || i == 0) {
            CopySampleByDist(lap, i, smp);
        } else {
            const TLapElmRec& e0 = lap.Elm[i - 1];
            const TLapElmRec& e1 = lap.Elm[i];
            const Float80 x0 = shifted(i - 1);
            const Float80 x1 = shifted(i);
            const TDriftRec d0 = DAt(lap, i - 1);
            const TDriftRec d1 = DAt(lap, i);
            smp.CsSpdD = InterpVal(a, x0, x1, e0.Spd, e1.Spd);
            smp.CsDAngleD = InterpVal(a, x0, x1, d0.DAngle, d1.DAngle);
            smp.CsDirD = InterpDeg(a, x0, x1, e0.Dir, e1.Dir);
            smp.CsGpsDirD = InterpDeg(a, x0, x1, d0.GpsDir, d1.GpsDir);
        }
    }

    if (n < 3 || std::isnan(a)) {
        SetGByDist(smp, GAt(lap, 1));
        return;
    }
    if (a >= shifted(n - 2)) {
        SetGByDist(smp, GAt(lap, n - 2));
    } else if (a < shifted(1)) {
        SetGByDist(smp, GAt(lap, 1));
    } else {
        // shifted(1) <= a < shifted(n - 2): the scan stays within 1..n-2.
        const int i = FirstIndexNotBelow(1, n - 2, a, shifted);
        if (shifted(i) == a || i == 1)
            SetGByDist(smp, GAt(lap, i));
        else
            SetGByDist(smp, GBetween(lap, i - 1, i, a, shifted(i - 1), shifted(i)));
    }
}

void CopyByTimeToByDist(CurSmp& smp) {
    smp.CsSpdD = smp.CsSpd;
    smp.CsR2D = smp.CsR2;
    smp.CsLateGD = smp.CsLateG;
    smp.CsLogiGD = smp.CsLogiG;
    smp.CsR23D = smp.CsR23;
    smp.CsLateG3D = smp.CsLateG3;
    smp.CsLogiG3D = smp.CsLogiG3;
    smp.CsDirD = smp.CsDir;
    smp.CsGpsDirD = smp.CsGpsDir;
    smp.CsDAngleD = smp.CsDAngle;
}

}  // namespace qv
