#include "app/video_auto_sync.h"

#include "core/display_format.h"
#include "dynamics/lap_yaw_rate.h"

namespace qv {

AutoSyncResult AutoSyncToLap(const TLapDtRec& slotA, const MotionSignal& videoMotion,
                             const MotionMatchOptions& options, const std::atomic<bool>* cancel) {
    AutoSyncResult r;
    r.message = kAutoSyncRefused;
    if (slotA.Elm.empty())
        return r;
    r = AutoSyncOfMatch(slotA, MatchMotion(LapYawRate(slotA.Elm), videoMotion, options, cancel));
    r.source = videoMotion.source;
    return r;
}

AutoSyncResult AutoSyncOfMatch(const TLapDtRec& slotA, const MotionMatch& match) {
    AutoSyncResult r;
    r.message = kAutoSyncRefused;
    r.match = match;
    const MotionMatch& m = r.match;
    r.cancelled = m.cancelled;
    r.peak = m.peak;
    r.sharpness = m.sharpness;
    r.driftPpm = m.driftPpm;
    if (!m.found || slotA.Elm.empty())
        return r;
    r.tied = true;
    r.message.clear();
    r.driftApplied = m.driftApplied;
    r.plusMinus = m.plusMinus;
    // Play time 0 is the first sample's date-time, so the offset at log time
    // 0 is where the lap starts in the video.
    r.lapStartInVideo = m.offset;
    r.videoStartTime = slotA.Elm.front().DtTm - m.offset / 86400.0;
    return r;
}

std::string AutoSyncTieText(const AutoSyncResult& result) {
    return StrFormat("tied at %+.3f s \xC2\xB1 %.3f s", result.lapStartInVideo, result.plusMinus);
}

}  // namespace qv
