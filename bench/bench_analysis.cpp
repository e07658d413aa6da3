// The analysis behind the lap slots and the lap list: placing laps with the
// full refresh, the cursor refresh, and the sector and drift columns.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/analysis.h"
#include "app/session.h"
#include "laps/lap_extraction.h"
#include "scratch_folder.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace {

using qv::bench::ScratchFolder;

constexpr qv::TDateTime kBase = 25569.0;

// Laps of the demo circuit with its three gates, cut into the lap list.
struct LappedSession {
    ScratchFolder scratch;
    std::unique_ptr<qv::Session> session = std::make_unique<qv::Session>(kBase);

    LappedSession(double rateHz, int laps) {
        const qv::synth::Circuit circuit = qv::synth::DemoCircuit();
        qv::synth::DriveOptions options;
        options.rateHz = rateHz;
        options.laps = laps;
        options.noiseM = 0.3;
        qv::synth::LoadDriveIntoLog(qv::synth::SynthesizeDrive(circuit, options), session->log,
                                    kBase);
        session->folders.TempFolder = scratch.path;
        session->lines = qv::synth::CircuitControlLine(circuit);
        session->gates = qv::synth::CircuitGates(circuit, 3);
        session->settings.MinLapDist = 1.0;  // flying laps only
        qv::ExtractLaps(*session);
    }
};

// 46 Hz: about 3,000 samples a lap.
LappedSession& FourLongLaps() {
    static LappedSession s(46, 4);
    return s;
}

void BM_PlaceFourLapsWithFullRefresh(benchmark::State& state) {
    qv::Session& session = *FourLongLaps().session;
    for (auto _ : state) {
        session.laps.LapDt.clear();
        for (int row = 1; row <= 4; ++row)
            qv::ShowLapInSlot(session, row);
        benchmark::DoNotOptimize(session.align.DiffArr.data());
    }
    state.counters["samples_per_lap"] =
        session.laps.LapDt.empty() ? 0 : session.laps.LapDt[0].ElmNum;
    state.counters["slots"] = session.laps.LapDtNum();
}
BENCHMARK(BM_PlaceFourLapsWithFullRefresh)->Unit(benchmark::kMillisecond);

void BM_CursorRefreshFourSlots(benchmark::State& state) {
    qv::Session& session = *FourLongLaps().session;
    session.laps.LapDt.clear();
    for (int row = 1; row <= 4; ++row)
        qv::ShowLapInSlot(session, row);
    qv::Float80 t = 0;
    for (auto _ : state) {
        t += 0.066L;
        if (t > 60)
            t = 0;
        qv::MoveCursor(session, t);
        benchmark::DoNotOptimize(session.align.cursor[3].CsSpd);
    }
}
BENCHMARK(BM_CursorRefreshFourSlots)->Unit(benchmark::kMicrosecond);

void BM_LapListColumnsThousandLaps(benchmark::State& state) {
    static LappedSession s(5, 1000);
    for (auto _ : state)
        qv::RefreshLapList(*s.session);
    state.counters["laps"] = s.session->laps.LapNum();
}
BENCHMARK(BM_LapListColumnsThousandLaps)->Unit(benchmark::kMillisecond);

}  // namespace
