#pragma once
// How fast something turns, sampled over time: the video's motion (picture
// shift or camera gyro) and the log's yaw rate meet in this one form, so
// the video side needs to know nothing of laps and the match nothing of
// FFmpeg.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace qv {

struct MotionSignal {
    enum class Source { None, Picture, Gyro, Log };
    Source source = Source::None;
    std::vector<double> times;   // s, ascending
    std::vector<double> values;  // turn rate at times[i], in any unit
    // Whether positive values are turns to the right. A gyro's axes depend
    // on how the camera is mounted, so its sign is not known.
    bool signKnown = true;
    double frameInterval = 0;  // s between frames of the video, 0 when not a video
    double duration = 0;       // s, the whole video

    bool empty() const { return times.empty(); }
};

// A span of video time, s, from included to `to` excluded.
struct MotionSpan {
    double from = 0;
    double to = 0;
};

// What part of a video's motion to read. A camera gyro is cheap to read
// whole, so a file with one gives its whole gyro signal to every request.
struct MotionReadRequest {
    enum class Kind {
        Whole,      // every frame read (B-frames aside)
        KeyFrames,  // one sample per key frame: its picture against the next one decoded
        Spans,      // every frame inside `spans`, nothing outside
    };
    Kind kind = Kind::Whole;
    std::vector<MotionSpan> spans;
};

struct VideoMotion {
    MotionSignal signal;  // Source::Picture or Source::Gyro
    bool cancelled = false;
    std::string error;  // empty on success

    bool ok() const { return error.empty() && !cancelled; }
};

// The share done, 0 to 1.
using MotionProgress = std::function<void(double share)>;
// Reads a request's motion of one video; `cancel` may be null.
using MotionReader =
    std::function<VideoMotion(const MotionReadRequest& request, const MotionProgress& progress,
                              const std::atomic<bool>* cancel)>;

}  // namespace qv
