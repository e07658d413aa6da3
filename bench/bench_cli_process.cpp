// The command-line tool's start-up, and its info and fixes on a full 8-MiB
// binx image, timed as the user feels them: the whole process from start to
// exit, beside `cat` reading the same file, and gpsbabel turning the same
// image into CSV. Needs --cli=PATH/quorvane-cli.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_path.h"
#include "decode/mtk_decoder.h"
#include "scratch_folder.h"
#include "synth/drive.h"
#include "synth/mtk_encoder.h"

extern char** environ;

namespace {

// 128 sectors of 10-Hz records, about 214,000 fixes.
const std::filesystem::path& FullBinx() {
    static const qv::bench::ScratchFolder folder;
    static const std::filesystem::path path = [] {
        qv::synth::DriveOptions options;
        options.rateHz = 10;
        options.laps = 400;
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
        const std::vector<uint8_t> image = writer.Finish(128);
        const std::filesystem::path p = folder.path / "full.binx";
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        return p;
    }();
    return path;
}

// Runs a program with its output thrown away; the wall time in seconds, or
// a negative value when it could not be run or failed.
double RunSeconds(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? took.count() : -1;
}

// The tool's `command` on the image per iteration; `vs_cat` is its time over
// that of `cat` on the same file, taken between the iterations.
void RunCliCommand(benchmark::State& state, const char* command) {
    const std::string& cli = qv::bench::CliPath();
    if (cli.empty()) {
        state.SkipWithError("pass --cli=PATH to quorvane-cli");
        return;
    }
    const std::string image = FullBinx().string();
    double cliTotal = 0;
    double catTotal = 0;
    for (auto _ : state) {
        const double seconds = RunSeconds({cli, command, image});
        state.PauseTiming();
        const double cat = RunSeconds({"cat", image});
        state.ResumeTiming();
        if (seconds < 0 || cat < 0) {
            state.SkipWithError("a program failed");
            return;
        }
        state.SetIterationTime(seconds);
        cliTotal += seconds;
        catTotal += cat;
    }
    if (catTotal > 0)
        state.counters["vs_cat"] = cliTotal / catTotal;
}

// The start-up alone: what every command pays before it reads a byte, and
// what grows when the tool links a library it does not need.
void BM_CliVersionProcess(benchmark::State& state) {
    const std::string& cli = qv::bench::CliPath();
    if (cli.empty()) {
        state.SkipWithError("pass --cli=PATH to quorvane-cli");
        return;
    }
    for (auto _ : state) {
        const double seconds = RunSeconds({cli, "--version"});
        if (seconds < 0) {
            state.SkipWithError("quorvane-cli --version failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_CliVersionProcess)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CliInfoFullBinxProcess(benchmark::State& state) {
    RunCliCommand(state, "info");
}
BENCHMARK(BM_CliInfoFullBinxProcess)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CliFixesFullBinxProcess(benchmark::State& state) {
    RunCliCommand(state, "fixes");
}
BENCHMARK(BM_CliFixesFullBinxProcess)->UseManualTime()->Unit(benchmark::kMillisecond);

// gpsbabel's reader of the same flash image, writing the track as CSV, the
// nearest thing another program does to `fixes`; `vs_fixes` is its time over
// that of `quorvane-cli fixes`, taken between the iterations.
void BM_GpsbabelCsvFullBinxProcess(benchmark::State& state) {
    const std::string& cli = qv::bench::CliPath();
    if (cli.empty()) {
        state.SkipWithError("pass --cli=PATH to quorvane-cli");
        return;
    }
    const std::string image = FullBinx().string();
    double babelTotal = 0;
    double fixesTotal = 0;
    for (auto _ : state) {
        const double seconds = RunSeconds(
            {"gpsbabel", "-t", "-i", "mtk-bin", "-f", image, "-o", "unicsv", "-F", "/dev/stdout"});
        state.PauseTiming();
        const double fixes = RunSeconds({cli, "fixes", image});
        state.ResumeTiming();
        if (seconds < 0 || fixes < 0) {
            state.SkipWithError("gpsbabel is not installed or a program failed");
            return;
        }
        state.SetIterationTime(seconds);
        babelTotal += seconds;
        fixesTotal += fixes;
    }
    if (fixesTotal > 0)
        state.counters["vs_fixes"] = babelTotal / fixesTotal;
}
BENCHMARK(BM_GpsbabelCsvFullBinxProcess)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
