#pragma once
// The player's inside, shared by the files that make it up: player_open.cpp
// (the file, its decoders, filters and sound device), player_reader.cpp (the
// reader thread: demuxing, decoding, seeking, converting) and player.cpp
// (the presenter and audio threads and the commands).

#include <SDL.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "video/player.h"

namespace qv {
namespace player_detail {

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

inline int64_t UsSince(Clock::time_point from, Clock::time_point to) {
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

inline FramePtr NewFrame() {
    return FramePtr(av_frame_alloc());
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
    // Since decoding last started at a key frame: the last frame decoded,
    // and whether every frame was decoded, so that a precise seek a little
    // ahead can go on from here instead of starting again.
    FramePtr last = NewFrame();
    bool whole = true;

    void DecodingRestarted() {
        lastPts = lastDts = kNone;
        av_frame_unref(last.get());
        whole = true;
    }
};

struct AudioBlock {
    int64_t pts = 0;  // of samples[0]
    std::vector<int16_t> samples;
    size_t offset = 0;  // samples already played
};

}  // namespace player_detail

// Only the player's own files include this header.
using namespace player_detail;

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
    std::unique_ptr<AVPacket, PacketFreer> pending;  // read first after a seek
    int64_t frameUs = 0;                             // the usual gap between frames; 0 when unknown
    LiveFilterValues* live = nullptr;
    int applied[4] = {0, 0, 0, 0};
    bool neutralGraph = false;  // built from the text for all values 0, nothing turned
    int shownWidth = 0;         // the frame's size upright
    int shownHeight = 0;
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
    // The next key frame of the video, the packets before it dropped; none
    // at the end of the file (`reachedEnd`) or when none comes for long.
    std::unique_ptr<AVPacket, PacketFreer> NextKeyPacket(bool& reachedEnd);
    bool SeekToStart();
    // The key frame that shows at or before `ts` (in the video stream's
    // units), read, with the file placed after it; none when not found.
    std::unique_ptr<AVPacket, PacketFreer> KeyAtOrBefore(int64_t ts);
    void DecodeVideo(const AVPacket* packet, ReadState& r);
    // Takes the frames the decoder has ready; false when a seek or stop
    // cut it short.
    bool ReceiveFrames(ReadState& r);
    // True when a precise seek to `target` is quicker by decoding on from
    // where the reader is than by starting again at a key frame.
    bool GoesOnTo(const ReadState& r, int64_t target) const;
    // Whether the reader has read the key frame that `time` decodes from;
    // nothing when the container keeps no index to tell.
    std::optional<bool> KeyReadBefore(const ReadState& r, int64_t time) const;
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

}  // namespace qv
