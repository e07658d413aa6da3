// Decoding .bnx4 logs with the speed smoothing that follows: a full 16-MiB
// image, and a longer span that fills the 630,000-fix store.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "app/session.h"
#include "decode/bnx4_decoder.h"
#include "decode/smooth_speeds.h"
#include "synth/bnx4_encoder.h"
#include "synth/drive.h"

namespace {

constexpr qv::TDateTime kTokyoBase = 25569.0 + 540 / 1440.0;

// A long 20-Hz drive written until the image holds `maxBlocks` blocks (0:
// until the store would be full) in the basic format, 99 records a block.
std::vector<uint8_t> MakeImage(size_t maxBlocks) {
    qv::synth::DriveOptions options;
    options.rateHz = 20;
    options.laps = 520;
    options.noiseM = 0.5;
    options.speedNoiseKmh = 0.3;
    const qv::synth::Drive drive = qv::synth::SynthesizeDrive(qv::synth::DemoCircuit(), options);
    qv::synth::Bnx4WriterOptions writerOptions;
    writerOptions.maxBlocks = maxBlocks;
    writerOptions.localTimeBase = kTokyoBase;
    qv::synth::Bnx4ImageWriter writer(writerOptions);
    for (const qv::synth::SynthFix& fix : drive.fixes) {
        if (maxBlocks == 0 && writer.ExpectedFixes() >= qv::MaxLogItemNum)
            break;
        if (!writer.AddFix(fix))
            break;
    }
    return writer.Finish(maxBlocks);
}

const std::vector<uint8_t>& SixteenMiBImage() {
    static const std::vector<uint8_t> image = MakeImage(qv::kRawLogBufSize / qv::kBlock4kSize);
    return image;
}

const std::vector<uint8_t>& StoreFillingImage() {
    static const std::vector<uint8_t> image = MakeImage(0);
    return image;
}

qv::Session& BenchSession() {
    static auto session = std::make_unique<qv::Session>(kTokyoBase);
    return *session;
}

void DecodeAndSmooth(benchmark::State& state, const std::vector<uint8_t>& image) {
    qv::Session& session = BenchSession();
    const qv::MtkTarget target{session.log, session.diagnostics, session.LocalTimeBase};
    for (auto _ : state) {
        session.log.Reset();
        qv::DecodeBlock4kImage(target, image, image.size() / qv::kBlock4kSize);
        qv::SmoothSpeeds(session.log);
        benchmark::DoNotOptimize(session.log.LogItems[0].Spd);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * image.size()));
    state.counters["fixes"] = session.log.LogItemNum;
    state.counters["fixes_per_s"] = benchmark::Counter(
        static_cast<double>(session.log.LogItemNum), benchmark::Counter::kIsIterationInvariantRate);
}

// 4,096 blocks of 99 records: the most fixes a 16-MiB log can hold (405,504).
void BM_DecodeBnx4SixteenMiB(benchmark::State& state) {
    DecodeAndSmooth(state, SixteenMiBImage());
}
BENCHMARK(BM_DecodeBnx4SixteenMiB)->Unit(benchmark::kMillisecond);

// About 6,400 blocks (26 MB), more than a 16-MiB file can carry: the store
// fills to its 630,000 fixes.
void BM_DecodeBnx4FillStore(benchmark::State& state) {
    DecodeAndSmooth(state, StoreFillingImage());
}
BENCHMARK(BM_DecodeBnx4FillStore)->Unit(benchmark::kMillisecond);

// The smoothing alone over a full store.
void BM_SmoothSpeedsFullStore(benchmark::State& state) {
    qv::Session& session = BenchSession();
    const std::vector<uint8_t>& image = StoreFillingImage();
    session.log.Reset();
    qv::DecodeBlock4kImage({session.log, session.diagnostics, session.LocalTimeBase}, image,
                           image.size() / qv::kBlock4kSize);
    for (auto _ : state) {
        qv::SmoothSpeeds(session.log);
        benchmark::DoNotOptimize(session.log.LogItems[0].Spd);
    }
    state.counters["fixes_per_s"] = benchmark::Counter(
        static_cast<double>(session.log.LogItemNum), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SmoothSpeedsFullStore)->Unit(benchmark::kMillisecond);

}  // namespace
