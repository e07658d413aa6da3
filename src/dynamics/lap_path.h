#pragma once
// A lap's smoothed path on a flat local plane: east and north metres from
// the first smoothed position, with the lap's own distance at every sample.
// The corner finder and the alignment by position work on it.

#include <vector>

#include "core/records.h"

namespace qv {

struct LocalFrame {
    double lat0 = 0, lon0 = 0;  // degrees
    double metresPerDegLat = 0, metresPerDegLon = 0;

    double X(double lon) const { return (lon - lon0) * metresPerDegLon; }
    double Y(double lat) const { return (lat - lat0) * metresPerDegLat; }
    double Lat(double y) const { return lat0 + y / metresPerDegLat; }
    double Lon(double x) const { return lon0 + x / metresPerDegLon; }
};

LocalFrame FrameAt(double lat0, double lon0);

struct LapPath {
    LocalFrame frame;
    std::vector<double> x, y;  // m, one per sample
    std::vector<double> s;     // m along the lap (Dist), never decreasing
};

// Empty for a lap without samples; `frame` given: the path in that frame.
LapPath SmoothedLapPath(const TLapDtRec& lap);
LapPath SmoothedLapPath(const TLapDtRec& lap, const LocalFrame& frame);

// Distances along `path` (m) of the points (m, in the path's frame), each
// the nearest point of the path not behind the previous one's.
// `densePoints`: the points follow each other closely (another lap's
// samples), which lets the search stop soon after the best match.
std::vector<double> ProjectMonotone(const LapPath& path, const std::vector<double>& px,
                                    const std::vector<double>& py, bool densePoints = false);

}  // namespace qv
