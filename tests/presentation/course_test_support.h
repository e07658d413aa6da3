#pragma once
// Laps laid out in metres around a point for the course map and course
// overview tests.

#include <initializer_list>
#include <string_view>
#include <variant>
#include <vector>

#include "core/records.h"
#include "geometry/plane.h"
#include "presentation/scene.h"
#include "presentation/scene_test_support.h"

namespace qv::course_test {

inline constexpr Float80 kLat0 = 35.3L, kLon0 = 138.9L;

using scene_test::FixedMetrics;

struct Fix {
    double east = 0, north = 0;  // m from (kLat0, kLon0)
    double sec = 0;
    double spd = 100;
    int sats = 9;
    double dir = 180;
};

inline Float80 LatAt(double north) {
    return kLat0 + MToLatDeg(north);
}
inline Float80 LonAt(double east) {
    return kLon0 + MToLonDeg(east, kLat0);
}

inline TLapDtRec LapOf(std::initializer_list<Fix> fixes) {
    TLapDtRec lap;
    for (const Fix& f : fixes) {
        TLapElmRec e;
        e.Ido = LatAt(f.north);
        e.Kdo = LonAt(f.east);
        e.Sec = f.sec;
        e.Spd = f.spd;
        e.UseSat = f.sats;
        e.Dir = f.dir;
        lap.Elm.push_back(e);
    }
    lap.ElmNum = static_cast<int32_t>(lap.Elm.size());
    return lap;
}

using scene_test::ItemsOf;

}  // namespace qv::course_test
