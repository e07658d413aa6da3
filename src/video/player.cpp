#include "video/player.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace qv {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kFrameQueueFrames = 6;
constexpr int64_t kAudioQueueMaxUs = 4000000;  // older sound is dropped beyond this
constexpr int64_t kAudioClockFreshUs = 250000;
constexpr int64_t kNoFloor = std::numeric_limits<int64_t>::max();
constexpr int64_t kNone = std::numeric_limits<int64_t>::min();
// While playing, frames that are this late are decoded only as far as later
// frames need them, and not converted: the picture skips rather than lags.
constexpr int64_t kLateUs = 40000;
// ... but one frame is still shown this often, so that the picture moves.
constexpr auto kShowEvery = std::chrono::milliseconds(100);
// Further behind than this, decoding jumps to the key frame before the clock
// plus a lead, when that key frame lies ahead of what was read.
constexpr int64_t kJumpLagUs = 500000;
constexpr int64_t kJumpLeadUs = 200000;

int64_t UsSince(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::microseconds>(to - from).count();
}

struct FormatCloser {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct GraphFreer {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrFreer {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;

FramePtr NewFrame() {
    return FramePtr(av_frame_alloc());
}

// The audio subsystem, started once for the process and kept: starting and
// stopping it with every file costs a round trip to the sound server.
bool AudioSubsystem() {
    static const bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    return started;
}

struct QueuedFrame {
    std::shared_ptr<const VideoImage> image;
    int serial = 0;
    bool seekResult = false;  // shown at once, paused or not
    bool end = false;
};

// What the reader thread carries from one packet to the next.
struct ReadState {
    int serial = 0;
    bool markNext = true;           // the next frame answers an open or a seek
    int64_t discardBefore = kNone;  // a precise seek's target
    int64_t dropBefore = kNone;     // frames before it are late
    int64_t lastPts = kNone;        // of the last frame decoded
    int64_t lastDts = kNone;        // of the last video packet, in the stream's units
    bool atEnd = false;
    FramePtr held;  // a precise seek's best candidate so far
    Clock::time_point lastEmitted;
};

struct AudioBlock {
    int64_t pts = 0;  // of samples[0]
    std::vector<int16_t> samples;
    size_t offset = 0;  // samples already played
};

}  // namespace

std::string VideoFilterText(int brightness, int contrast, int hue, int saturation) {
    char text[160];
    std::snprintf(text, sizeof text, "eq=brightness=%g:contrast=%g,hue=h=%d:s=%g",
                  brightness / 100.0, 1.0 + contrast / 100.0, hue, 1.0 + saturation / 100.0);
    return text;
}

bool LoadAVLib(const std::string&) {
    return true;
}

bool AVLibLoaded() {
    return true;
}

struct Player::Impl {
    explicit Impl(PlayerEventSink& s) : sink(s) {}

    PlayerEventSink& sink;

    // The file, owned by the reader thread while it runs.
    std::unique_ptr<AVFormatContext, FormatCloser> format;
    std::unique_ptr<AVCodecContext, CodecFreer> videoCodec;
    std::unique_ptr<AVCodecContext, CodecFreer> audioCodec;
    std::unique_ptr<AVFilterGraph, GraphFreer> graph;
    AVFilterContext* source = nullptr;
    AVFilterContext* sinkFilter = nullptr;
    SwsContext* scaler = nullptr;
    std::unique_ptr<SwrContext, SwrFreer> resampler;
    int videoStream = -1;
    int audioStream = -1;
    int64_t startTime = 0;
    int64_t duration = 0;
    int64_t frameUs = 0;  // the usual gap between frames; 0 when unknown
    LiveFilterValues* live = nullptr;
    int applied[4] = {0, 0, 0, 0};
    bool neutralGraph = false;  // built from the text for all values 0
    double rate = 1.0;

