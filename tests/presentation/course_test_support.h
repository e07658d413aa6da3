#pragma once
// Laps laid out in metres around a point, fixed text sizes and item
// filters shared by the course map and course overview tests.

#include <initializer_list>
#include <string_view>
#include <variant>
#include <vector>

#include "core/records.h"
#include "geometry/plane.h"
#include "presentation/scene.h"

namespace qv::course_test {

inline constexpr Float80 kLat0 = 35.3L, kLon0 = 138.9L;

// Every glyph 6 px wide, every line 10 px high.
class FixedMetrics : public TextMetrics {
  public:
    int Height(std::string_view, int) const override { return 10; }
    int Width(std::string_view text, int) const override {
        return 6 * static_cast<int>(text.size());
    }
};

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

template <class T>
std::vector<T> ItemsOf(const Scene& scene) {
    std::vector<T> out;
    for (const SceneItem& item : scene.items)
        if (const T* t = std::get_if<T>(&item))
            out.push_back(*t);
    return out;
}

}  // namespace qv::course_test
