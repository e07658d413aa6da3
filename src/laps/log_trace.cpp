#include "laps/log_trace.h"

#include "laps/log_block_rules.h"

namespace qv {

LogTrace BuildLogTrace(const LogStore& log) {
    LogTrace trace;
    const std::optional<ActiveRange> range = FindActiveRange(log);
    if (!range)
        return trace;
    auto point = [&](int k) {
        const TLogItem& fix = log.LogItems[k];
        return TracePoint{k, fix.Spd < kTraceSlowKmh, fix.Spd <= kTraceStoppedKmh};
    };
    trace.points.push_back(point(range->first));
    for (int k = range->first + 1; k <= range->last; ++k) {
        const TLogItem& fix = log.LogItems[k];
        if (!fix.Act)
            continue;
        if (fix.Spd >= kTraceSlowKmh || fix.ms == 0)
            trace.points.push_back(point(k));
    }
    trace.startFix = range->first;
    trace.endFix = trace.points.back().fix;
    trace.labelled = trace.startFix != trace.endFix;
    return trace;
}

}  // namespace qv
