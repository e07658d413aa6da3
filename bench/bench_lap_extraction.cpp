// Cutting a full fix store into laps, the temporary lap files included.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/session.h"
#include "laps/lap_extraction.h"
#include "scratch_folder.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace {

using qv::bench::ScratchFolder;

constexpr qv::TDateTime kBase = 25569.0;

// 630,000 fixes of a 20-Hz drive on the demo circuit: about 510 laps of
// 1,300 fixes, ticked as one run.
qv::Session& FullSession() {
    static std::unique_ptr<qv::Session> session = [] {
        auto s = std::make_unique<qv::Session>(kBase);
        qv::synth::DriveOptions options;
        options.rateHz = 20;
        options.laps = 520;
        options.noiseM = 0.3;
        const qv::synth::Circuit circuit = qv::synth::DemoCircuit();
        qv::synth::LoadDriveIntoLog(qv::synth::SynthesizeDrive(circuit, options), s->log, kBase);
        s->lines.controlLineSet = true;
        s->lines.first = qv::Line{qv::LinePoint{circuit.lineA.lat, circuit.lineA.lon},
                                  qv::LinePoint{circuit.lineB.lat, circuit.lineB.lon}};
        return s;
    }();
    return *session;
}

// A scratch folder for the lap files, removed when the benchmark ends.

void BM_ExtractCircuitLapsFullStore(benchmark::State& state) {
    qv::Session& session = FullSession();
    ScratchFolder scratch;
    session.folders.TempFolder = scratch.path;
    int laps = 0;
    for (auto _ : state) {
        // Each run writes new files, as laps of a newly opened log do.
        state.PauseTiming();
        session.laps.LapList.clear();
        session.laps.LapRows.clear();
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(scratch.path, ec))
            std::filesystem::remove(entry.path(), ec);
        state.ResumeTiming();
        const qv::ExtractionResult result = qv::ExtractLaps(session);
        if (!result.error.empty()) {
            state.SkipWithError(result.error.c_str());
            break;
        }
        laps = result.lapsAdded;
    }
    state.counters["fixes"] = session.log.LogItemNum;
    state.counters["laps"] = laps;
    state.counters["fixes_per_s"] = benchmark::Counter(
        static_cast<double>(session.log.LogItemNum), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ExtractCircuitLapsFullStore)->Unit(benchmark::kMillisecond);

}  // namespace
