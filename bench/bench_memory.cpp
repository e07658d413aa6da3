// Whether a long session keeps its memory: one cycle opens a log 50 times
// in turn (about 1,000 laps in the lap list), shows two of the laps and then
// removes all lap data, as the window's buttons do. The process's resident
// size is read before the first cycle, after it (the stores are touched by
// then) and after the last; the counters are in KiB.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "app/after_open_log.h"
#include "app/analysis.h"
#include "app/remove_all_laps.h"
#include "app/session.h"
#include "app/step_runner.h"
#include "laps/open_log.h"
#include "presentation/refresh_sequence.h"
#include "scratch_folder.h"
#include "synth/bnx4_encoder.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"

namespace {

using qv::bench::ScratchFolder;

constexpr qv::TDateTime kBase = 25569.0;
constexpr int kLogsPerCycle = 50;

double ResidentKiB() {
    long pages = 0;
    long resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return 0;
    const int read = std::fscanf(statm, "%ld %ld", &pages, &resident);
    std::fclose(statm);
    return read == 2 ? static_cast<double>(resident) * sysconf(_SC_PAGESIZE) / 1024.0 : 0;
}

// Every question answered Yes, nothing chosen.
class YesPrompter : public qv::Prompter {
  public:
    void Inform(const std::string&, qv::MessageIcon) override {}
    bool AskYesNo(const std::string&, qv::MessageIcon) override { return true; }
    bool AskYesCancel(const std::string&, qv::MessageIcon) override { return true; }
    std::optional<std::string> ChooseOpenFile(const qv::FileDialogRequest&) override { return {}; }
    std::vector<std::string> ChooseOpenFiles(const qv::FileDialogRequest&) override { return {}; }
    std::optional<std::string> ChooseSaveFile(const qv::FileDialogRequest&) override { return {}; }
};

// The log-block dialog closed with OK at once, every run ticked.
class OkDialog : public qv::LogBlockDialogStep {
  public:
    bool Show(qv::LapSession&, const std::string&) override { return true; }
};

void BM_OpenFiftyLogsThenRemoveAllLaps(benchmark::State& state) {
    ScratchFolder scratch;
    const qv::synth::Circuit circuit = qv::synth::DemoCircuit();
    qv::synth::DriveOptions options;
    options.rateHz = 10;
    options.laps = 19;  // 20 laps of each log are kept
    options.noiseM = 0.3;
    const std::vector<uint8_t> image =
        qv::synth::EncodeBnx4Image(qv::synth::SynthesizeDrive(circuit, options).fixes);
    const std::filesystem::path log = scratch.path / "session.bnx4";
    std::ofstream(log, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));

    auto session = std::make_unique<qv::Session>(kBase);
    session->folders.TempFolder = scratch.path;
    session->lines = qv::synth::CircuitControlLine(circuit);
    session->gates = qv::synth::CircuitGates(circuit, 3);
    YesPrompter prompter;
    OkDialog dialog;
    qv::OpenLogContext context{*session, prompter, dialog, [] { return kBase + 30000; }};

    int lapsPerCycle = 0;
    const auto cycle = [&] {
        for (int i = 0; i < kLogsPerCycle; ++i) {
            const qv::GateTable gatesBefore = session->gates;
            const qv::OpenLogOutcome outcome = qv::OpenLogFile(context, log);
            qv::RunSteps(*session, qv::StepsAfterOpenLog(*session, outcome, gatesBefore).steps,
                         nullptr);
        }
        lapsPerCycle = session->laps.LapNum();
        for (const int row : {1, 2}) {
            const qv::SlotChange shown = qv::ShowLapInSlot(*session, row);
            if (shown.kind != qv::SlotChange::Kind::Nothing)
                qv::RunSteps(
                    *session,
                    qv::SlotChangeSteps(session->presentation, session->laps.LapDtNum(), true),
                    nullptr);
        }
        qv::RunSteps(*session, qv::RemoveAllLapData(*session, prompter, nullptr, {}), nullptr);
    };

    const double initial = ResidentKiB();
    cycle();
    const double start = ResidentKiB();
    for (auto _ : state)
        cycle();
    const double end = ResidentKiB();
    if (lapsPerCycle == 0 || session->laps.LapNum() != 0)
        state.SkipWithError("the logs gave no laps, or the laps were not removed");
    state.counters["laps_per_cycle"] = lapsPerCycle;
    state.counters["rss_initial_KiB"] = initial;
    state.counters["rss_start_KiB"] = start;
    state.counters["rss_end_KiB"] = end;
    state.counters["rss_growth_KiB"] = end - start;
}
BENCHMARK(BM_OpenFiftyLogsThenRemoveAllLaps)->Iterations(5)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