    // Shared between the window, reader and presenter threads.
    mutable std::mutex mutex;
    std::condition_variable readerWake;
    std::condition_variable presenterWake;
    std::deque<QueuedFrame> frames;
    bool open = false;
    bool stopping = false;
    bool seekRequested = false;
    int64_t seekTarget = 0;
    SeekFlag seekFlag = SeekFlag::kPrecise;
    int serial = 0;
    bool paused = true;
    bool stepRequested = false;
    PlayerState state = PlayerState::psStop;
    int64_t clockBasePts = 0;
    Clock::time_point clockBaseWall;
    std::atomic<int64_t> currentPts{0};
    std::atomic<int> screenWidth{0};
    std::atomic<int> screenHeight{0};
    std::thread reader;
    std::thread presenter;

    // Sound: the reader fills the queue, the audio thread plays it.
    SDL_AudioDeviceID device = 0;
    int audioRate = 0;
    int audioChannels = 0;
    int deviceSamples = 0;
    AudioHook hook;
    std::mutex audioMutex;
    std::deque<AudioBlock> audio;
    std::atomic<int64_t> audioFloor{kNoFloor};  // sound before it is not played
    int64_t audioClockPts = 0;                  // under audioMutex
    Clock::time_point audioClockWall;
    bool audioClockValid = false;

    void PostState(PlayerState s) {
        state = s;
        PlayerEvent e;
        e.kind = PlayerEventKind::kState;
        e.state = s;
        sink.Post(std::move(e));
    }

    int64_t ToUs(int64_t ts, AVRational base) const {
        if (ts == AV_NOPTS_VALUE)
            return 0;
        return av_rescale_q(ts, base, AV_TIME_BASE_Q) - startTime;
    }

    // The master clock: the sound while it plays, the system clock otherwise.
    // Caller holds `mutex`.
    int64_t ClockNow() {
        if (paused)
            return clockBasePts;
        const Clock::time_point now = Clock::now();
        if (device != 0) {
            std::lock_guard audioLock(audioMutex);
            if (audioClockValid && UsSince(audioClockWall, now) < kAudioClockFreshUs) {
                clockBasePts = audioClockPts + UsSince(audioClockWall, now);
                clockBaseWall = now;
                return clockBasePts;
            }
        }
        return clockBasePts + static_cast<int64_t>(UsSince(clockBaseWall, now) * rate);
    }

    bool OpenFile(const std::string& file, const std::string& filters, AudioDriver driver);
    bool OpenCodec(int stream, std::unique_ptr<AVCodecContext, CodecFreer>& codec);
    bool BuildFilters(const std::string& filters);
    void OpenAudio();
    void CloseFile();

    void ReaderLoop();
    void CatchUp(ReadState& r, int64_t clock);
    void DoSeek(int64_t target);
    // The times of the next video packet, which is read and dropped.
    struct PacketTimes {
        int64_t pts = AV_NOPTS_VALUE;
        int64_t dts = AV_NOPTS_VALUE;
    };
    PacketTimes NextVideoPacketTimes();
    void DecodeVideo(const AVPacket* packet, ReadState& r);
    void DecodeAudio(const AVPacket* packet);
    // Sends changed live values to the filters; true when they would leave
    // the picture unchanged.
    bool PassFiltersBy();
    bool Emit(AVFrame* frame, ReadState& r);
    std::shared_ptr<const VideoImage> Convert(AVFrame* frame);
    bool PushFrame(QueuedFrame frame, int mySerial);

    void PresenterLoop();
    void Show(const QueuedFrame& frame);

    void FillAudio(uint8_t* out, int bytes);
};

bool Player::Impl::OpenCodec(int stream, std::unique_ptr<AVCodecContext, CodecFreer>& codec) {
    const AVCodecParameters* par = format->streams[stream]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    if (decoder == nullptr)
        return false;
    codec.reset(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), par) < 0)
        return false;
    codec->pkt_timebase = format->streams[stream]->time_base;
    codec->thread_count = 0;
    return avcodec_open2(codec.get(), decoder, nullptr) == 0;
}

