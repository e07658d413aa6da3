#include "video/video_motion.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <numbers>
#include <span>
#include <vector>

#include "video/chapter_input.h"
#include "video/gpmd_reader.h"
#include "video/picture_shift.h"
#include "video/video_chapters.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace qv {
namespace {

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

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

double Seconds(int64_t ts, AVRational base) {
    return static_cast<double>(ts) * av_q2d(base);
}

// Rows enough for a steady column mean: taller pictures are read on every
// few rows only.
constexpr int kProfileRows = 128;

// Bytes per luma sample when the frame keeps its luma as a plane of its own,
// in the machine's byte order; 0 when the picture must be converted first.
int LumaBytes(int format) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format));
    constexpr uint64_t kNotLuma = AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL |
                                  AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM |
                                  AV_PIX_FMT_FLAG_BAYER | AV_PIX_FMT_FLAG_FLOAT;
    if (d == nullptr || d->nb_components < 1 || (d->flags & kNotLuma) != 0)
        return 0;
    const AVComponentDescriptor& y = d->comp[0];
    if (y.plane != 0 || y.offset != 0 || y.shift != 0)
        return 0;
    if (y.step == 1 && y.depth == 8)
        return 1;
    const bool bigEndian = (d->flags & AV_PIX_FMT_FLAG_BE) != 0;
    if (y.step == 2 && y.depth > 8 && y.depth <= 16 &&
        bigEndian == (std::endian::native == std::endian::big))
        return 2;
    return 0;
}

int GpmdStream(const AVFormatContext* format) {
    for (unsigned k = 0; k < format->nb_streams; ++k) {
        const AVCodecParameters* p = format->streams[k]->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_DATA && p->codec_tag == MKTAG('g', 'p', 'm', 'd'))
            return static_cast<int>(k);
    }
    return -1;
}

// Progress at most a hundred times over the file.
class ProgressSteps {
  public:
    ProgressSteps(const MotionProgress& progress, double total)
        : progress_(progress), total_(total) {}
    void At(double done) {
        if (!progress_ || total_ <= 0)
            return;
        const int step = static_cast<int>(std::clamp(done / total_, 0.0, 1.0) * 100);
        if (step > last_) {
            last_ = step;
            progress_(step / 100.0);
        }
    }

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
    explicit FrameProfiler(const VideoMotionOptions& options)
        : options_(options),
          width_(std::max(options.width, 16)),
          greyRows_(
              std::max(1, static_cast<int>(std::lround(options.height * options.upperShare)))) {}

    size_t columns() const { return static_cast<size_t>(width_); }

    bool Profile(const AVFrame& frame, std::span<double> out) {
        const int rows = std::clamp(
            static_cast<int>(std::lround(frame.height * options_.upperShare)), 1, frame.height);
        const int bytes = LumaBytes(frame.format);
        if (bytes > 0 && frame.width >= width_) {
            PlaneColumnProfile({frame.data[0], frame.linesize[0], frame.width, frame.height, bytes},
                               rows, std::max(1, rows / kProfileRows), out);
            return true;
        }
        const int cropH = std::max(2, rows & ~1);
        if (!scaler_ || scalerW_ != frame.width || scalerH_ != cropH ||
            scalerFormat_ != frame.format) {
            scaler_.reset(
                sws_getContext(frame.width, cropH, static_cast<AVPixelFormat>(frame.format), width_,
                               greyRows_, AV_PIX_FMT_GRAY8, SWS_AREA, nullptr, nullptr, nullptr));
            scalerW_ = frame.width;
            scalerH_ = cropH;
            scalerFormat_ = frame.format;
            grey_.resize(static_cast<size_t>(width_) * greyRows_);
        }
        if (!scaler_)
            return false;
        uint8_t* planes[4] = {grey_.data(), nullptr, nullptr, nullptr};
        int strides[4] = {width_, 0, 0, 0};
        sws_scale(scaler_.get(), frame.data, frame.linesize, 0, cropH, planes, strides);
        ColumnProfile({grey_, width_, greyRows_, width_}, 1.0, out);
        return true;
    }

