// The corner table of four laps of about 3,000 samples: finding slot A's
// corners, putting the other laps beside it and measuring every corner.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "app/analysis.h"
#include "app/session.h"
#include "dynamics/corner_table.h"
#include "dynamics/corners.h"
#include "laps/lap_extraction.h"
#include "scratch_folder.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/drive_log.h"

namespace {

constexpr qv::TDateTime kBase = 25569.0;

// 46 Hz: about 3,000 samples a lap. Four flying laps with differences in
// three corners, in slots A to D.
struct FourSlots {
    qv::bench::ScratchFolder scratch;
    std::unique_ptr<qv::Session> session = std::make_unique<qv::Session>(kBase);

    FourSlots() {
        const qv::synth::Circuit circuit = qv::synth::DemoCircuit();
        qv::synth::SessionOptions o;
        o.rateHz = 46;
        o.stints = {5};
        o.noiseM = 0.3;
        std::vector<qv::synth::CornerPlan> b(7), c(7), d(7);
        b[0].brakeEarlierM = 10;
        c[2].grip = 0.9;
        d[1].lineM = -2;
        o.plannedLaps = {{}, {}, b, c, d};
        qv::synth::LoadDriveIntoLog(qv::synth::SynthesizeSession(circuit, qv::synth::PitLane{}, o),
                                    session->log, kBase);
        session->folders.TempFolder = scratch.path;
        session->lines = qv::synth::CircuitControlLine(circuit);
        qv::ExtractLaps(*session);
        for (int row = 3; row <= 6; ++row)
            qv::ShowLapInSlot(*session, row);
    }
};

FourSlots& Slots() {
    static FourSlots s;
    return s;
}

void BM_FindCorners(benchmark::State& state) {
    const qv::TLapDtRec& lap = Slots().session->laps.LapDt.at(0);
    for (auto _ : state) {
        std::vector<qv::Corner> corners = qv::FindCorners(lap);
        benchmark::DoNotOptimize(corners.data());
    }
    state.counters["samples"] = static_cast<double>(lap.Elm.size());
}
BENCHMARK(BM_FindCorners)->Unit(benchmark::kMillisecond);

void BM_CornerTableFourLaps(benchmark::State& state) {
    qv::Session& session = *Slots().session;
    qv::CornerTableOptions o;
    o.mode = state.range(0) ? qv::AlignMode::kByPosition : qv::AlignMode::kByDistance;
    size_t rows = 0;
    for (auto _ : state) {
        qv::CornerTable table =
            qv::BuildCornerTable(session.laps.LapDt, session.sectRes, session.gates.UsedCount(), o);
        rows = table.rows.size();
        benchmark::DoNotOptimize(table.rows.data());
    }
    state.counters["slots"] = session.laps.LapDtNum();
    state.counters["samples_per_lap"] = static_cast<double>(session.laps.LapDt.at(0).Elm.size());
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_CornerTableFourLaps)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("by_position")
    ->Unit(benchmark::kMillisecond);

}  // namespace
