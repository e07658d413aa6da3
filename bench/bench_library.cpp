// The session library: adding 1,000 small logs (each decoded, cut into
// laps and stored in its own transaction), listing a track that holds those
// 1,000 sessions, and its personal-best history. The logs are run files of
// a three-lap drive on the demo circuit, each a day earlier than the one
// before so that every one is a new session, written by the benchmark
// itself with the circuit's files beside them.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/local_time.h"
#include "laps/circuit_index.h"
#include "library/library_import.h"
#include "library/session_library.h"
#include "scratch_folder.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/run_file_encoder.h"

namespace {

namespace fs = std::filesystem;
using qv::bench::ScratchFolder;

constexpr int kLogs = 1000;

struct Corpus {
    ScratchFolder scratch;
    qv::CircuitIndex circuits;
    fs::path logs;
};

// 1,000 logs of some 20 KB each and the demo circuit's files.
const Corpus& TheCorpus() {
    static const std::unique_ptr<Corpus> corpus = [] {
        auto c = std::make_unique<Corpus>();
        const fs::path circuitFolder = c->scratch.path / "circuit";
        fs::create_directories(circuitFolder);
        qv::synth::WriteCircuitFiles(qv::synth::DemoCircuit(), circuitFolder, "demo");
        c->circuits.trackMaps =
            qv::BuildCircuitIndex(circuitFolder, qv::CircuitFileKind::TrackMap, 0, 0);
        c->circuits.controlLines =
            qv::BuildCircuitIndex(circuitFolder, qv::CircuitFileKind::ControlLine, 0, 0);
        c->circuits.sectorGates =
            qv::BuildCircuitIndex(circuitFolder, qv::CircuitFileKind::SectorGates, 0, 0);
        qv::synth::DriveOptions options;
        options.rateHz = 5;
        options.laps = 3;
        const qv::synth::Drive drive =
            qv::synth::SynthesizeDrive(qv::synth::DemoCircuit(), options);
        c->logs = c->scratch.path / "logs";
        fs::create_directories(c->logs);
        for (int day = 0; day < kLogs; ++day) {
            std::vector<qv::synth::SynthFix> fixes = drive.fixes;
            for (qv::synth::SynthFix& f : fixes)
                f.utcMs -= static_cast<int64_t>(day) * 86400000;
            const std::vector<uint8_t> bytes =
                qv::synth::EncodeRunFile(fixes, qv::RunFileVariant::Bon);
            std::FILE* out =
                std::fopen((c->logs / ("log" + std::to_string(day) + ".bon")).c_str(), "wb");
            if (out != nullptr) {
                std::fwrite(bytes.data(), 1, bytes.size(), out);
                std::fclose(out);
            }
        }
        return c;
    }();
    return *corpus;
}

qv::LibraryAddContext Context(const Corpus& corpus) {
    qv::LibraryAddContext context;
    context.circuits = &corpus.circuits;
    context.localTimeBase = qv::LocalTimeBaseFromBias(0);
    return context;
}

// The library after all 1,000 logs were added, kept for the queries.
struct Filled {
    ScratchFolder folder;
    qv::SessionLibrary library;
    int64_t track = 0;
};

Filled& FilledLibrary() {
    static const std::unique_ptr<Filled> filled = [] {
        auto f = std::make_unique<Filled>();
        const Corpus& corpus = TheCorpus();
        f->library.Open(f->folder.path / "library.sqlite");
        qv::AddLogs(f->library, {corpus.logs}, Context(corpus));
        const std::vector<qv::LibraryTrack> tracks = f->library.Tracks();
        if (!tracks.empty())
            f->track = tracks.front().id;
        return f;
    }();
    return *filled;
}

void BM_LibraryAdd1000Logs(benchmark::State& state) {
    const Corpus& corpus = TheCorpus();
    int added = 0;
    for (auto _ : state) {
        ScratchFolder folder;
        qv::SessionLibrary library;
        library.Open(folder.path / "library.sqlite");
        const qv::ImportReport report = qv::AddLogs(library, {corpus.logs}, Context(corpus));
        added = report.added;
        if (added != kLogs) {
            const std::string why =
                "not every log was added" +
                (report.refused.empty() ? std::string()
                                        : ": " + report.refused.front().path.filename().string() +
                                              ": " + report.refused.front().reason);
            state.SkipWithError(why.c_str());
        }
    }
    state.counters["logs"] = added;
}
BENCHMARK(BM_LibraryAdd1000Logs)->Unit(benchmark::kSecond)->Iterations(1);

void BM_LibraryListTrackOf1000Sessions(benchmark::State& state) {
    Filled& f = FilledLibrary();
    size_t listed = 0;
    for (auto _ : state) {
        const std::vector<qv::LibrarySession> sessions = f.library.Sessions(f.track);
        listed = sessions.size();
        benchmark::DoNotOptimize(sessions.data());
    }
    if (listed != static_cast<size_t>(kLogs))
        state.SkipWithError("the track does not hold every session");
    state.counters["sessions"] = static_cast<double>(listed);
}
BENCHMARK(BM_LibraryListTrackOf1000Sessions)->Unit(benchmark::kMillisecond);

void BM_LibraryBestHistoryOf1000Sessions(benchmark::State& state) {
    Filled& f = FilledLibrary();
    size_t points = 0;
    for (auto _ : state) {
        const std::vector<qv::BestPoint> history = f.library.BestHistory(f.track);
        points = history.size();
        benchmark::DoNotOptimize(history.data());
    }
    state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_LibraryBestHistoryOf1000Sessions)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
