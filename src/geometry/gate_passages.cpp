#include "geometry/gate_passages.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "geometry/line_sides.h"

namespace qv {
namespace {

Point2 PositionOf(const TLapElmRec& sample) {
    return Point2{sample.Kdo, sample.Ido};
}

Float80 Lerp(Float80 a, Float80 b, Float80 r) {
    return a + r * (b - a);
}

}  // namespace

std::vector<GatePassage> FindGatePassages(std::span<const TLapElmRec> samples,
                                          const GateTable& gates) {
    std::vector<GatePassage> passages;
    const int count = gates.UsedCount();
    if (count == 0 || samples.size() < 2)
        return passages;
    std::array<int, MaxSectGate> crossings{};
    std::vector<LineSides> sides;
    std::array<double, MaxSectGate> previousSide{};
    for (int k = 0; k < count; ++k) {
        const SectGate& gate = gates.SectGates[static_cast<size_t>(k)];
        sides.emplace_back(Point2{gate.Kdo1, gate.Ido1}, Point2{gate.Kdo2, gate.Ido2});
        previousSide[static_cast<size_t>(k)] = sides.back().Side(samples[0].Kdo, samples[0].Ido);
    }
    int target = 0;
    for (size_t i = 1; i < samples.size() && target < count; ++i) {
        const Point2 c = PositionOf(samples[i - 1]);
        const Point2 d = PositionOf(samples[i]);
        std::optional<Point2> targetPoint;
        for (int k = 0; k < count; ++k) {
            const SectGate& gate = gates.SectGates[static_cast<size_t>(k)];
            const double side = sides[static_cast<size_t>(k)].Side(d.x, d.y);
            const bool mayMeet = sides[static_cast<size_t>(k)].MayMeet(
                std::exchange(previousSide[static_cast<size_t>(k)], side), side);
            if (!mayMeet)
                continue;
            Point2 at;
            if (!CrossPoint(Point2{gate.Kdo1, gate.Ido1}, Point2{gate.Kdo2, gate.Ido2}, c, d, at))
                continue;
            ++crossings[static_cast<size_t>(k)];
            if (k == target)
                targetPoint = at;
        }
        if (!targetPoint || crossings[static_cast<size_t>(target)] !=
                                gates.SectGates[static_cast<size_t>(target)].PassNo)
            continue;
        const TLapElmRec& before = samples[i - 1];
        const TLapElmRec& after = samples[i];
        GatePassage p;
        p.gate = target;
        p.step = static_cast<int>(i);
        p.ratio = CrossingRatio(c, d, *targetPoint);
        p.at = *targetPoint;
        p.sec = Lerp(before.Sec, after.Sec, p.ratio);
        p.dist = Lerp(before.Dist, after.Dist, p.ratio);
        p.spd = Lerp(before.Spd, after.Spd, p.ratio);
        passages.push_back(p);
        ++target;
    }
    return passages;
}

}  // namespace qv
