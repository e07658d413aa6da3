#include "video/motion_parts.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace qv::motion {
namespace {

constexpr double kOpenEnd = std::numeric_limits<double>::infinity();
constexpr int kMostReaders = 8;
// A reader's share of a key-frame read is no shorter than this, s: opening
// an input costs more than reading a few key frames.
constexpr double kLeastKeyFrameShare = 5;

using Sample = std::pair<double, double>;  // time, turn rate

struct Part {
    double from = 0;    // video time, included
    double to = 0;      // excluded
    double weight = 0;  // s of video it reads, for the progress
};

struct ReaderWork {
    std::vector<Part> parts;
    std::vector<Sample> samples;
    std::string error;
    std::atomic<double> done{0};  // s of its parts read
};

// The key frames split by time, one share per reader; the first and last
// shares run open to the file's ends.
std::vector<std::vector<Part>> KeyFrameShares(double duration, int readers) {
    const int n =
        duration > 0 ? std::clamp(static_cast<int>(duration / kLeastKeyFrameShare), 1, readers) : 1;
    std::vector<std::vector<Part>> shares;
    for (int k = 0; k < n; ++k) {
        Part p{duration * k / n, duration * (k + 1) / n, duration / n};
        if (k == 0)
            p.from = -kOpenEnd;
        if (k + 1 == n)
            p.to = kOpenEnd;
        shares.push_back({p});
    }
    return shares;
}

// The spans joined where they overlap, then cut into shares of equal
// length, one per reader.
std::vector<std::vector<Part>> SpanShares(std::vector<MotionSpan> spans, double duration,
                                          int readers) {
    std::vector<Part> joined;
    std::sort(spans.begin(), spans.end(),
              [](const MotionSpan& a, const MotionSpan& b) { return a.from < b.from; });
    for (const MotionSpan& s : spans) {
        Part p{std::max(s.from, 0.0), duration > 0 ? std::min(s.to, duration) : s.to};
        if (!std::isfinite(p.from) || !std::isfinite(p.to) || !(p.to > p.from))
            continue;
        if (!joined.empty() && p.from <= joined.back().to)
            joined.back().to = std::max(joined.back().to, p.to);
        else
            joined.push_back(p);
    }
    if (joined.empty())
        return {};
    double total = 0;
    for (const Part& p : joined)
        total += p.to - p.from;
    const double share = total / readers;
    std::vector<std::vector<Part>> shares(1);
    double filled = 0;
    const auto put = [&](double from, double to) {
        if (to > from)
            shares.back().push_back({from, to, to - from});
        filled += to - from;
    };
    for (Part p : joined) {
        while (filled + (p.to - p.from) > share * 1.0001 &&
               static_cast<int>(shares.size()) < readers) {
            const double cut = std::max(p.from, p.from + (share - filled));
            if (cut > p.from)
                put(p.from, cut);
            p.from = cut;
            shares.emplace_back();
            filled = 0;
        }
        put(p.from, p.to);
    }
    std::erase_if(shares, [](const std::vector<Part>& share) { return share.empty(); });
    return shares;
}

bool SeekTo(Input& in, double t) {
    const int64_t ts =
        static_cast<int64_t>(std::floor((std::max(t, 0.0) + in.videoStart) * AV_TIME_BASE));
    return avformat_seek_file(in.format.get(), -1, std::numeric_limits<int64_t>::min(), ts, ts,
                              0) >= 0;
}

double PacketTime(const Input& in, const AVPacket& packet, double previous) {
    const int64_t ts = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
    return ts != AV_NOPTS_VALUE ? in.Time(ts) : previous;
}

class PartReader {
  public:
    PartReader(Input& in, AVCodecContext* decoder, const VideoMotionOptions& options,
               const std::atomic<bool>* cancel, ReaderWork& work)
        : in_(in),
          decoder_(decoder),
          cancel_(cancel),
          work_(work),
          sampler_(options, in.frameInterval),
          packet_(av_packet_alloc()),
          frame_(av_frame_alloc()) {}

