#include "video/motion_input.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numbers>

#include "video/chapter_input.h"
#include "video/gpmd_reader.h"
#include "video/picture_shift.h"
#include "video/video_chapters.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace qv::motion {
namespace {

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

}  // namespace

Input OpenInput(const std::string& path) {
    Input in;
    AVFormatContext* raw = nullptr;
    // The chapters of a camera's recording are one timeline, as the player
    // plays them.
    if (!OpenChapterInput(ChapterFilesOnDisk(path), &raw)) {
        in.error = "cannot open " + path;
        return in;
    }
    in.format.reset(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) {
        in.error = "cannot read the streams of " + path;
        return in;
    }
    in.videoStream = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, &in.codec, 0);
    if (in.videoStream < 0 || in.codec == nullptr) {
        in.error = "no video in " + path;
        return in;
    }
    const AVStream* vs = in.stream();
    in.videoStart = vs->start_time != AV_NOPTS_VALUE ? Seconds(vs->start_time, vs->time_base)
                    : raw->start_time != AV_NOPTS_VALUE
                        ? static_cast<double>(raw->start_time) / AV_TIME_BASE
                        : 0.0;
    const AVRational rate = vs->avg_frame_rate.num > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
    in.frameInterval = rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 0;
    in.duration = raw->duration > 0  ? static_cast<double>(raw->duration) / AV_TIME_BASE
                  : vs->duration > 0 ? Seconds(vs->duration, vs->time_base)
                                     : 0;
    return in;
}

int GpmdStream(const AVFormatContext* format) {
    for (unsigned k = 0; k < format->nb_streams; ++k) {
        const AVCodecParameters* p = format->streams[k]->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_DATA && p->codec_tag == MKTAG('g', 'p', 'm', 'd'))
            return static_cast<int>(k);
    }
    return -1;
}

void ProgressSteps::At(double done) {
    if (!progress_ || total_ <= 0)
        return;
    const int step = static_cast<int>(std::clamp(done / total_, 0.0, 1.0) * 100);
    if (step > last_) {
        last_ = step;
        progress_(step / 100.0);
    }
}

// The gyro's samples spread evenly over each packet's time; the axis that
// turns most is taken as the yaw axis.
void ReadGyro(Input& input, int stream, const MotionProgress& progress,
              const std::atomic<bool>* cancel, VideoMotion& out) {
    AVFormatContext* format = input.format.get();
    for (unsigned k = 0; k < format->nb_streams; ++k)
        format->streams[k]->discard =
            static_cast<int>(k) == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    const AVRational base = format->streams[stream]->time_base;
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::vector<double> times;
    std::vector<std::array<double, 3>> rates;
    ProgressSteps steps(progress, input.duration);
    while (av_read_frame(format, packet.get()) >= 0) {
        if (Cancelled(cancel)) {
            out.cancelled = true;
            return;
        }
        if (packet->stream_index == stream && packet->pts != AV_NOPTS_VALUE) {
            const GyroSamples gyro =
                ReadGpmdGyro({packet->data, static_cast<size_t>(packet->size)});
            const double from = Seconds(packet->pts, base) - input.videoStart;
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

void KeepOnlyPicture(Input& input) {
    for (unsigned k = 0; k < input.format->nb_streams; ++k)
        input.format->streams[k]->discard =
            static_cast<int>(k) == input.videoStream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
}

Decoder OpenDecoder(const Input& input, const VideoMotionOptions& options, int threads,
                    std::string& error) {
    Decoder decoder(avcodec_alloc_context3(input.codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), input.stream()->codecpar) < 0) {
        error = "cannot set up the decoder for";
        return nullptr;
    }
    decoder->thread_count = threads;
    decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    // A small grey picture hides what the loop filter would have smoothed.
    decoder->skip_loop_filter = AVDISCARD_ALL;
    decoder->flags2 |= AV_CODEC_FLAG2_FAST;
    if (options.skipBidirectional)
        decoder->skip_frame = AVDISCARD_BIDIR;
    else if (options.skipNonReference)
        decoder->skip_frame = AVDISCARD_NONREF;
    // Frames left undecoded on purpose leave references missing; the
    // decoder's complaints of that would only clutter the terminal.
    decoder->log_level_offset = AV_LOG_DEBUG - AV_LOG_ERROR;
    if (avcodec_open2(decoder.get(), input.codec, nullptr) < 0) {
        error = "cannot decode the video of";
        return nullptr;
    }
    return decoder;
}

std::optional<int64_t> FrameTimestamp(const AVFrame& frame) {
    const int64_t ts =
        frame.best_effort_timestamp != AV_NOPTS_VALUE ? frame.best_effort_timestamp : frame.pts;
    if (ts == AV_NOPTS_VALUE || frame.width < 2 || frame.height < 2)
        return std::nullopt;
    return ts;
}

FrameProfiler::FrameProfiler(const VideoMotionOptions& options)
    : options_(options),
      width_(std::max(options.width, 16)),
      greyRows_(std::max(1, static_cast<int>(std::lround(options.height * options.upperShare)))) {}

bool FrameProfiler::Profile(const AVFrame& frame, std::span<double> out) {
    const int rows = std::clamp(static_cast<int>(std::lround(frame.height * options_.upperShare)),
                                1, frame.height);
    const int bytes = LumaBytes(frame.format);
    if (bytes > 0 && frame.width >= width_) {
        PlaneColumnProfile({frame.data[0], frame.linesize[0], frame.width, frame.height, bytes},
                           rows, std::max(1, rows / kProfileRows), out);
        return true;
    }
    const int cropH = std::max(2, rows & ~1);
    if (!scaler_ || scalerW_ != frame.width || scalerH_ != cropH || scalerFormat_ != frame.format) {
        scaler_.reset(sws_getContext(frame.width, cropH, static_cast<AVPixelFormat>(frame.format),
                                     width_, greyRows_, AV_PIX_FMT_GRAY8, SWS_AREA, nullptr,
                                     nullptr, nullptr));
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

ShiftSampler::ShiftSampler(const VideoMotionOptions& options, double frameInterval)
    : options_(options),
      frameInterval_(frameInterval),
      profiler_(options),
      before_(profiler_.columns()),
      after_(profiler_.columns()) {}

std::optional<std::pair<double, double>> ShiftSampler::Add(const AVFrame& frame, double t) {
    if (!profiler_.Profile(frame, after_))
        return std::nullopt;
    std::optional<std::pair<double, double>> sample;
    if (havePrevious_ && t > previousTime_) {
        // With B-frames skipped the step spans several frames, and so may
        // the scene's shift; the wider search stays within a third of the
        // picture, where the overlap still decides.
        const double frames = frameInterval_ > 0 ? (t - previousTime_) / frameInterval_ : 1.0;
        const int range =
            std::min(static_cast<int>(std::lround(options_.maxShift * std::max(1.0, frames))),
                     std::max(options_.maxShift, static_cast<int>(before_.size() - 1) / 3));
        const double shift = ProfileShift(before_, after_, range);
        // The scene moves left as the car turns right.
        sample = std::make_pair(0.5 * (t + previousTime_), -shift / (t - previousTime_));
    }
    if (!havePrevious_ || t > previousTime_) {
        std::swap(before_, after_);
        previousTime_ = t;
        havePrevious_ = true;
    }
    return sample;
}

}  // namespace qv::motion
