#pragma once
// A wall clock that moves only when the test says so.

#include "core/date_time.h"

namespace qv::test {

struct ManualClock {
    TDateTime now = 45000.5;  // an arbitrary noon

    void AdvanceMs(double ms) { now += ms / kMsPerDay; }
};

}  // namespace qv::test