bool Player::Impl::BuildFilters(const std::string& filters) {
    graph.reset(avfilter_graph_alloc());
    if (!graph)
        return false;
    const AVStream* st = format->streams[videoStream];
    char args[256];
    const AVRational sar = videoCodec->sample_aspect_ratio.num > 0 ? videoCodec->sample_aspect_ratio
                                                                   : AVRational{1, 1};
    std::snprintf(args, sizeof args,
                  "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                  videoCodec->width, videoCodec->height, videoCodec->pix_fmt, st->time_base.num,
                  st->time_base.den, sar.num, sar.den);
    if (avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", args, nullptr,
                                     graph.get()) < 0 ||
        avfilter_graph_create_filter(&sinkFilter, avfilter_get_by_name("buffersink"), "out",
                                     nullptr, nullptr, graph.get()) < 0)
        return false;
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    bool ok = outputs != nullptr && inputs != nullptr;
    if (ok) {
        outputs->name = av_strdup("in");
        outputs->filter_ctx = source;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sinkFilter;
        ok = avfilter_graph_parse_ptr(graph.get(), filters.c_str(), &inputs, &outputs, nullptr) >=
                 0 &&
             avfilter_graph_config(graph.get(), nullptr) >= 0;
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (!ok) {
        graph.reset();
        source = sinkFilter = nullptr;
    }
    return ok;
}

void Player::Impl::OpenAudio() {
    if (audioStream < 0 || !AudioSubsystem())
        return;
    SDL_AudioSpec want{};
    want.freq = audioCodec->sample_rate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(std::clamp(audioCodec->ch_layout.nb_channels, 1, 2));
    want.samples = 1024;
    want.callback = [](void* self, Uint8* out, int bytes) {
        static_cast<Impl*>(self)->FillAudio(out, bytes);
    };
    want.userdata = this;
    SDL_AudioSpec have{};
    device =
        SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                            SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (device == 0)
        return;
    audioRate = have.freq;
    audioChannels = std::clamp<int>(have.channels, 1, 2);
    deviceSamples = have.samples;
    if (have.channels > 2) {
        // The device wants more channels than are given to it; no sound is
        // better than sound in the wrong places.
        SDL_CloseAudioDevice(device);
        device = 0;
        return;
    }
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, audioChannels);
    SwrContext* swr = nullptr;
    if (swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, audioRate, &audioCodec->ch_layout,
                            audioCodec->sample_fmt, audioCodec->sample_rate, 0, nullptr) < 0 ||
        swr_init(swr) < 0) {
        swr_free(&swr);
        SDL_CloseAudioDevice(device);
        device = 0;
        return;
    }
    resampler.reset(swr);
}

bool Player::Impl::OpenFile(const std::string& file, const std::string& filters,
                            AudioDriver driver) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, file.c_str(), nullptr, nullptr) < 0)
        return false;
    format.reset(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return false;
    videoStream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoStream < 0 || !OpenCodec(videoStream, videoCodec) || videoCodec->width <= 0 ||
        videoCodec->height <= 0)
        return false;
    audioStream =
        av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, videoStream, nullptr, 0);
    if (audioStream >= 0 && !OpenCodec(audioStream, audioCodec)) {
        audioStream = -1;
        audioCodec.reset();
    }
    startTime = format->start_time != AV_NOPTS_VALUE ? format->start_time : 0;
    const AVStream* vs = format->streams[videoStream];
    const AVRational frameRate = vs->avg_frame_rate.num > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
    frameUs = frameRate.num > 0 && frameRate.den > 0
                  ? av_rescale(1000000, frameRate.den, frameRate.num)
                  : 0;
    if (format->duration > 0)
        duration = format->duration;
    else if (vs->duration > 0)
        duration = av_rescale_q(vs->duration, vs->time_base, AV_TIME_BASE_Q);
    if (duration <= 0)
        return false;
    for (unsigned k = 0; k < format->nb_streams; ++k) {
        if (static_cast<int>(k) != videoStream && static_cast<int>(k) != audioStream)
            format->streams[k]->discard = AVDISCARD_ALL;
    }
    if (!filters.empty() && !BuildFilters(filters))
        return false;
    neutralGraph = filters == VideoFilterText(0, 0, 0, 0);
    if (driver != AudioDriver::adNone)
        OpenAudio();
    if (device == 0 && audioStream >= 0) {
        format->streams[audioStream]->discard = AVDISCARD_ALL;
        audioStream = -1;
        audioCodec.reset();
    }
    return true;
}

