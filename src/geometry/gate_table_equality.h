#pragma once
// Whether two gate tables time laps alike: the gates in use and their
// passage numbers. Entries beyond the gate count are leftovers and do not
// count.

#include <algorithm>

#include "geometry/sector_gates.h"

namespace qv {

inline bool SameGate(const SectGate& a, const SectGate& b) {
    return a.Kdo1 == b.Kdo1 && a.Kdo2 == b.Kdo2 && a.Ido1 == b.Ido1 && a.Ido2 == b.Ido2 &&
           a.PassNo == b.PassNo;
}

inline bool SameGateTable(const GateTable& a, const GateTable& b) {
    if (a.SectCount != b.SectCount)
        return false;
    const int used = a.UsedCount();
    for (int g = 0; g < used; ++g) {
        if (!SameGate(a.SectGates[static_cast<size_t>(g)], b.SectGates[static_cast<size_t>(g)]))
            return false;
    }
    return true;
}

}  // namespace qv
