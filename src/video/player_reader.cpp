#include <algorithm>
#include <cstdio>
#include <optional>

#include "video/player_impl.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/imgutils.h>
}

namespace qv {

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
                r.markNext = true;
                r.discardBefore = precise ? target : kNone;
                r.held.reset();
                if (precise && GoesOnTo(r, target)) {
                    // The last frame decoded may be the one showing there.
                    r.held = NewFrame();
                    av_frame_ref(r.held.get(), r.last.get());
                    continue;
                }
                DoSeek(target);
                r.atEnd = false;
                r.DecodingRestarted();
                continue;
            }
            if (!paused)
                clock = ClockNow();
        }
        CatchUp(r, clock);
        int rc = 0;
        if (pending)
            av_packet_move_ref(packet.get(), pending.get());
        else
            rc = av_read_frame(format.get(), packet.get());
        pending.reset();
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
    const int64_t to = std::min(clock + kJumpLeadUs, duration);
    if (r.lastDts == kNone || KeyReadBefore(r, to).value_or(true))
        return;
    DoSeek(to);
    r.DecodingRestarted();
}

void Player::Impl::DoSeek(int64_t target) {
    const AVStream* st = format->streams[videoStream];
    const int64_t ts = av_rescale_q(target + startTime, AV_TIME_BASE_Q, st->time_base);
    pending = KeyAtOrBefore(ts);
    if (!pending)
        avformat_seek_file(format.get(), videoStream, std::numeric_limits<int64_t>::min(), ts, ts,
                           0);
    avcodec_flush_buffers(videoCodec.get());
    if (audioCodec)
        avcodec_flush_buffers(audioCodec.get());
    std::lock_guard audioLock(audioMutex);
    audio.clear();
    audioClockValid = false;
}

std::unique_ptr<AVPacket, PacketFreer> Player::Impl::KeyAtOrBefore(int64_t ts) {
    // Containers seek by decoding time, which runs ahead of the showing time
    // when there are B-frames, and some (transport streams) land anywhere:
    // the key frame found after a seek may show after the target, so the
    // seek goes back further until it does not.
    const AVStream* st = format->streams[videoStream];
    const int64_t second = av_rescale_q(1000000, AV_TIME_BASE_Q, st->time_base);
    const int64_t first = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    const auto showsAt = [](const AVPacket& p) { return p.pts != AV_NOPTS_VALUE ? p.pts : p.dts; };
    int64_t seekTs = ts;
    int64_t step = 1;
    int64_t lastKey = kNone;
    for (int attempt = 0; attempt < 12; ++attempt) {
        std::unique_ptr<AVPacket, PacketFreer> key;
        bool reachedEnd = true;
        if (av_seek_frame(format.get(), videoStream, std::max(seekTs, first),
                          AVSEEK_FLAG_BACKWARD) >= 0)
            key = NextKeyPacket(reachedEnd);
        const int64_t shows = key ? showsAt(*key) : kNone;
        if (key && (shows == AV_NOPTS_VALUE || shows <= ts))
            return key;
        if (seekTs <= first) {
            // Timestamps go no further back; the first byte may. Failing
            // that, the earliest key frame found is the best there is.
            if (SeekToStart()) {
                std::unique_ptr<AVPacket, PacketFreer> start = NextKeyPacket(reachedEnd);
                if (start && (showsAt(*start) == AV_NOPTS_VALUE || showsAt(*start) <= ts))
                    return start;
            }
            return key;
        }
        if (!key && !reachedEnd)
            return nullptr;  // no key frames marked: the container seeks alone
        if (!key) {
            step = std::max(step, second);
            seekTs -= step;
            step *= 2;
            continue;
        }
        // The same key frame again: step back by more.
        if (shows == lastKey)
            step = std::max(step * 2, second);
        lastKey = shows;
        const int64_t decodes = key->dts != AV_NOPTS_VALUE ? std::min(key->dts, shows) : shows;
        seekTs = std::min(seekTs, decodes) - step;
    }
    return nullptr;
}