void Player::Impl::CloseFile() {
    if (device != 0) {
        SDL_CloseAudioDevice(device);
        device = 0;
    }
    {
        std::lock_guard audioLock(audioMutex);
        audio.clear();
        audioClockValid = false;
    }
    sws_freeContext(scaler);
    scaler = nullptr;
    resampler.reset();
    graph.reset();
    source = sinkFilter = nullptr;
    videoCodec.reset();
    audioCodec.reset();
    format.reset();
    videoStream = audioStream = -1;
    duration = 0;
    frames.clear();
}

// ---- reader thread ----

void Player::Impl::ReaderLoop() {
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    ReadState r;
    {
        std::lock_guard lock(mutex);
        r.serial = serial;
    }
    for (;;) {
        int64_t clock = kNone;
        {
            std::unique_lock lock(mutex);
            readerWake.wait(lock, [&] {
                return stopping || seekRequested || (!r.atEnd && frames.size() < kFrameQueueFrames);
            });
            if (stopping)
                return;
            if (seekRequested) {
                seekRequested = false;
                r.serial = serial;
                const int64_t target = seekTarget;
                const bool precise = seekFlag == SeekFlag::kPrecise;
                lock.unlock();
                DoSeek(target);
                r.markNext = true;
                r.discardBefore = precise ? target : kNone;
                r.held.reset();
                r.atEnd = false;
                r.lastPts = r.lastDts = kNone;
                continue;
            }
            if (!paused)
                clock = ClockNow();
        }
        CatchUp(r, clock);
        const int rc = av_read_frame(format.get(), packet.get());
        if (rc < 0) {
            DecodeVideo(nullptr, r);
            if (r.held)
                Emit(r.held.get(), r);
            r.held.reset();
            QueuedFrame end;
            end.end = true;
            end.seekResult = r.markNext;
            r.markNext = false;
            PushFrame(std::move(end), r.serial);
            r.atEnd = true;
            continue;
        }
        if (packet->stream_index == videoStream) {
            if (packet->dts != AV_NOPTS_VALUE)
                r.lastDts = packet->dts;
            DecodeVideo(packet.get(), r);
        } else if (packet->stream_index == audioStream) {
            DecodeAudio(packet.get());
        }
        av_packet_unref(packet.get());
    }
}

void Player::Impl::CatchUp(ReadState& r, int64_t clock) {
    r.dropBefore = clock == kNone || r.markNext ? kNone : clock - kLateUs;
    if (r.dropBefore == kNone || r.lastPts == kNone || clock - r.lastPts < kJumpLagUs)
        return;
    // Far behind: jump ahead when the key frame before the clock is later
    // than what was read, so that the picture catches up at once.
    AVStream* st = format->streams[videoStream];
    const int64_t to = std::min(clock + kJumpLeadUs, duration);
    const int64_t ts = av_rescale_q(to + startTime, AV_TIME_BASE_Q, st->time_base);
    const int at = av_index_search_timestamp(st, ts, AVSEEK_FLAG_BACKWARD);
    const AVIndexEntry* key = at >= 0 ? avformat_index_get_entry(st, at) : nullptr;
    if (key == nullptr || r.lastDts == kNone || key->timestamp <= r.lastDts)
        return;
    DoSeek(to);
    r.lastPts = r.lastDts = kNone;
}

void Player::Impl::DoSeek(int64_t target) {
    const AVStream* st = format->streams[videoStream];
    const int64_t ts = av_rescale_q(target + startTime, AV_TIME_BASE_Q, st->time_base);
    // Containers index key frames by decoding time, which runs ahead of the
    // showing time when there are B-frames, so the key frame found may show
    // after the target: step back a key frame until it shows at or before.
    int64_t seekTs = ts;
    bool placed = false;
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (av_seek_frame(format.get(), videoStream, seekTs, AVSEEK_FLAG_BACKWARD) < 0)
            break;
        placed = true;
        const PacketTimes key = NextVideoPacketTimes();
        if (key.pts == AV_NOPTS_VALUE || key.pts <= ts || key.dts == AV_NOPTS_VALUE)
            break;
        const int64_t earlier = std::min(key.dts, key.pts) - 1;
        if (earlier >= seekTs)
            break;
        seekTs = earlier;
    }
    // The probing read packets: go back to where decoding starts.
    if (!placed || av_seek_frame(format.get(), videoStream, seekTs, AVSEEK_FLAG_BACKWARD) < 0)
        avformat_seek_file(format.get(), videoStream, std::numeric_limits<int64_t>::min(), ts, ts,
                           0);
    avcodec_flush_buffers(videoCodec.get());
    if (audioCodec)
        avcodec_flush_buffers(audioCodec.get());
    std::lock_guard audioLock(audioMutex);
    audio.clear();
    audioClockValid = false;
}

