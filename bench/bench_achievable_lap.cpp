// The achievable best lap: 100 laps of a driver's session, whose lines and
// pace vary from lap to lap, and four laps of about 3,000 samples each.

#include <benchmark/benchmark.h>

#include <span>
#include <vector>

#include "dynamics/achievable_lap.h"
#include "synth/drive.h"
#include "synth/drive_laps.h"

namespace {

using Laps = std::vector<std::vector<qv::TLapElmRec>>;

const Laps& HundredLaps() {
    static const Laps laps = [] {
        qv::synth::SessionOptions options;
        options.rateHz = 10;
        options.stints = {100};
        options.noiseM = 0.5;
        return qv::synth::LapsBetweenCrossings(
            qv::synth::SynthesizeSession(qv::synth::DemoCircuit(), qv::synth::PitLane{}, options));
    }();
    return laps;
}

// 46 Hz: about 3,000 samples a lap.
const Laps& FourLongLaps() {
    static const Laps laps = [] {
        qv::synth::SessionOptions options;
        options.rateHz = 46;
        options.stints = {4};
        options.noiseM = 0.5;
        return qv::synth::LapsBetweenCrossings(
            qv::synth::SynthesizeSession(qv::synth::DemoCircuit(), qv::synth::PitLane{}, options));
    }();
    return laps;
}

void Run(benchmark::State& state, const Laps& laps) {
    const std::vector<std::span<const qv::TLapElmRec>> spans(laps.begin(), laps.end());
    size_t samples = 0;
    for (const auto& lap : laps)
        samples += lap.size();
    qv::AchievableLap result;
    for (auto _ : state) {
        result = qv::FindAchievableLap(spans);
        benchmark::DoNotOptimize(result);
    }
    state.counters["laps"] = static_cast<double>(laps.size());
    state.counters["samples"] = static_cast<double>(samples);
    state.counters["pieces"] = static_cast<double>(result.pieces.size());
    state.counters["gain_s"] = result.referenceSeconds - result.seconds;
}

void BM_AchievableLapHundredLaps(benchmark::State& state) {
    Run(state, HundredLaps());
}
BENCHMARK(BM_AchievableLapHundredLaps)->Unit(benchmark::kMillisecond);

void BM_AchievableLapFourLongLaps(benchmark::State& state) {
    Run(state, FourLongLaps());
}
BENCHMARK(BM_AchievableLapFourLongLaps)->Unit(benchmark::kMillisecond);

}  // namespace
