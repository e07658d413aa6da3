#pragma once
// Putting a lap beside the reference lap: every sample of the lap gets a
// distance on the reference lap's scale, either by travelled distance
// (scaled to the reference's length, sector by sector when gates allow) or
// by position (each sample projected onto the reference path). From those,
// the lap's time behind the reference at every reference sample. The time
// difference of the graph and the corner table both read it from here.

#include <vector>

#include "core/ext80.h"
#include "core/records.h"
#include "geometry/sector_results.h"

namespace qv {

enum class AlignMode {
    kByDistance,  // travelled distance, as the graph has always done
    kByPosition,  // nearest point on the reference path, moving only forwards
};

// Distances (km) on the reference lap's scale, one per sample of `lap`.
// By distance: with `gates` >= 1 and no sector of zero length in either
// lap, sector by sector from the two laps' sector results; else scaled by
// the ratio of the lap lengths (unscaled when `lap` has no length). By
// position the sector results are not used.
std::vector<Float80> MappedDistances(const TLapDtRec& ref, const TLapDtRec& lap,
                                     const SectRes& refRes, const SectRes& lapRes, int gates,
                                     AlignMode mode);

// Distances (km) along the reference lap's path of each of `points` (lat,
// lon in degrees, in driving order): the nearest point of the path, never
// behind the previous point's. Empty when the reference has no samples.
struct LatLonPoint {
    Float80 lat = 0;
    Float80 lon = 0;
};
std::vector<Float80> ProjectOntoPath(const TLapDtRec& ref, const std::vector<LatLonPoint>& points);

// For every sample i of `ref`, how many seconds `lap` reached the same
// mapped point later than the reference did (negative: earlier), with no
// time offset applied. Entry 0 is 0. Once the lap's mapped distances end,
// the remaining entries hold the difference of the two last sample times.
// Empty when either lap has no samples or `mapped` does not fit `lap`.
std::vector<Float80> TimeBehind(const TLapDtRec& ref, const TLapDtRec& lap,
                                const std::vector<Float80>& mapped);

// `lap`'s elapsed time (s) at every sample of `ref`: the reference's own
// time plus TimeBehind.
std::vector<Float80> ElapsedAtRefSamples(const TLapDtRec& ref, const TLapDtRec& lap,
                                         const std::vector<Float80>& mapped);

}  // namespace qv