Player::Impl::PacketTimes Player::Impl::NextVideoPacketTimes() {
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    while (packet && av_read_frame(format.get(), packet.get()) >= 0) {
        const bool video = packet->stream_index == videoStream;
        const PacketTimes times{packet->pts, packet->dts};
        av_packet_unref(packet.get());
        if (video)
            return times;
    }
    return {};
}

void Player::Impl::DecodeVideo(const AVPacket* packet, ReadState& r) {
    if (packet != nullptr) {
        // Frames that nothing refers to need not be decoded on the way to a
        // precise seek's target, which roughly halves the work, nor when
        // they are late. The margin of a few frames keeps the frame showing
        // at the target decoded when the frame rate varies.
        constexpr int kMarginFrames = 4;
        bool skip = false;
        if (packet->pts != AV_NOPTS_VALUE) {
            const int64_t at = ToUs(packet->pts, format->streams[videoStream]->time_base);
            skip = (r.discardBefore != kNone && frameUs > 0 &&
                    at < r.discardBefore - kMarginFrames * frameUs) ||
                   (r.dropBefore != kNone && at < r.dropBefore);
        }
        videoCodec->skip_frame = skip ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    }
    if (avcodec_send_packet(videoCodec.get(), packet) < 0 && packet != nullptr)
        return;
    for (;;) {
        FramePtr frame = NewFrame();
        if (avcodec_receive_frame(videoCodec.get(), frame.get()) < 0)
            return;
        const int64_t pts =
            ToUs(frame->best_effort_timestamp, format->streams[videoStream]->time_base);
        r.lastPts = pts;
        if (r.discardBefore != kNone) {
            // The frame showing at the target is the last one that starts at
            // or before it: hold each such frame until a later one arrives.
            if (pts <= r.discardBefore) {
                r.held = std::move(frame);
                continue;
            }
            if (r.held) {
                if (!Emit(r.held.get(), r))
                    return;
                r.held.reset();
            }
        }
        if (!r.markNext && r.dropBefore != kNone && pts < r.dropBefore &&
            Clock::now() - r.lastEmitted < kShowEvery)
            continue;
        if (!Emit(frame.get(), r))
            return;
    }
}

bool Player::Impl::PassFiltersBy() {
    if (live == nullptr)
        return false;
    const int now[4] = {live->brightness.load(), live->contrast.load(), live->hue.load(),
                        live->saturation.load()};
    // With every value at 0 the filters leave the picture as it is; passing
    // them by saves a third of the work for a large frame.
    if (neutralGraph && std::all_of(now, now + 4, [](int v) { return v == 0; }))
        return true;
    if (!std::equal(now, now + 4, applied)) {
        char value[32];
        std::snprintf(value, sizeof value, "%g", now[0] / 100.0);
        avfilter_graph_send_command(graph.get(), "eq", "brightness", value, nullptr, 0, 0);
        std::snprintf(value, sizeof value, "%g", 1.0 + now[1] / 100.0);
        avfilter_graph_send_command(graph.get(), "eq", "contrast", value, nullptr, 0, 0);
        std::snprintf(value, sizeof value, "%d", now[2]);
        avfilter_graph_send_command(graph.get(), "hue", "h", value, nullptr, 0, 0);
        std::snprintf(value, sizeof value, "%g", 1.0 + now[3] / 100.0);
        avfilter_graph_send_command(graph.get(), "hue", "s", value, nullptr, 0, 0);
        std::copy(now, now + 4, applied);
    }
    return false;
}

