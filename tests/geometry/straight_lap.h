#pragma once
// Synthetic laps on a grid of known positions, so that gate crossings fall
// at times and distances that can be worked out by hand.

#include <cmath>
#include <vector>

#include "core/records.h"
#include "geometry/plane.h"
#include "geometry/sector_gates.h"

namespace qv::test {

inline constexpr Float80 kLat0 = 35.0L;
inline constexpr Float80 kLon0 = 139.0L;
inline constexpr Float80 kDLat = 0.0001L;  // latitude per grid step

inline Float80 LatAt(Float80 index) {
    return kLat0 + index * kDLat;
}

// One grid step along a meridian in km: R * pi / 180 * dLat / 1000.
inline Float80 GridStepKm() {
    return 6367444.5L * 3.141592653589793238L / 180 * kDLat / 1000;
}

struct GridPoint {
    Float80 lat = 0;
    Float80 lon = 0;
};

// Samples `stepSeconds` apart through the points; Dist is the running
// ground distance, Spd `speeds[i]` or 40 km/h.
inline std::vector<TLapElmRec> LapThrough(const std::vector<GridPoint>& points, double stepSeconds,
                                          const std::vector<double>& speeds = {}) {
    std::vector<TLapElmRec> samples(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        TLapElmRec& s = samples[i];
        s.Sec = static_cast<Float80>(i) * stepSeconds;
        s.Tm = static_cast<double>(i) * stepSeconds / 86400.0;
        s.Ido = points[i].lat;
        s.Kdo = points[i].lon;
        s.Spd = i < speeds.size() ? speeds[i] : 40.0;
        s.UseSat = 9;
        if (i > 0) {
            const TLapElmRec& before = samples[i - 1];
            s.Dist = Float80(before.Dist) + StepDistKm(before.Ido, before.Kdo, s.Ido, s.Kdo, s.Ido);
        }
    }
    return samples;
}

// A lap straight north along kLon0 through grid latitudes 0 .. count - 1.
inline std::vector<TLapElmRec> NorthLap(int count, double stepSeconds,
                                        const std::vector<double>& speeds = {}) {
    std::vector<GridPoint> points;
    for (int i = 0; i < count; ++i)
        points.push_back({LatAt(i), kLon0});
    return LapThrough(points, stepSeconds, speeds);
}

// North along kLon0 from grid latitude 0 to 10, one step east to `eastLon`,
// then south back to latitude 0: 22 samples.
inline std::vector<TLapElmRec> OutAndBackLap(Float80 eastLon, double stepSeconds) {
    std::vector<GridPoint> points;
    for (int i = 0; i <= 10; ++i)
        points.push_back({LatAt(i), kLon0});
    for (int k = 0; k <= 10; ++k)
        points.push_back({LatAt(10 - k), eastLon});
    return LapThrough(points, stepSeconds);
}

// An east-west gate at `lat` from `lonWest` to `lonEast`.
inline SectGate EastWestGate(Float80 lat, Float80 lonWest, Float80 lonEast, int passNo = 1) {
    SectGate gate;
    gate.Ido1 = gate.Ido2 = lat;
    gate.Kdo1 = lonWest;
    gate.Kdo2 = lonEast;
    gate.PassNo = passNo;
    return gate;
}

// A gate across kLon0 only, 0.0001 degrees either side.
inline SectGate GateAcrossNorthLap(Float80 gridIndex, int passNo = 1) {
    return EastWestGate(LatAt(gridIndex), kLon0 - 0.0001L, kLon0 + 0.0001L, passNo);
}

inline TLapDtRec SlotLap(std::vector<TLapElmRec> samples) {
    TLapDtRec lap;
    lap.ElmNum = static_cast<int32_t>(samples.size());
    lap.Elm = std::move(samples);
    return lap;
}

inline GateTable TableOf(const std::vector<SectGate>& gates) {
    GateTable table;
    for (const SectGate& g : gates)
        table.SectGates[static_cast<size_t>(table.SectCount++)] = g;
    return table;
}

}  // namespace qv::test
