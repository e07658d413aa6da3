#pragma once
// What one lap shows at the playback cursor: its values at a lap time (the
// "by time" fields) and at a distance taken from the reference lap (the
// "by distance" fields).
//
// The G fields read only the inner records GElm[1..n-2]: SetGElm cannot
// compute a radius at the first and last sample. A lap of fewer than three
// samples has no inner record, so its G fields are 0, and so is any field
// whose GElm or DElm record is missing.

#include <span>

#include "core/ext80.h"
#include "core/records.h"

namespace qv {

struct CurSmp {
    Float80 CsTim = 0;  // s: the play time, or the end sample's Sec at a clamped end
    Float80 CsIdo = 0, CsKdo = 0;
    Float80 CsSpd = 0;   // km/h
    Float80 CsDist = 0;  // km
    Float80 CsDir = 0;
    Float80 CsGpsDir = 0;
    Float80 CsSpdD = 0;
    Float80 CsR2 = 0, CsLateG = 0, CsLogiG = 0;
    Float80 CsR2D = 0, CsLateGD = 0, CsLogiGD = 0;
    Float80 CsR23 = 0, CsLateG3 = 0, CsLogiG3 = 0;
    Float80 CsR23D = 0, CsLateG3D = 0, CsLogiG3D = 0;
    Float80 CsDirD = 0, CsGpsDirD = 0;
    Float80 CsDAngle = 0;
    Float80 CsDAngleD = 0;
};
static_assert(sizeof(CurSmp) == 24 * sizeof(Float80));

// Where a lap time d falls among the samples' Sec values.
struct TimeBracket {
    enum Kind { kNone, kAfterEnd, kBeforeStart, kExact, kBetween };
    Kind kind = kNone;  // kNone only for an empty lap or a time that is not a number
    int j = 0;          // kExact: the sample; kBetween: the later of j - 1 and j
};
TimeBracket FindTimeBracket(std::span<const TLapElmRec> samples, Float80 d);

// The by-time fields at lap time playTime + timeOffset. An empty lap gives
// a record of zeros.
void SampleAtTime(const TLapDtRec& lap, CurSmp& smp, Float80 playTime, Float80 timeOffset);

// The by-distance fields at distance `dist` of a lap whose distances are
// shifted back by `distOffset` km.
void SampleAtDist(const TLapDtRec& lap, CurSmp& smp, Float80 dist, Float80 distOffset);

// The reference lap's by-distance fields are its by-time ones.
void CopyByTimeToByDist(CurSmp& smp);

}  // namespace qv