bool Player::Impl::Emit(AVFrame* frame, ReadState& r) {
    AVFrame* shown = frame;
    FramePtr filtered;
    if (graph && !PassFiltersBy()) {
        const int64_t pts = frame->best_effort_timestamp;
        frame->pts = pts;
        if (av_buffersrc_add_frame_flags(source, frame, AV_BUFFERSRC_FLAG_KEEP_REF) < 0)
            return true;
        filtered = NewFrame();
        if (av_buffersink_get_frame(sinkFilter, filtered.get()) < 0)
            return true;
        filtered->best_effort_timestamp = pts;
        shown = filtered.get();
    }
    QueuedFrame queued;
    queued.image = Convert(shown);
    if (!queued.image)
        return true;
    queued.seekResult = r.markNext;
    r.markNext = false;
    r.lastEmitted = Clock::now();
    return PushFrame(std::move(queued), r.serial);
}

std::shared_ptr<const VideoImage> Player::Impl::Convert(AVFrame* frame) {
    int width = frame->width;
    int height = frame->height;
    if (frame->sample_aspect_ratio.num > 0 && frame->sample_aspect_ratio.den > 0)
        width = static_cast<int>(
            av_rescale(width, frame->sample_aspect_ratio.num, frame->sample_aspect_ratio.den));
    const int sw = screenWidth.load();
    const int sh = screenHeight.load();
    if (sw > 0 && sh > 0 && (width > sw || height > sh)) {
        // Scaled down to fit the screen window; never up, the painter does that.
        if (static_cast<int64_t>(width) * sh > static_cast<int64_t>(height) * sw) {
            height = std::max(1, static_cast<int>(static_cast<int64_t>(height) * sw / width));
            width = sw;
        } else {
            width = std::max(1, static_cast<int>(static_cast<int64_t>(width) * sh / height));
            height = sh;
        }
    }
    scaler = sws_getCachedContext(scaler, frame->width, frame->height,
                                  static_cast<AVPixelFormat>(frame->format), width, height,
                                  AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (scaler == nullptr)
        return nullptr;
    auto image = std::make_shared<VideoImage>();
    image->width = width;
    image->height = height;
    image->stride = width * 4;
    image->pts = ToUs(frame->best_effort_timestamp, format->streams[videoStream]->time_base);
    image->pixels.resize(static_cast<size_t>(image->stride) * static_cast<size_t>(height));
    uint8_t* planes[4] = {image->pixels.data(), nullptr, nullptr, nullptr};
    int strides[4] = {image->stride, 0, 0, 0};
    if (sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides) <= 0)
        return nullptr;
    return image;
}

bool Player::Impl::PushFrame(QueuedFrame frame, int mySerial) {
    std::unique_lock lock(mutex);
    readerWake.wait(lock,
                    [&] { return stopping || seekRequested || frames.size() < kFrameQueueFrames; });
    if (stopping || seekRequested || serial != mySerial)
        return false;
    frame.serial = mySerial;
    frames.push_back(std::move(frame));
    presenterWake.notify_all();
    return true;
}

