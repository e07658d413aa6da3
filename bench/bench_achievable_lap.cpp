// The achievable best lap: 100 laps of a driver's session, whose lines and
// pace vary from lap to lap, and four laps of about 3,000 samples each.

#include <benchmark/benchmark.h>

#include <span>
#include <vector>

#include "dynamics/achievable_lap.h"
#include "synth/drive.h"

namespace {

using Laps = std::vector<std::vector<qv::TLapElmRec>>;

// The drive cut at its true line crossings as lap files hold it: the fixes
// in between and a sample interpolated at each crossing.
Laps CutAtCrossings(const qv::synth::Drive& drive) {
    Laps laps;
    const auto& f = drive.fixes;
    for (size_t k = 0; k + 1 < drive.crossingUtcMs.size(); ++k) {
        const double from = drive.crossingUtcMs[k], to = drive.crossingUtcMs[k + 1];
        std::vector<qv::TLapElmRec> lap;
        const auto add = [&](double utcMs, double lat, double lon) {
            qv::TLapElmRec e;
            e.Sec = (utcMs - from) / 1000.0;
            e.Ido = lat;
            e.Kdo = lon;
            lap.push_back(e);
        };
        for (size_t i = 1; i < f.size(); ++i) {
            const auto t0 = static_cast<double>(f[i - 1].utcMs);
            const auto t1 = static_cast<double>(f[i].utcMs);
            for (const double at : {from, to}) {
                if (t0 < at && at <= t1) {
                    const double r = (at - t0) / (t1 - t0);
                    add(at, f[i - 1].lat + r * (f[i].lat - f[i - 1].lat),
                        f[i - 1].lon + r * (f[i].lon - f[i - 1].lon));
                }
            }
            if (t1 > from && t1 < to)
                add(t1, f[i].lat, f[i].lon);
        }
        laps.push_back(std::move(lap));
    }
    return laps;
}

const Laps& HundredLaps() {
    static const Laps laps = [] {
        qv::synth::SessionOptions options;
        options.rateHz = 10;
        options.stints = {100};
        options.noiseM = 0.5;
        return CutAtCrossings(
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
        return CutAtCrossings(
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
