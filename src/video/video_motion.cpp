#include "video/video_motion.h"

#include <memory>

#include "video/motion_input.h"
#include "video/motion_parts.h"

namespace qv {
namespace {

using namespace motion;

void ReadWhole(Input& in, const std::string& path, const VideoMotionOptions& options,
               const MotionProgress& progress, const std::atomic<bool>* cancel, VideoMotion& out) {
    KeepOnlyPicture(in);
    std::string error;
    const Decoder decoder = OpenDecoder(in, options, options.threads, error);
    if (!decoder) {
        out.error = error + " " + path;
        return;
    }
    ShiftSampler sampler(options, in.frameInterval);
    ProgressSteps steps(progress, in.duration);
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    const auto takeFrames = [&]() {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            const std::optional<int64_t> ts = FrameTimestamp(*frame);
            if (ts) {
                const double t = in.Time(*ts);
                if (const auto sample = sampler.Add(*frame, t)) {
                    out.signal.times.push_back(sample->first);
                    out.signal.values.push_back(sample->second);
                }
                steps.At(t);
            }
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(in.format.get(), packet.get()) >= 0) {
        if (Cancelled(cancel)) {
            out.cancelled = true;
            return;
        }
        if (packet->stream_index == in.videoStream &&
            avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            takeFrames();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    takeFrames();
}

}  // namespace

VideoMotion ReadVideoMotion(const std::string& path, const VideoMotionOptions& options,
                            const MotionProgress& progress, const std::atomic<bool>* cancel) {
    return ReadVideoMotion(path, MotionReadRequest{}, options, progress, cancel);
}

VideoMotion ReadVideoMotion(const std::string& path, const MotionReadRequest& request,
                            const VideoMotionOptions& options, const MotionProgress& progress,
                            const std::atomic<bool>* cancel) {
    VideoMotion out;
    Input in = OpenInput(path);
    if (!in.error.empty()) {
        out.error = in.error;
        return out;
    }
    out.signal.frameInterval = in.frameInterval;
    out.signal.duration = in.duration;

    if (options.preferGyro) {
        const int gpmd = GpmdStream(in.format.get());
        if (gpmd >= 0) {
            ReadGyro(in, gpmd, progress, cancel, out);
            if (out.cancelled || !out.signal.empty())
                return out;
            // A gyro track without samples: the picture it is.
            if (av_seek_frame(in.format.get(), -1, 0, AVSEEK_FLAG_BACKWARD) < 0) {
                out.error = "cannot go back to the start of " + path;
                return out;
            }
        }
    }

    if (request.kind == MotionReadRequest::Kind::Whole)
        ReadWhole(in, path, options, progress, cancel, out);
    else
        ReadMotionParts(path, std::move(in), request, options, progress, cancel, out);
    if (out.cancelled)
        return out;
    out.signal.source = MotionSignal::Source::Picture;
    out.signal.signKnown = true;
    if (out.error.empty() && out.signal.times.size() < 2)
        out.error = "too few frames in " + path;
    return out;
}

MotionReader VideoFileMotionReader(const std::string& path, const VideoMotionOptions& options) {
    return [path, options](const MotionReadRequest& request, const MotionProgress& progress,
                           const std::atomic<bool>* cancel) {
        return ReadVideoMotion(path, request, options, progress, cancel);
    };
}

}  // namespace qv
