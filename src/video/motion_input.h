#pragma once
// What every read of a video's motion shares: the input opened (chapters as
// one timeline), its picture decoder, the column profile of a frame, and
// the pairing of two frames into one sample of the turn rate.

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "video/video_motion.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace qv::motion {

struct InputCloser {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct DecoderFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScalerFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
using Decoder = std::unique_ptr<AVCodecContext, DecoderFreer>;

inline bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

inline double Seconds(int64_t ts, AVRational base) {
    return static_cast<double>(ts) * av_q2d(base);
}

// A video file opened for reading its motion.
struct Input {
    std::unique_ptr<AVFormatContext, InputCloser> format;
    int videoStream = -1;
    const AVCodec* codec = nullptr;
    double videoStart = 0;  // s, the stream time of video time 0
    double frameInterval = 0;
    double duration = 0;
    std::string error;  // empty when open

    AVStream* stream() const { return format->streams[videoStream]; }
    // Video time of a frame or packet timestamp of the picture stream.
    double Time(int64_t ts) const { return Seconds(ts, stream()->time_base) - videoStart; }
};

Input OpenInput(const std::string& path);

// The stream of a camera's gyro, -1 when none.
int GpmdStream(const AVFormatContext* format);

// The gyro's whole signal into `out`; nothing when it holds no samples.
void ReadGyro(Input& input, int stream, const MotionProgress& progress,
              const std::atomic<bool>* cancel, VideoMotion& out);

// Only the picture stream is demuxed from here on.
void KeepOnlyPicture(Input& input);

// The picture decoder, on `threads` threads (0: as many as the machine has);
// null with `error` set, to be followed by the file's name, when it cannot
// be opened.
Decoder OpenDecoder(const Input& input, const VideoMotionOptions& options, int threads,
                    std::string& error);

// The frame's best timestamp, or nothing when it has none or no picture.
std::optional<int64_t> FrameTimestamp(const AVFrame& frame);

// Progress at most a hundred times over the file.
class ProgressSteps {
  public:
    ProgressSteps(const MotionProgress& progress, double total)
        : progress_(progress), total_(total) {}
    void At(double done);

  private:
    const MotionProgress& progress_;
    double total_;
    int last_ = -1;
};

// The column profile of the upper part of a decoded frame, read straight
// off its luma plane; other pixel formats are first scaled to a small grey
// picture.
class FrameProfiler {
  public:
    explicit FrameProfiler(const VideoMotionOptions& options);
    size_t columns() const { return static_cast<size_t>(width_); }
    bool Profile(const AVFrame& frame, std::span<double> out);

  private:
    const VideoMotionOptions& options_;
    int width_;
    int greyRows_;
    std::vector<uint8_t> grey_;
    std::unique_ptr<SwsContext, ScalerFree> scaler_;
    int scalerW_ = 0, scalerH_ = 0, scalerFormat_ = -1;
};

// Turns successive frames into samples of the turn rate, each at the middle
// of its two frames.
class ShiftSampler {
  public:
    ShiftSampler(const VideoMotionOptions& options, double frameInterval);
    // The frame at video time `t`; a sample when it follows an earlier one.
    std::optional<std::pair<double, double>> Add(const AVFrame& frame, double t);
    // The next frame starts afresh.
    void Reset() { havePrevious_ = false; }

  private:
    const VideoMotionOptions& options_;
    double frameInterval_;
    FrameProfiler profiler_;
    std::vector<double> before_, after_;
    bool havePrevious_ = false;
    double previousTime_ = 0;
};

}  // namespace qv::motion
