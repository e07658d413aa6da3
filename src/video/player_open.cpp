#include <algorithm>
#include <cmath>
#include <cstdio>

#include "video/chapter_input.h"
#include "video/player_impl.h"
#include "video/video_chapters.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
}

namespace qv {

namespace {

// The audio subsystem, started once for the process and kept: starting and
// stopping it with every file costs a round trip to the sound server.
bool AudioSubsystem() {
    static const bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    return started;
}

// The filters that turn the stored picture upright: a quarter turn either
// way, a half turn, or none. Other angles are rare and left as stored.
std::string TurnFilters(const AVStream& stream) {
    const auto* matrix = reinterpret_cast<const int32_t*>(
        av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
    if (matrix == nullptr)
        return "";
    // The matrix's angle is counter-clockwise; the picture is turned back
    // clockwise by it.
    const double clockwise = -av_display_rotation_get(matrix);
    const long degrees = ((std::lround(clockwise) % 360) + 360) % 360;
    switch (degrees) {
        case 90:
            return "transpose=clock";
        case 180:
            return "hflip,vflip";
        case 270:
            return "transpose=cclock";
        default:
            return "";
    }
}

}  // namespace

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
    const std::vector<std::filesystem::path> chapters = ChapterFilesOnDisk(file);
    if (!OpenChapterInput(chapters, &raw))
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
    const AVStream* vs = format->streams[videoStream];
    // Video time 0 is the first picture, even where the sound starts a
    // little earlier (its first samples are then not played).
    const int64_t fileStart = format->start_time != AV_NOPTS_VALUE ? format->start_time : 0;
    startTime = vs->start_time != AV_NOPTS_VALUE
                    ? av_rescale_q(vs->start_time, vs->time_base, AV_TIME_BASE_Q)
                    : fileStart;
    const AVRational frameRate = vs->avg_frame_rate.num > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
    frameUs = frameRate.num > 0 && frameRate.den > 0
                  ? av_rescale(1000000, frameRate.den, frameRate.num)
                  : 0;
    if (format->duration > 0)
        duration = format->duration - (startTime - fileStart);
    else if (vs->duration > 0)
        duration = av_rescale_q(vs->duration, vs->time_base, AV_TIME_BASE_Q);
    if (duration <= 0)
        return false;
    for (unsigned k = 0; k < format->nb_streams; ++k) {
        if (static_cast<int>(k) != videoStream && static_cast<int>(k) != audioStream)
            format->streams[k]->discard = AVDISCARD_ALL;
    }
    // Phones and some cameras store the picture turned and say so; it is
    // turned back, as every player shows it.
    const std::string turn = TurnFilters(*vs);
    const std::string chain =
        turn.empty() || filters.empty() ? turn + filters : turn + "," + filters;
    if (!chain.empty() && !BuildFilters(chain))
        return false;
    neutralGraph = turn.empty() && filters == VideoFilterText(0, 0, 0, 0);
    const bool sideways = turn.rfind("transpose", 0) == 0;
    shownWidth = sideways ? videoCodec->height : videoCodec->width;
    shownHeight = sideways ? videoCodec->width : videoCodec->height;
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
    pending.reset();
    frames.clear();
}

}  // namespace qv
