#include "geometry/gate_order.h"

#include <algorithm>
#include <vector>

#include "geometry/plane.h"

namespace qv {
namespace {

bool StepCrosses(const SectGate& gate, const TLapElmRec& from, const TLapElmRec& to) {
    Point2 at;
    return CrossPoint(Point2{gate.Kdo1, gate.Ido1}, Point2{gate.Kdo2, gate.Ido2},
                      Point2{from.Kdo, from.Ido}, Point2{to.Kdo, to.Ido}, at);
}

bool StepContains(const TLapElmRec& from, const TLapElmRec& to, Float80 t) {
    const Float80 t0 = from.Sec;
    const Float80 t1 = to.Sec;
    return t1 == t || (t0 <= t && t <= t1);
}

}  // namespace

int CountPassNo(std::span<const TLapElmRec> samples, const SectGate& gate, Float80 playTime) {
    int crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (!StepCrosses(gate, samples[i - 1], samples[i]))
            continue;
        ++crossings;
        if (StepContains(samples[i - 1], samples[i], playTime))
            return crossings;
    }
    return 1;
}

void SortGatesByPassage(GateTable& gates, std::span<const TLapElmRec> samples, int& AlignGate) {
    const int count = gates.UsedCount();
    std::array<int, MaxSectGate> crossings{};
    std::array<int, MaxSectGate> order{-1, -1, -1, -1};
    int next = 0;
    for (size_t i = 1; i < samples.size() && next < count; ++i) {
        for (int k = 0; k < count; ++k) {
            const auto kk = static_cast<size_t>(k);
            if (order[kk] >= 0 || !StepCrosses(gates.SectGates[kk], samples[i - 1], samples[i]))
                continue;
            if (++crossings[kk] == gates.SectGates[kk].PassNo)
                order[kk] = next++;
        }
    }
    for (int k = 0; k < count; ++k) {
        if (order[static_cast<size_t>(k)] < 0)
            order[static_cast<size_t>(k)] = next++;
    }

    GateTable sorted = gates;
    int align = AlignGate;
    for (int k = 0; k < count; ++k) {
        const int p = order[static_cast<size_t>(k)];
        sorted.SectGates[static_cast<size_t>(p)] = gates.SectGates[static_cast<size_t>(k)];
        if (AlignGate == k + 1)
            align = p + 1;
    }
    gates = sorted;
    AlignGate = align;
}

void RemoveGates(GateTable& gates, int& AlignGate, const GateRemoval& removal) {
    if (removal.allGates) {
        gates.SectCount = 0;
        AlignGate = 0;
        return;
    }
    int count = gates.UsedCount();
    for (int k = count - 1; k >= 0; --k) {
        if (!removal.ticked[static_cast<size_t>(k)])
            continue;
        for (int j = k; j + 1 < count; ++j)
            gates.SectGates[static_cast<size_t>(j)] = gates.SectGates[static_cast<size_t>(j + 1)];
        --count;
        if (AlignGate == k + 1)
            AlignGate = 0;
        else if (AlignGate > k + 1)
            --AlignGate;
    }
    gates.SectCount = count;
}

}  // namespace qv
