#pragma once
// Reads of part of a video's motion, key frames or spans of time, shared
// among decoders of one thread each on inputs of their own.

#include <string>

#include "video/motion_input.h"

namespace qv::motion {

// `first` is the input already open at its start; the samples go to `out`,
// in time order.
void ReadMotionParts(const std::string& path, Input first, const MotionReadRequest& request,
                     const VideoMotionOptions& options, const MotionProgress& progress,
                     const std::atomic<bool>* cancel, VideoMotion& out);

}  // namespace qv::motion