  private:
    const VideoMotionOptions& options_;
    int width_;
    int greyRows_;
    std::vector<uint8_t> grey_;
    std::unique_ptr<SwsContext, ScalerFree> scaler_;
    int scalerW_ = 0, scalerH_ = 0, scalerFormat_ = -1;
};

// The gyro's samples spread evenly over each packet's time; the axis that
// turns most is taken as the yaw axis.
void ReadGyro(AVFormatContext* format, int stream, double videoStart, double duration,
              const MotionProgress& progress, const std::atomic<bool>* cancel, VideoMotion& out) {
    for (unsigned k = 0; k < format->nb_streams; ++k)
        format->streams[k]->discard =
            static_cast<int>(k) == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    const AVRational base = format->streams[stream]->time_base;
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::vector<double> times;
    std::vector<std::array<double, 3>> rates;
    ProgressSteps steps(progress, duration);
    while (av_read_frame(format, packet.get()) >= 0) {
        if (Cancelled(cancel)) {
            out.cancelled = true;
            return;
        }
        if (packet->stream_index == stream && packet->pts != AV_NOPTS_VALUE) {
            const GyroSamples gyro =
                ReadGpmdGyro({packet->data, static_cast<size_t>(packet->size)});
            const double from = Seconds(packet->pts, base) - videoStart;
            const double span = packet->duration > 0 ? Seconds(packet->duration, base) : 1.0;
            const size_t n = gyro.samples.size();
            for (size_t i = 0; i < n; ++i) {
                times.push_back(from +
                                span * (static_cast<double>(i) + 0.5) / static_cast<double>(n));
                rates.push_back(gyro.samples[i]);
            }
            steps.At(from);
        }
        av_packet_unref(packet.get());
    }
    if (times.size() < 2)
        return;
    std::array<double, 3> mean{}, square{};
    for (const auto& r : rates) {
        for (size_t a = 0; a < 3; ++a) {
            mean[a] += r[a];
            square[a] += r[a] * r[a];
        }
    }
    size_t yaw = 0;
    for (size_t a = 1; a < 3; ++a) {
        const double n = static_cast<double>(rates.size());
        if (square[a] / n - mean[a] * mean[a] / (n * n) >
            square[yaw] / n - mean[yaw] * mean[yaw] / (n * n))
            yaw = a;
    }
    out.signal.source = MotionSignal::Source::Gyro;
    out.signal.signKnown = false;
    out.signal.times = std::move(times);
    out.signal.values.reserve(rates.size());
    for (const auto& r : rates)
        out.signal.values.push_back(r[yaw] * 180 / std::numbers::pi);
}

}  // namespace

