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

void BM_PreciseSeek(benchmark::State& state) {
    PlayerEventQueue queue;
    Player player(queue);
    if (!OpenQuiet(player, queue, 455, 340)) {
        state.SkipWithError("could not make or open the video");
        return;
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<int64_t> when(0, kSeconds * 1000000 - 1);
    std::vector<double> ms;
    for (auto _ : state) {
        for (int k = 0; k < 50; ++k) {
            const Clock::time_point start = Clock::now();
            player.Seek(SeekFlag::kPrecise, when(random));
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
// Plays the file at `rate` while this thread takes the events every 66 ms,
// as the window's playback tick does.
void BM_Playback(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));
    const int width = static_cast<int>(state.range(1));
    const int height = static_cast<int>(state.range(2));
    for (auto _ : state) {
        PlayerEventQueue queue;
        Player player(queue);
        player.playRate = rate;
        if (!OpenQuiet(player, queue, width, height)) {
            state.SkipWithError("could not make or open the video");
            return;
        }
        constexpr auto kTick = std::chrono::milliseconds(66);
        const Clock::time_point start = Clock::now();
        player.Resume();
        Clock::time_point tick = start;
        int shown = 0;
        double worstLagMs = 0;
        double worstTickLateMs = 0;
        bool ended = false;
        while (!ended && Clock::now() - start < std::chrono::seconds(4 * kSeconds)) {
            tick += kTick;
            std::this_thread::sleep_until(tick);
            worstTickLateMs =
                std::max(worstTickLateMs,
                         std::chrono::duration<double, std::milli>(Clock::now() - tick).count());
            const double clockMs =
                std::chrono::duration<double, std::milli>(Clock::now() - start).count() * rate;
            for (const PlayerEvent& e : queue.TakeAll()) {
                if (e.kind == PlayerEventKind::kState && e.state == PlayerState::psEnd)
                    ended = true;
                if (e.kind != PlayerEventKind::kPosition || !e.image)
                    continue;
                ++shown;
                // How far a frame trails the clock beyond the tick that
                // takes it, which alone accounts for 66 ms x rate.
                if (clockMs > 500 * rate && clockMs < kSeconds * 1000.0)
                    worstLagMs = std::max(worstLagMs, clockMs - e.time / 1000.0 - 66.0 * rate);
            }
        }
        if (!ended) {
            state.SkipWithError("playing never reached the end");
            return;
        }
        const int frames = kFps * kSeconds;
        state.counters["shown"] = shown;
        state.counters["dropped"] = frames - 1 - shown;
        state.counters["shown_per_s"] =
            shown / std::chrono::duration<double>(Clock::now() - start).count();
        state.counters["trail_ms"] = worstLagMs;
        state.counters["worst_tick_late_ms"] = worstTickLateMs;
    }
}
BENCHMARK(BM_Playback)
    ->ArgNames({"rate", "w", "h"})
    ->Args({1, 0, 0})
    ->Args({2, 0, 0})
    ->Args({1, 455, 340})
    ->Args({2, 455, 340})
    ->Args({4, 455, 340})
    ->Args({8, 455, 340})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_PreciseSeek)->Iterations(1)->Unit(benchmark::kMillisecond);

// Clicks moving the cursor a little ahead each time: 0.1 s steps through
// the file, which decoding goes on to rather than starting again.
void BM_PreciseSeekAhead(benchmark::State& state) {
    PlayerEventQueue queue;
    Player player(queue);
    if (!OpenQuiet(player, queue, 455, 340)) {
        state.SkipWithError("could not make or open the video");
        return;
    }
    std::vector<double> ms;
    for (auto _ : state) {
        for (int64_t at = 50000; at < kSeconds * 1000000; at += 100000) {
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