void Player::Impl::DecodeAudio(const AVPacket* packet) {
    if (!resampler || avcodec_send_packet(audioCodec.get(), packet) < 0)
        return;
    FramePtr frame = NewFrame();
    while (avcodec_receive_frame(audioCodec.get(), frame.get()) >= 0) {
        AudioBlock block;
        block.pts = ToUs(frame->best_effort_timestamp, format->streams[audioStream]->time_base);
        const int capacity = swr_get_out_samples(resampler.get(), frame->nb_samples);
        if (capacity <= 0)
            continue;
        block.samples.resize(static_cast<size_t>(capacity) * audioChannels);
        uint8_t* out[1] = {reinterpret_cast<uint8_t*>(block.samples.data())};
        const int got =
            swr_convert(resampler.get(), out, capacity,
                        const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
        av_frame_unref(frame.get());
        if (got <= 0)
            continue;
        block.samples.resize(static_cast<size_t>(got) * audioChannels);
        std::lock_guard audioLock(audioMutex);
        audio.push_back(std::move(block));
        while (audio.size() > 1 && audio.back().pts - audio.front().pts > kAudioQueueMaxUs)
            audio.pop_front();
    }
}

// ---- audio thread ----

void Player::Impl::FillAudio(uint8_t* out, int bytes) {
    std::memset(out, 0, static_cast<size_t>(bytes));
    auto* samples = reinterpret_cast<int16_t*>(out);
    const size_t wanted = static_cast<size_t>(bytes) / sizeof(int16_t);
    const int64_t floor = audioFloor.load();
    size_t filled = 0;
    int64_t blockPts = 0;
    {
        std::lock_guard audioLock(audioMutex);
        if (floor == kNoFloor)
            return;
        const auto sampleUs = [&](const AudioBlock& b, size_t at) {
            return b.pts + static_cast<int64_t>(at / audioChannels) * 1000000 / audioRate;
        };
        while (filled < wanted && !audio.empty()) {
            AudioBlock& b = audio.front();
            while (b.offset < b.samples.size() && sampleUs(b, b.offset) < floor)
                b.offset += audioChannels;
            const size_t n = std::min(wanted - filled, b.samples.size() - b.offset);
            if (n > 0) {
                if (filled == 0)
                    blockPts = sampleUs(b, b.offset);
                std::memcpy(samples + filled, b.samples.data() + b.offset, n * sizeof(int16_t));
                filled += n;
                b.offset += n;
            }
            if (b.offset >= b.samples.size())
                audio.pop_front();
        }
        audioClockValid = filled > 0;
        if (filled > 0) {
            // What is handed over now plays after what the device holds.
            audioClockPts = blockPts - static_cast<int64_t>(deviceSamples) * 1000000 / audioRate;
            audioClockWall = Clock::now();
        }
    }
    if (filled > 0 && hook)
        hook(blockPts, samples, bytes, audioRate, audioChannels);
}

// ---- presenter thread ----

void Player::Impl::Show(const QueuedFrame& frame) {
    currentPts = frame.image->pts;
    PlayerEvent e;
    e.kind = PlayerEventKind::kPosition;
    e.time = frame.image->pts;
    e.image = frame.image;
    sink.Post(std::move(e));
}

void Player::Impl::PresenterLoop() {
    std::unique_lock lock(mutex);
    while (!stopping) {
        while (!frames.empty() && frames.front().serial != serial)
            frames.pop_front();
        readerWake.notify_all();
        if (frames.empty() || seekRequested) {
            presenterWake.wait(lock);
            continue;
        }
        QueuedFrame& front = frames.front();
        if (front.seekResult) {
            if (!front.end) {
                Show(front);
                clockBasePts = front.image->pts;
                clockBaseWall = Clock::now();
                audioFloor = front.image->pts;
            }
            front.seekResult = false;
            if (!front.end)
                frames.pop_front();
            continue;
        }
        if (paused) {
            if (stepRequested) {
                stepRequested = false;
                if (!front.end) {
                    Show(front);
                    clockBasePts = front.image->pts;
                    frames.pop_front();
                    PostState(PlayerState::psStep);
                }
                continue;
            }
            presenterWake.wait(lock);
            continue;
        }
        if (front.end) {
            clockBasePts = ClockNow();
            paused = true;
            if (device != 0)
                SDL_PauseAudioDevice(device, 1);
            PostState(PlayerState::psEnd);
            continue;
        }
        const int64_t now = ClockNow();
        const int64_t due = front.image->pts;
        if (due <= now + 2000) {
            // A frame gives way to a later one only when that one is late
            // too: a moment's delay shows both rather than drop one.
            if (frames.size() > 1 && !frames[1].end && frames[1].serial == serial &&
                frames[1].image->pts < now - kLateUs) {
                frames.pop_front();
                continue;
            }
            Show(front);
            frames.pop_front();
            continue;
        }
        presenterWake.wait_for(lock,
                               std::chrono::microseconds(std::min<int64_t>(due - now, 20000)));
    }
}

// ---- commands ----

Player::Player(PlayerEventSink& sink) : impl_(std::make_unique<Impl>(sink)) {}

Player::~Player() {
    Stop();
}

bool Player::Open(const std::string& file, bool paused) {
    Stop();
    Impl& m = *impl_;
    m.live = liveFilters;
    m.hook = onAudioHook;
    m.rate = playRate > 0 ? playRate : 1.0;
    std::fill(m.applied, m.applied + 4, 0);
    if (!m.OpenFile(file, vfilters, m.rate == 1.0 ? audioDriver : AudioDriver::adNone)) {
        m.CloseFile();
        return false;
    }
    std::lock_guard lock(m.mutex);
    m.open = true;
    m.stopping = false;
    m.seekRequested = false;
    m.stepRequested = false;
    m.serial = 0;
    m.paused = paused;
    m.clockBasePts = 0;
    m.clockBaseWall = Clock::now();
    m.currentPts = 0;
    m.audioFloor = kNoFloor;
    PlayerEvent opened;
    opened.kind = PlayerEventKind::kFileOpen;
    opened.time = m.duration;
    opened.frameWidth = m.videoCodec->width;
    opened.frameHeight = m.videoCodec->height;
    m.sink.Post(std::move(opened));
    m.PostState(paused ? PlayerState::psPause : PlayerState::psPlay);
    if (m.device != 0)
        SDL_PauseAudioDevice(m.device, paused ? 1 : 0);
    m.reader = std::thread([&m] { m.ReaderLoop(); });
    m.presenter = std::thread([&m] { m.PresenterLoop(); });
    return true;
}

void Player::Seek(SeekFlag flag, int64_t time) {
    Impl& m = *impl_;
    std::lock_guard lock(m.mutex);
    if (!m.open)
        return;
    m.seekRequested = true;
    m.seekTarget = std::clamp<int64_t>(time, 0, m.duration);
    m.seekFlag = flag;
    ++m.serial;
    m.frames.clear();
    m.audioFloor = kNoFloor;
    m.readerWake.notify_all();
    m.presenterWake.notify_all();
}

void Player::Pause() {
    Impl& m = *impl_;
    std::lock_guard lock(m.mutex);
    if (!m.open)
        return;
    if (!m.paused) {
        m.clockBasePts = m.ClockNow();
        m.paused = true;
        if (m.device != 0)
            SDL_PauseAudioDevice(m.device, 1);
    }
    if (m.state != PlayerState::psPause)
        m.PostState(PlayerState::psPause);
}

void Player::Resume() {
    Impl& m = *impl_;
    std::lock_guard lock(m.mutex);
    if (!m.open || !m.paused)
        return;
    m.paused = false;
    m.clockBaseWall = Clock::now();
    if (m.device != 0)
        SDL_PauseAudioDevice(m.device, 0);
    m.PostState(PlayerState::psResume);
    m.presenterWake.notify_all();
}

void Player::TogglePause() {
    if (Paused())
        Resume();
    else
        Pause();
}

bool Player::Paused() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->paused;
}

