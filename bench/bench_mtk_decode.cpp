// Decoding a full 8-MiB MTK image, and the memory the command-line tool
// needs to report on it. Run: quorvane-bench [--cli=PATH/quorvane-cli].

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/memory_policy.h"
#include "app/session.h"
#include "cli_path.h"
#include "decode/load_log.h"
#include "decode/mtk_decoder.h"
#include "synth/drive.h"
#include "synth/mtk_encoder.h"

extern char** environ;

namespace {

std::string gCliPath;

// 128 sectors filled with 10-Hz records of a long drive, about 219,000 fixes.
const std::vector<uint8_t>& FullImage() {
    static const std::vector<uint8_t> image = [] {
        qv::synth::DriveOptions options;
        options.rateHz = 10;
        options.laps = 400;  // more than 128 sectors hold
        options.noiseM = 0.5;
        const qv::synth::Drive drive =
            qv::synth::SynthesizeDrive(qv::synth::DemoCircuit(), options);
        qv::synth::MtkImageWriter writer;
        const size_t recordLength = qv::MtkRecordLength(qv::kMtkFormatHeading, 0);
        for (const qv::synth::SynthFix& fix : drive.fixes) {
            if (writer.SectorsUsed() == 128 && writer.SectorSpaceLeft() < recordLength)
                break;
            writer.AddFix(fix);
        }
        return writer.Finish(128);
    }();
    return image;
}

const std::filesystem::path& FullImageFile() {
    static const std::filesystem::path path = [] {
        const auto p = std::filesystem::temp_directory_path() / "quorvane-bench-full.binx";
        const std::vector<uint8_t>& image = FullImage();
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        return p;
    }();
    return path;
}

qv::Session& BenchSession() {
    static auto session = std::make_unique<qv::Session>(25569.0 + 540 / 1440.0);
    return *session;
}

void BM_DecodeMtkImage(benchmark::State& state) {
    const std::vector<uint8_t>& image = FullImage();
    qv::Session& session = BenchSession();
    const qv::MtkTarget target{session.log, session.diagnostics, session.LocalTimeBase};
    for (auto _ : state) {
        session.log.Reset();
        qv::DecodeMtkImage(target, image, image.size() / qv::kMtkSectorSize);
        benchmark::DoNotOptimize(session.log.LogItemNum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * image.size()));
    state.counters["fixes"] = session.log.LogItemNum;
    state.counters["fixes_per_s"] = benchmark::Counter(
        static_cast<double>(session.log.LogItemNum), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DecodeMtkImage)->Unit(benchmark::kMillisecond);

// Reading the file, the size and check-value rules, and decoding.
void BM_LoadBinxFile(benchmark::State& state) {
    const std::filesystem::path& path = FullImageFile();
    qv::Session& session = BenchSession();
    for (auto _ : state) {
        const qv::LoadLogResult r = qv::LoadLogFile(session, path);
        if (!r.proceed)
            state.SkipWithError("the image was refused");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FullImage().size()));
}
BENCHMARK(BM_LoadBinxFile)->Unit(benchmark::kMillisecond);

// Runs a command and prints its peak resident memory in KiB. A child's
// figure includes the memory of whatever process started it before its exec,
// so the benchmark measures through this small fresh process, not directly.
int PrintPeakRssOf(char** argv) {
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return 127;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    std::printf("%ld\n", usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// Peak resident memory of `quorvane-cli info` on the full image.
void BM_CliInfoPeakMemory(benchmark::State& state) {
    if (gCliPath.empty()) {
        state.SkipWithError("pass --cli=PATH to quorvane-cli");
        return;
    }
    const std::string command = "'/proc/" + std::to_string(getpid()) + "/exe' --peak-rss-of '" +
                                gCliPath + "' info '" + FullImageFile().string() + "'";
    long peakKiB = 0;
    for (auto _ : state) {
        FILE* pipe = popen(command.c_str(), "r");
        long kib = 0;
        const bool read = pipe != nullptr && std::fscanf(pipe, "%ld", &kib) == 1;
        const int status = pipe != nullptr ? pclose(pipe) : -1;
        if (!read || status != 0) {
            state.SkipWithError("quorvane-cli info failed");
            break;
        }
        peakKiB = std::max(peakKiB, kib);
    }
    state.counters["peak_rss_MiB"] = static_cast<double>(peakKiB) / 1024.0;
}
BENCHMARK(BM_CliInfoPeakMemory)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

const std::string& qv::bench::CliPath() {
    return gCliPath;
}

int main(int argc, char** argv) {
    // As the programs do, so that the figures are theirs.
    qv::KeepFreedMemory();
    if (argc > 2 && std::strcmp(argv[1], "--peak-rss-of") == 0)
        return PrintPeakRssOf(argv + 2);
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--cli=", 6) == 0) {
            gCliPath = argv[i] + 6;
        } else {
            rest.push_back(argv[i]);
        }
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove(FullImageFile(), ec);
    return 0;
}