    // Each key frame whose time lies in the part, and the next frame shown
    // that is decoded: one sample. In decoding order that frame is the first
    // after the key frame to be shown later than it (frames shown between
    // them are predicted from both sides, and left undecoded); the packets
    // after it up to the next key frame are read but not decoded.
    bool KeyFrames(const Part& part, double doneBefore) {
        if (std::isfinite(part.from) && !SeekTo(in_, part.from))
            return Fail("cannot seek in the video");
        enum class Want { Key, Next } want = Want::Key;
        int decoded = 0;
        int64_t keyPts = AV_NOPTS_VALUE;
        double t = std::isfinite(part.from) ? part.from : 0;
        const double start = std::max(part.from, 0.0);
        while (av_read_frame(in_.format.get(), packet_.get()) >= 0) {
            const Unref unref{packet_.get()};
            if (Cancelled(cancel_))
                return false;
            if (packet_->stream_index != in_.videoStream)
                continue;
            t = PacketTime(in_, *packet_, t);
            if ((packet_->flags & AV_PKT_FLAG_KEY) != 0) {
                if (t >= part.to)
                    break;
                work_.done.store(doneBefore + std::clamp(t - start, 0.0, part.weight),
                                 std::memory_order_relaxed);
                if (t < part.from)
                    continue;
                avcodec_flush_buffers(decoder_);
                sampler_.Reset();
                decoded = 0;
                keyPts = packet_->pts;
                if (avcodec_send_packet(decoder_, packet_.get()) >= 0) {
                    want = Want::Next;
                    TakeKeyFrames(decoded);
                }
                continue;
            }
            if (want != Want::Next)
                continue;
            const bool shownLater =
                packet_->pts == AV_NOPTS_VALUE || keyPts == AV_NOPTS_VALUE || packet_->pts > keyPts;
            if (!shownLater || avcodec_send_packet(decoder_, packet_.get()) < 0)
                continue;
            // Both frames out now, rather than after the frames the decoder
            // would hold back for reordering.
            avcodec_send_packet(decoder_, nullptr);
            TakeKeyFrames(decoded);
            want = Want::Key;
        }
        if (want == Want::Next && avcodec_send_packet(decoder_, nullptr) >= 0)
            TakeKeyFrames(decoded);
        return true;
    }

    // Every frame from the key frame at or before the part's start on to
    // its end; the samples inside it kept.
    bool Span(const Part& part, double doneBefore) {
        if (!SeekTo(in_, part.from))
            return Fail("cannot seek in the video");
        avcodec_flush_buffers(decoder_);
        sampler_.Reset();
        bool past = false;
        while (!past && av_read_frame(in_.format.get(), packet_.get()) >= 0) {
            const Unref unref{packet_.get()};
            if (Cancelled(cancel_))
                return false;
            if (packet_->stream_index == in_.videoStream &&
                avcodec_send_packet(decoder_, packet_.get()) >= 0)
                past = TakeSpanFrames(part, doneBefore);
        }
        if (!past && avcodec_send_packet(decoder_, nullptr) >= 0)
            TakeSpanFrames(part, doneBefore);
        return true;
    }

  private:
    struct Unref {
        AVPacket* packet;
        ~Unref() { av_packet_unref(packet); }
    };

    bool Fail(const char* why) {
        work_.error = why;
        return false;
    }

    // The key frame and the frame after it, as they come out: the sample
    // once both have.
    void TakeKeyFrames(int& decoded) {
        while (decoded < 2 && avcodec_receive_frame(decoder_, frame_.get()) >= 0) {
            if (const std::optional<int64_t> ts = FrameTimestamp(*frame_)) {
                ++decoded;
                if (const auto sample = sampler_.Add(*frame_, in_.Time(*ts)))
                    work_.samples.push_back(*sample);
            }
            av_frame_unref(frame_.get());
        }
    }

    // Whether a frame at or past the part's end came out.
    bool TakeSpanFrames(const Part& part, double doneBefore) {
        bool past = false;
        while (avcodec_receive_frame(decoder_, frame_.get()) >= 0) {
            if (const std::optional<int64_t> ts = FrameTimestamp(*frame_)) {
                const double t = in_.Time(*ts);
                const auto sample = sampler_.Add(*frame_, t);
                if (sample && sample->first >= part.from && sample->first < part.to)
                    work_.samples.push_back(*sample);
                past = past || t >= part.to;
                work_.done.store(doneBefore + std::clamp(t - part.from, 0.0, part.weight),
                                 std::memory_order_relaxed);
            }
            av_frame_unref(frame_.get());
        }
        return past;
    }

