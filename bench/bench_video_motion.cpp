// The motion signal of a two-minute 1080p30 H.264 video, as the automatic
// tie reads it: the whole file decoded and the column profile of each
// frame's upper part taken, every frame, only those other frames refer to,
// or only I- and P-frames (what a whole read takes). Then the whole tie,
// as Auto sync and the command line run it (key frames, then spans), on a
// two-minute 1080p30 in-car video of a synthetic lap. Real time, all
// threads.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/auto_sync_job.h"
#include "scratch_folder.h"
#include "support/incar_video.h"
#include "synth/drive.h"
#include "synth/lap_files.h"
#include "video/video_motion.h"

namespace qv::bench {
namespace {

constexpr int kSeconds = 120;
constexpr int kFps = 30;

const std::string& Video() {
    static ScratchFolder folder;
    static const std::string path = [] {
        // A moving picture with camera-like grain at an action camera's
        // 20 Mbit/s, rather than a clean test card's few.
        const std::string p = (folder.path / "incar1080p30.mp4").string();
        const std::string command =
            "ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i testsrc2=s=1920x1080:r=" +
            std::to_string(kFps) + ":d=" + std::to_string(kSeconds) +
            " -vf noise=alls=6:allf=t -c:v libx264 -preset superfast -b:v 20M -maxrate 20M "
            "-bufsize 40M -pix_fmt yuv420p -g " +
            std::to_string(kFps) + " \"" + p + "\"";
        return std::system(command.c_str()) == 0 ? p : std::string();
    }();
    return path;
}

// skipped: 0 decodes every frame, 1 leaves out the frames no other refers
// to, 2 every B-frame (the reader's default).
void BM_VideoMotion1080p30(benchmark::State& state) {
    if (Video().empty()) {
        state.SkipWithError("could not make the video");
        return;
    }
    VideoMotionOptions options;
    options.skipNonReference = state.range(0) == 1;
    options.skipBidirectional = state.range(0) == 2;
    size_t samples = 0;
    for (auto _ : state) {
        const VideoMotion motion = ReadVideoMotion(Video(), options);
        if (!motion.ok()) {
            state.SkipWithError(motion.error.c_str());
            return;
        }
        samples = motion.signal.times.size();
    }
    state.counters["frames"] = static_cast<double>(samples + 1);
    state.counters["video_s"] = kSeconds;
    state.counters["frames_per_s"] = benchmark::Counter(
        static_cast<double>(samples + 1), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_VideoMotion1080p30)
    ->ArgName("skipped")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

// The flying lap of a synthetic drive, and an in-car video of two minutes
// that starts 10 s before it and ends in the slow lap after it. (With two
// flying laps alike to the metre in view, the tie would rightly be refused
// as ambiguous.)
constexpr double kLapStartInVideo = 10;

struct LapVideo {
    TLapDtRec lap;
    std::string path;
};

const LapVideo& InCarLapVideo() {
    static ScratchFolder folder;
    static const LapVideo made = [] {
        LapVideo made;
        synth::DriveOptions drive;
        drive.laps = 1;
        const synth::Drive d = synth::SynthesizeDrive(synth::DemoCircuit(), drive);
        std::vector<synth::SynthFix> fixes;
        for (const synth::SynthFix& f : d.fixes) {
            if (f.utcMs >= d.crossingUtcMs[0] && f.utcMs <= d.crossingUtcMs[1])
                fixes.push_back(f);
        }
        if (fixes.empty())
            return made;
        made.lap.Elm = synth::LapSamplesOfFixes(fixes, 25569.0);
        made.lap.ElmNum = static_cast<int32_t>(made.lap.Elm.size());
        // The scene is drawn at a quarter of the size and scaled up by
        // ffmpeg, which adds the grain of a camera's sensor at full size.
        test::InCarVideo v;
        v.startUtcMs = static_cast<double>(fixes.front().utcMs) - 1000 * kLapStartInVideo;
        v.seconds = kSeconds;
        v.fps = kFps;
        v.width = 480;
        v.height = 270;
        v.noise = 4;
        v.codec =
            "-vf scale=1920:1080,noise=alls=6:allf=t -c:v libx264 -preset superfast -b:v 20M "
            "-maxrate 20M -bufsize 40M -g " +
            std::to_string(kFps);
        const std::string p = (folder.path / "lap1080p30.mp4").string();
        if (test::MakeInCarVideo(p, test::DriveHeading(d), v))
            made.path = p;
        return made;
    }();
    return made;
}

// CPU of every thread of the process: the readers run on threads of their
// own.
double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// whole: 0 runs the tie as the window and the command line do (key frames,
// then spans), 1 reads the whole video as their fall-back does.
void BM_VideoTie1080p30(benchmark::State& state) {
    const LapVideo& video = InCarLapVideo();
    if (video.path.empty()) {
        state.SkipWithError("could not make the video");
        return;
    }
    const MotionReader file = VideoFileMotionReader(video.path);
    const MotionReader reader =
        state.range(0) == 0 ? file
                            : [&file](const MotionReadRequest& request, const MotionProgress& p,
                                      const std::atomic<bool>* cancel) {
                                  // Key frames and spans refused.
                                  if (request.kind != MotionReadRequest::Kind::Whole)
                                      return VideoMotion{{}, false, "whole reads only"};
                                  return file(request, p, cancel);
                              };
    AutoSyncResult tie;
    const std::atomic<bool> never{false};
    const double cpuBefore = ProcessCpuSeconds();
    for (auto _ : state) {
        tie = RunAutoSync(video.lap, reader, {}, never);
        if (!tie.readError.empty()) {
            state.SkipWithError(tie.readError.c_str());
            return;
        }
    }
    state.counters["cpu_s"] = ProcessCpuSeconds() - cpuBefore;
    state.counters["two_passes"] = tie.twoPasses ? 1 : 0;
    if (!tie.tied || std::abs(tie.lapStartInVideo - kLapStartInVideo) > 1.0 / kFps) {
        state.SkipWithError("the tie missed the lap's start by more than a frame");
        return;
    }
    state.counters["error_ms"] = 1000 * (tie.lapStartInVideo - kLapStartInVideo);
    state.counters["plus_minus_ms"] = 1000 * tie.plusMinus;
    state.counters["video_s"] = kSeconds;
}
BENCHMARK(BM_VideoTie1080p30)
    ->ArgName("whole")
    ->DenseRange(0, 1)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace
}  // namespace qv::bench
