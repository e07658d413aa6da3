// Opening logs of other loggers as the open-log command does: a two-hour
// 25-Hz NMEA log (180,000 fixes with RMC and GGA, about 26 MB) and GPX of
// the same track, each written by the benchmark itself; and the peak memory
// of `quorvane-cli info` on them against a log of a few fixes, beside the
// file's size.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "cli_path.h"
#include "decode/load_log.h"
#include "scratch_folder.h"
#include "synth/drive.h"
#include "synth/peer_logs.h"

namespace {

using qv::bench::ScratchFolder;

constexpr qv::TDateTime kBase = 25569.0;
constexpr size_t kFixes = 180000;  // two hours at 25 Hz

const std::vector<qv::synth::SynthFix>& TwoHourDrive() {
    static const std::vector<qv::synth::SynthFix> fixes = [] {
        qv::synth::DriveOptions options;
        options.rateHz = 25;
        options.laps = 115;
        options.noiseM = 0.3;
        options.speedNoiseKmh = 0.3;
        std::vector<qv::synth::SynthFix> all =
            qv::synth::SynthesizeDrive(qv::synth::DemoCircuit(), options).fixes;
        all.resize(std::min(all.size(), kFixes));
        return all;
    }();
    return fixes;
}

enum class Kind { Nmea, Gpx, GpxWithSpeeds };

std::string Encode(Kind kind, const std::vector<qv::synth::SynthFix>& fixes) {
    switch (kind) {
        case Kind::Nmea:
            return qv::synth::EncodeNmeaLog(fixes);
        case Kind::Gpx:
            // Elevation, time and satellites, the speeds walked from the
            // positions, as most programs write GPX.
            return qv::synth::EncodeGpxLog(fixes, {.speeds = false});
        case Kind::GpxWithSpeeds:
            return qv::synth::EncodeGpxLog(fixes);
    }
    return {};
}

const char* Extension(Kind kind) {
    return kind == Kind::Nmea ? ".nmea" : ".gpx";
}

// The two-hour log of `kind` and one of its first ten fixes, written once
// into a folder that lives as long as the benchmark.
struct Logs {
    std::filesystem::path full, small;
    uintmax_t fullBytes = 0;
};

const Logs& LogsOf(Kind kind) {
    static ScratchFolder scratch;
    static Logs logs[3];
    Logs& l = logs[static_cast<int>(kind)];
    if (l.full.empty()) {
        const std::vector<qv::synth::SynthFix>& fixes = TwoHourDrive();
        const std::string name = "two_hours_" + std::to_string(static_cast<int>(kind));
        l.full = scratch.path / (name + Extension(kind));
        l.small = scratch.path / (name + "_head" + Extension(kind));
        const std::string text = Encode(kind, fixes);
        std::ofstream(l.full, std::ios::binary)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
        const std::string head = Encode(kind, {fixes.begin(), fixes.begin() + 10});
        std::ofstream(l.small, std::ios::binary)
            .write(head.data(), static_cast<std::streamsize>(head.size()));
        l.fullBytes = text.size();
    }
    return l;
}

void OpenLog(benchmark::State& state, Kind kind) {
    const Logs& logs = LogsOf(kind);
    auto session = std::make_unique<qv::Session>(kBase);
    for (auto _ : state) {
        const qv::LoadLogResult result = qv::LoadLogFile(*session, logs.full);
        if (!result.proceed) {
            state.SkipWithError("the log was not opened");
            break;
        }
        benchmark::DoNotOptimize(session->log.LogItems[0].Spd);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * logs.fullBytes));
    state.counters["fixes"] = session->log.LogItemNum;
    state.counters["file_MB"] = static_cast<double>(logs.fullBytes) / 1e6;
}

void BM_OpenNmeaTwoHours25Hz(benchmark::State& state) {
    OpenLog(state, Kind::Nmea);
}
BENCHMARK(BM_OpenNmeaTwoHours25Hz)->Unit(benchmark::kMillisecond);

void BM_OpenGpxTwoHours25Hz(benchmark::State& state) {
    OpenLog(state, Kind::Gpx);
}
BENCHMARK(BM_OpenGpxTwoHours25Hz)->Unit(benchmark::kMillisecond);

// With a speed extension in every point: two fifths more to parse.
void BM_OpenGpxWithSpeedsTwoHours25Hz(benchmark::State& state) {
    OpenLog(state, Kind::GpxWithSpeeds);
}
BENCHMARK(BM_OpenGpxWithSpeedsTwoHours25Hz)->Unit(benchmark::kMillisecond);

// Peak resident KiB of `quorvane-cli info FILE` in a fresh process; -1 when
// it failed.
long CliInfoPeakKiB(const std::filesystem::path& file) {
    const std::string command = "'/proc/" + std::to_string(getpid()) + "/exe' --peak-rss-of '" +
                                qv::bench::CliPath() + "' info '" + file.string() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    long kib = -1;
    const bool read = pipe != nullptr && std::fscanf(pipe, "%ld", &kib) == 1;
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    return read && status == 0 ? kib : -1;
}

// What opening the two-hour log adds to the program's memory: its fixes in
// the store and whatever the reader holds while it reads.
void CliOpenPeakMemory(benchmark::State& state, Kind kind) {
    if (qv::bench::CliPath().empty()) {
        state.SkipWithError("pass --cli=PATH to quorvane-cli");
        return;
    }
    const Logs& logs = LogsOf(kind);
    long full = 0, small = 0;
    for (auto _ : state) {
        full = CliInfoPeakKiB(logs.full);
        small = CliInfoPeakKiB(logs.small);
        if (full < 0 || small < 0) {
            state.SkipWithError("quorvane-cli info failed");
            return;
        }
    }
    const double addedBytes = static_cast<double>(full - small) * 1024;
    state.counters["peak_MiB"] = static_cast<double>(full) / 1024;
    state.counters["added_MB"] = addedBytes / 1e6;
    state.counters["added_x_file"] = addedBytes / static_cast<double>(logs.fullBytes);
}

void BM_CliOpenNmeaPeakMemory(benchmark::State& state) {
    CliOpenPeakMemory(state, Kind::Nmea);
}
BENCHMARK(BM_CliOpenNmeaPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_CliOpenGpxPeakMemory(benchmark::State& state) {
    CliOpenPeakMemory(state, Kind::Gpx);
}
BENCHMARK(BM_CliOpenGpxPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
