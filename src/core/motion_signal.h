#pragma once
// How fast something turns, sampled over time: the video's motion (picture
// shift or camera gyro) and the log's yaw rate meet in this one form, so
// the video side needs to know nothing of laps and the match nothing of
// FFmpeg.

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

}  // namespace qv
