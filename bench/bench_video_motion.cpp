// The motion signal of a two-minute 1080p30 H.264 video, as the automatic
// tie reads it: the whole file decoded with the picture scaled down to the
// small grey frames the shift is measured on, every frame or only those
// other frames refer to. Real time, all threads.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "scratch_folder.h"
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

void BM_VideoMotion1080p30(benchmark::State& state) {
    if (Video().empty()) {
        state.SkipWithError("could not make the video");
        return;
    }
    VideoMotionOptions options;
    options.skipNonReference = state.range(0) != 0;
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
    ->ArgName("skip_non_reference")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace
}  // namespace qv::bench