void Player::StepToNextFrame() {
    Pause();
    Impl& m = *impl_;
    std::lock_guard lock(m.mutex);
    if (!m.open)
        return;
    m.stepRequested = true;
    m.presenterWake.notify_all();
}

void Player::Stop() {
    Impl& m = *impl_;
    {
        std::lock_guard lock(m.mutex);
        if (!m.open)
            return;
        m.stopping = true;
        m.readerWake.notify_all();
        m.presenterWake.notify_all();
    }
    if (m.device != 0)
        SDL_PauseAudioDevice(m.device, 1);
    m.reader.join();
    m.presenter.join();
    std::lock_guard lock(m.mutex);
    m.CloseFile();
    m.open = false;
    m.paused = true;
    m.PostState(PlayerState::psStop);
}

int64_t Player::CurrentPTS() const {
    return impl_->currentPts.load();
}

PlayerState Player::State() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->state;
}

int64_t Player::Duration() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->open ? impl_->duration : 0;
}

bool Player::HasAudio() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->open && impl_->device != 0;
}

void Player::UpdateScreenPosition(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    const bool changed = (impl_->screenWidth.exchange(width) != width) |
                         (impl_->screenHeight.exchange(height) != height);
    // The frames queued were made for the old size: a paused picture is
    // decoded again for the new one.
    if (changed && Paused() && State() != PlayerState::psStop)
        Seek(SeekFlag::kPrecise, CurrentPTS());
}

}  // namespace qv
