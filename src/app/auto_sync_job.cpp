#include "app/auto_sync_job.h"

#include <algorithm>

#include "dynamics/lap_yaw_rate.h"

namespace qv {
namespace {

// Shares of the progress bar: the key frames cost about as much as the
// spans; the match after them is quick.
constexpr double kCoarseEnd = 0.45;
constexpr double kFineEnd = 0.95;

// Maps each read's own 0 to 1 onto its share of the whole, never back.
class Phases {
  public:
    explicit Phases(const MotionProgress& progress) : progress_(progress) {}
    MotionProgress Share(double to) {
        const double from = last_;
        return [this, from, to](double share) { At(from + (to - from) * share); };
    }
    void At(double done) {
        done = std::clamp(done, 0.0, 1.0);
        if (done <= last_)
            return;
        last_ = done;
        if (progress_)
            progress_(done);
    }

  private:
    const MotionProgress& progress_;
    double last_ = 0;
};

bool KeyFramesDense(const VideoMotion& coarse, const AutoSyncJobOptions& options) {
    const std::vector<double>& t = coarse.signal.times;
    if (static_cast<int>(t.size()) < options.leastKeyFrameSamples)
        return false;
    for (size_t i = 1; i < t.size(); ++i) {
        if (t[i] - t[i - 1] > options.mostKeyFrameGapSeconds)
            return false;
    }
    return true;
}

AutoSyncResult Cancelled() {
    AutoSyncResult r;
    r.cancelled = true;
    return r;
}

AutoSyncResult ReadFailed(const VideoMotion& motion) {
    AutoSyncResult r;
    r.readError = motion.error;
    r.message = motion.error;
    return r;
}

}  // namespace

AutoSyncResult RunAutoSync(const TLapDtRec& slotA, const MotionReader& read,
                           const MotionProgress& progress, const std::atomic<bool>& cancel,
                           const AutoSyncJobOptions& options) {
    AutoSyncResult refused;
    refused.message = kAutoSyncRefused;
    if (slotA.Elm.empty() || !read)
        return refused;
    const MotionSignal yaw = LapYawRate(slotA.Elm);
    Phases phases(progress);

    const VideoMotion coarse =
        read({MotionReadRequest::Kind::KeyFrames, {}}, phases.Share(kCoarseEnd), &cancel);
    if (coarse.cancelled || cancel)
        return Cancelled();
    if (coarse.ok() && coarse.signal.source == MotionSignal::Source::Gyro) {
        AutoSyncResult r = AutoSyncToLap(slotA, coarse.signal, options.match, &cancel);
        phases.At(1);
        return r;
    }
    if (coarse.ok() && coarse.signal.duration >= options.leastTwoPassSeconds &&
        KeyFramesDense(coarse, options)) {
        const MotionMatch near = MatchMotionCoarse(yaw, coarse.signal, options.match, &cancel);
        if (near.cancelled || cancel)
            return Cancelled();
        const std::vector<MotionSpan> windows =
            near.found ? FineWindows(yaw, coarse.signal.duration, near.offset, options.match)
                       : std::vector<MotionSpan>{};
        if (windows.size() >= 3) {
            const VideoMotion fine = read(
                {MotionReadRequest::Kind::Spans, FineSpans(windows, near.offset, options.match)},
                phases.Share(kFineEnd), &cancel);
            if (fine.cancelled || cancel)
                return Cancelled();
            if (fine.ok()) {
                AutoSyncResult r = AutoSyncOfMatch(
                    slotA,
                    MatchMotionWindows(yaw, fine.signal, near, windows, options.match, &cancel));
                if (r.cancelled || cancel)
                    return Cancelled();
                if (r.tied) {
                    r.source = fine.signal.source;
                    r.twoPasses = true;
                    phases.At(1);
                    return r;
                }
            }
        }
    }

    // The whole video, read and matched as one: the only way for a short or
    // sparse one, and the full check where the passes found nothing sure.
    const VideoMotion whole = read({}, phases.Share(kFineEnd), &cancel);
    if (whole.cancelled || cancel)
        return Cancelled();
    if (!whole.ok())
        return ReadFailed(whole);
    AutoSyncResult r = AutoSyncToLap(slotA, whole.signal, options.match, &cancel);
    if (r.cancelled || cancel)
        return Cancelled();
    phases.At(1);
    return r;
}

}  // namespace qv
