#pragma once
// The motion signal of a video file: the camera's gyro when the file has a
// `gpmd` track, else the sideways shift of the picture from frame to frame,
// decoded at low resolution. Knows nothing of laps.

#include <atomic>
#include <string>

#include "core/motion_signal.h"

namespace qv {

struct VideoMotionOptions {
    // Columns of the profile matched from frame to frame. A picture of a
    // format with no luma plane of its own is scaled to width x height grey.
    int width = 160;
    int height = 90;
    double upperShare = 0.6;  // the part above the bonnet and the dashboard
    int maxShift = 24;        // pixels per frame at `width`
    bool preferGyro = true;
    int threads = 0;  // decoder threads, 0: as many as the machine has
    // Frames no other frame refers to (most B-frames) are not decoded: a
    // faster read of dense files, with fewer samples of the motion.
    bool skipNonReference = false;
    // No frame predicted from both sides (no B-frame, not even one that others
    // refer to) is decoded: the motion is read from the I- and P-frames, a
    // few frames apart, which still ties within a frame and halves the
    // decoding of files with B-frames. Files without them lose nothing.
    bool skipBidirectional = true;
    // Decoders of one thread each that share a read of key frames or spans,
    // 0: one per core. Frame threads of one decoder gain less on two cores
    // than two decoders on separate parts of the file.
    int partReaders = 0;
};

// The whole motion. `progress` gets the share done, 0 to 1, now and then
// on the calling thread; `cancel` is checked between frames.
VideoMotion ReadVideoMotion(const std::string& path, const VideoMotionOptions& options = {},
                            const MotionProgress& progress = {},
                            const std::atomic<bool>* cancel = nullptr);

// The motion `request` asks for. Samples of key frames and spans come in
// time order on the video's clock, spans' only from inside them.
VideoMotion ReadVideoMotion(const std::string& path, const MotionReadRequest& request,
                            const VideoMotionOptions& options = {},
                            const MotionProgress& progress = {},
                            const std::atomic<bool>* cancel = nullptr);

// The reader of the automatic tie for the file at `path`.
MotionReader VideoFileMotionReader(const std::string& path, const VideoMotionOptions& options = {});

}  // namespace qv