    Input& in_;
    AVCodecContext* decoder_;
    const std::atomic<bool>* cancel_;
    ReaderWork& work_;
    ShiftSampler sampler_;
    std::unique_ptr<AVPacket, PacketFree> packet_;
    std::unique_ptr<AVFrame, FrameFree> frame_;
};

void RunReader(const std::string& path, Input in, bool keyFrames, int threads,
               const VideoMotionOptions& options, const std::atomic<bool>* cancel,
               ReaderWork& work) {
    if (!in.format)
        in = OpenInput(path);
    if (!in.error.empty()) {
        work.error = in.error;
        return;
    }
    KeepOnlyPicture(in);
    std::string error;
    const Decoder decoder = OpenDecoder(in, options, threads, error);
    if (!decoder) {
        work.error = error + " " + path;
        return;
    }
    PartReader reader(in, decoder.get(), options, cancel, work);
    double done = 0;
    for (const Part& part : work.parts) {
        if (!(keyFrames ? reader.KeyFrames(part, done) : reader.Span(part, done)))
            return;
        done += part.weight;
        work.done.store(done, std::memory_order_relaxed);
    }
}

}  // namespace

void ReadMotionParts(const std::string& path, Input first, const MotionReadRequest& request,
                     const VideoMotionOptions& options, const MotionProgress& progress,
                     const std::atomic<bool>* cancel, VideoMotion& out) {
    const bool keyFrames = request.kind == MotionReadRequest::Kind::KeyFrames;
    const int readers =
        std::clamp(options.partReaders > 0 ? options.partReaders
                                           : static_cast<int>(std::thread::hardware_concurrency()),
                   1, kMostReaders);
    const std::vector<std::vector<Part>> shares =
        keyFrames ? KeyFrameShares(first.duration, readers)
                  : SpanShares(request.spans, first.duration, readers);
    std::vector<ReaderWork> works(shares.size());
    double total = 0;
    for (size_t k = 0; k < shares.size(); ++k) {
        works[k].parts = shares[k];
        for (const Part& p : shares[k])
            total += p.weight;
    }
    // One reader alone may use the machine's threads in its one decoder.
    const int threads = shares.size() > 1 ? 1 : options.threads;

    std::mutex mutex;
    std::condition_variable finished;
    size_t running = shares.size();
    const auto runShare = [&](size_t k, Input in) {
        try {
            RunReader(path, std::move(in), keyFrames, threads, options, cancel, works[k]);
        } catch (const std::exception& e) {
            // Out of memory, say: the read fails with a message, not the program.
            works[k].error = e.what();
        }
    };
    std::vector<std::thread> threadsRunning;
    std::vector<size_t> notStarted;
    for (size_t k = 0; k < shares.size(); ++k) {
        Input in = k == 0 ? std::move(first) : Input{};
        try {
            threadsRunning.emplace_back([&, k, in = std::move(in)]() mutable {
                runShare(k, std::move(in));
                std::lock_guard lock(mutex);
                --running;
                finished.notify_all();
            });
        } catch (const std::system_error&) {
            // No thread to be had: this share is read here, on its own input.
            notStarted.push_back(k);
            std::lock_guard lock(mutex);
            --running;
        }
    }
    for (size_t k : notStarted)
        runShare(k, Input{});
    // Progress is told on the calling thread, which only waits meanwhile.
    ProgressSteps steps(progress, total);
    {
        std::unique_lock lock(mutex);
        while (running > 0) {
            finished.wait_for(lock, std::chrono::milliseconds(50));
            double done = 0;
            for (const ReaderWork& w : works)
                done += w.done.load(std::memory_order_relaxed);
            lock.unlock();
            steps.At(done);
            lock.lock();
        }
    }
    for (std::thread& t : threadsRunning)
        t.join();

    if (Cancelled(cancel)) {
        out.cancelled = true;
        return;
    }
    std::vector<Sample> samples;
    for (ReaderWork& w : works) {
        if (!w.error.empty() && out.error.empty())
            out.error = w.error + (w.error.find(path) == std::string::npos ? " " + path : "");
        samples.insert(samples.end(), w.samples.begin(), w.samples.end());
    }
    std::sort(samples.begin(), samples.end());
    for (const Sample& s : samples) {
        if (!out.signal.times.empty() && s.first <= out.signal.times.back())
            continue;
        out.signal.times.push_back(s.first);
        out.signal.values.push_back(s.second);
    }
    steps.At(total);
}

}  // namespace qv::motion