VideoMotion ReadVideoMotion(const std::string& path, const VideoMotionOptions& options,
                            const MotionProgress& progress, const std::atomic<bool>* cancel) {
    VideoMotion out;
    AVFormatContext* raw = nullptr;
    // The chapters of a camera's recording are one timeline, as the player
    // plays them.
    if (!OpenChapterInput(ChapterFilesOnDisk(path), &raw)) {
        out.error = "cannot open " + path;
        return out;
    }
    std::unique_ptr<AVFormatContext, InputCloser> format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0) {
        out.error = "cannot read the streams of " + path;
        return out;
    }
    const AVCodec* codec = nullptr;
    const int videoStream =
        av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (videoStream < 0 || codec == nullptr) {
        out.error = "no video in " + path;
        return out;
    }
    AVStream* vs = format->streams[videoStream];
    const double videoStart = vs->start_time != AV_NOPTS_VALUE
                                  ? Seconds(vs->start_time, vs->time_base)
                              : format->start_time != AV_NOPTS_VALUE
                                  ? static_cast<double>(format->start_time) / AV_TIME_BASE
                                  : 0.0;
    const AVRational rate = vs->avg_frame_rate.num > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
    out.signal.frameInterval = rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 0;
    out.signal.duration = format->duration > 0
                              ? static_cast<double>(format->duration) / AV_TIME_BASE
                          : vs->duration > 0 ? Seconds(vs->duration, vs->time_base)
                                             : 0;

    if (options.preferGyro) {
        const int gpmd = GpmdStream(format.get());
        if (gpmd >= 0) {
            ReadGyro(format.get(), gpmd, videoStart, out.signal.duration, progress, cancel, out);
            if (out.cancelled || !out.signal.empty())
                return out;
            // A gyro track without samples: the picture it is.
            if (av_seek_frame(format.get(), -1, 0, AVSEEK_FLAG_BACKWARD) < 0) {
                out.error = "cannot go back to the start of " + path;
                return out;
            }
        }
    }

    for (unsigned k = 0; k < format->nb_streams; ++k)
        format->streams[k]->discard =
            static_cast<int>(k) == videoStream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    std::unique_ptr<AVCodecContext, DecoderFreer> decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), vs->codecpar) < 0) {
        out.error = "cannot set up the decoder for " + path;
        return out;
    }
    decoder->thread_count = options.threads;
    decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    // A small grey picture hides what the loop filter would have smoothed.
    decoder->skip_loop_filter = AVDISCARD_ALL;
    decoder->flags2 |= AV_CODEC_FLAG2_FAST;
    if (options.skipBidirectional)
        decoder->skip_frame = AVDISCARD_BIDIR;
    else if (options.skipNonReference)
        decoder->skip_frame = AVDISCARD_NONREF;
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        out.error = "cannot decode the video of " + path;
        return out;
    }

    FrameProfiler profiler(options);
    std::vector<double> before(profiler.columns()), after(profiler.columns());
    bool havePrevious = false;
    double previousTime = 0;
    ProgressSteps steps(progress, out.signal.duration);

    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    const auto takeFrames = [&]() {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            const int64_t ts = frame->best_effort_timestamp != AV_NOPTS_VALUE
                                   ? frame->best_effort_timestamp
                                   : frame->pts;
            if (ts == AV_NOPTS_VALUE || frame->width < 2 || frame->height < 2) {
                av_frame_unref(frame.get());
                continue;
            }
            if (!profiler.Profile(*frame, after)) {
                av_frame_unref(frame.get());
                continue;
            }
            const double t = Seconds(ts, vs->time_base) - videoStart;
            av_frame_unref(frame.get());
            if (havePrevious && t > previousTime) {
                // With B-frames skipped the step spans several frames, and so
                // may the scene's shift; the wider search stays within a third
                // of the picture, where the overlap still decides.
                const double frames = out.signal.frameInterval > 0
                                          ? (t - previousTime) / out.signal.frameInterval
                                          : 1.0;
                const int range = std::min(
                    static_cast<int>(std::lround(options.maxShift * std::max(1.0, frames))),
                    std::max(options.maxShift, static_cast<int>(before.size() - 1) / 3));
                const double shift = ProfileShift(before, after, range);
                // The scene moves left as the car turns right.
                out.signal.times.push_back(0.5 * (t + previousTime));
                out.signal.values.push_back(-shift / (t - previousTime));
            }
            if (!havePrevious || t > previousTime) {
                std::swap(before, after);
                previousTime = t;
                havePrevious = true;
            }
            steps.At(t);
        }
    };
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (Cancelled(cancel)) {
            out.cancelled = true;
            return out;
        }
        if (packet->stream_index == videoStream &&
            avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            takeFrames();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    takeFrames();
    out.signal.source = MotionSignal::Source::Picture;
    out.signal.signKnown = true;
    if (out.signal.times.size() < 2)
        out.error = "too few frames in " + path;
    return out;
}

}  // namespace qv
