#pragma once
// A control line found from the driving alone, for a log of a circuit that
// has no line and no circuit files nearby: across the track where the
// trace passes the same place in the same direction again and again, on a
// straight where the car is fastest, and where the laps it cuts agree.

#include <optional>

#include "core/stores.h"
#include "laps/circuit_index.h"
#include "laps/line_state.h"

namespace qv {

inline constexpr Float80 kSuggestedLineHalfM = 12;

struct SuggestedLine {
    Line line;
    int laps = 0;          // laps between crossings that agree with the median lap
    Float80 lapSec = 0;    // their median lap time
    Float80 speedKmh = 0;  // median speed at the crossings
};

// The line over the active fixes; nothing when no place is passed at least
// three times in the same direction with at least two laps that agree.
std::optional<SuggestedLine> SuggestControlLine(const LogStore& log);

// The log-block dialog offers a suggestion only when no line is set and its
// automatic circuit search found nothing near the log.
bool ShouldSuggestLine(const LineState& lines, SelCircuitOutcome search);

}  // namespace qv