bool Player::Impl::SeekToStart() {
    // Where timestamps cannot go back far enough, the first byte can.
    if ((format->iformat->flags & AVFMT_NO_BYTE_SEEK) == 0 &&
        av_seek_frame(format.get(), -1, 0, AVSEEK_FLAG_BYTE) >= 0)
        return true;
    return avformat_seek_file(format.get(), -1, std::numeric_limits<int64_t>::min(), 0, 0, 0) >= 0;
}

std::unique_ptr<AVPacket, PacketFreer> Player::Impl::NextKeyPacket(bool& reachedEnd) {
    // A group of pictures is a few seconds at most; past this many packets
    // there is no key frame to find.
    constexpr int kMostPackets = 20000;
    reachedEnd = false;
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    for (int k = 0; packet && k < kMostPackets; ++k) {
        if (av_read_frame(format.get(), packet.get()) < 0) {
            reachedEnd = true;
            return nullptr;
        }
        if (packet->stream_index == videoStream && (packet->flags & AV_PKT_FLAG_KEY) != 0)
            return packet;
        av_packet_unref(packet.get());
    }
    return nullptr;
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
        r.whole = r.whole && !skip;
    }
    int sent = avcodec_send_packet(videoCodec.get(), packet);
    if (sent == AVERROR(EAGAIN)) {
        // Frames left from a take that a seek cut short come first.
        if (!ReceiveFrames(r)) {
            r.whole = false;
            return;
        }
        sent = avcodec_send_packet(videoCodec.get(), packet);
    }
    if (sent < 0 && packet != nullptr)
        r.whole = false;
    ReceiveFrames(r);
}

bool Player::Impl::ReceiveFrames(ReadState& r) {
    for (;;) {
        FramePtr frame = NewFrame();
        if (avcodec_receive_frame(videoCodec.get(), frame.get()) < 0)
            return true;
        const int64_t pts =
            ToUs(frame->best_effort_timestamp, format->streams[videoStream]->time_base);
        r.lastPts = pts;
        av_frame_unref(r.last.get());
        av_frame_ref(r.last.get(), frame.get());
        if (r.discardBefore != kNone) {
            // The frame showing at the target is the last one that starts at
            // or before it: hold each such frame until a later one arrives.
            if (pts <= r.discardBefore) {
                r.held = std::move(frame);
                continue;
            }
            if (r.held) {
                if (!Emit(r.held.get(), r))
                    return false;
                r.held.reset();
            }
        }
        if (!r.markNext && r.dropBefore != kNone && pts < r.dropBefore &&
            Clock::now() - r.lastEmitted < kShowEvery)
            continue;
        if (!Emit(frame.get(), r))
            return false;
    }
}

bool Player::Impl::GoesOnTo(const ReadState& r, int64_t target) const {
    if (r.atEnd || !r.whole || pending || r.lastPts == kNone || r.last->buf[0] == nullptr ||
        target < r.lastPts)
        return false;
    // On when the key frame before the target has been read already; with
    // no index to tell, when the target is near.
    constexpr int64_t kNearUs = 500000;
    return KeyReadBefore(r, target).value_or(target - r.lastPts < kNearUs);
}

std::optional<bool> Player::Impl::KeyReadBefore(const ReadState& r, int64_t time) const {
    AVStream* st = format->streams[videoStream];
    const int64_t ts = av_rescale_q(time + startTime, AV_TIME_BASE_Q, st->time_base);
    const int at = av_index_search_timestamp(st, ts, AVSEEK_FLAG_BACKWARD);
    const AVIndexEntry* key = at >= 0 ? avformat_index_get_entry(st, at) : nullptr;
    if (key == nullptr)
        return std::nullopt;
    return r.lastDts != kNone && key->timestamp <= r.lastDts;
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

}  // namespace qv
