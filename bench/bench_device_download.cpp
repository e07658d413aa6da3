// A full 16-MiB download from the simulated QV4 logger over a
// pseudo-terminal, and the program's processor use while the link is open
// but quiet.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "app/session.h"
#include "device/device_controller.h"
#include "device/real_timers.h"
#include "scratch_folder.h"
#include "support/sim_logger_process.h"
#include "synth/flash_images.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

class SavingPrompter : public qv::Prompter {
  public:
    explicit SavingPrompter(std::filesystem::path file) : file_(std::move(file)) {}
    void Inform(const std::string&, qv::MessageIcon) override {}
    bool AskYesNo(const std::string&, qv::MessageIcon) override { return true; }
    bool AskYesCancel(const std::string&, qv::MessageIcon) override { return true; }
    std::optional<std::string> ChooseOpenFile(const qv::FileDialogRequest&) override { return {}; }
    std::vector<std::string> ChooseOpenFiles(const qv::FileDialogRequest&) override { return {}; }
    std::optional<std::string> ChooseSaveFile(const qv::FileDialogRequest&) override {
        return file_.string();
    }

  private:
    std::filesystem::path file_;
};

void BM_Qv4FullDownload(benchmark::State& state) {
    qv::bench::ScratchFolder scratch;
    qv::synth::FlashImage image = qv::synth::MakeQv4FlashImage();
    image.bytes.back() = 0;  // the whole memory in use
    const auto flash = scratch.path / "flash.img";
    {
        std::ofstream out(flash, std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.bytes.data()),
                  static_cast<std::streamsize>(image.bytes.size()));
    }
    qv::test::SimLoggerProcess sim({"--model", "qv4", "--image", flash.string()});
    if (!sim.Started()) {
        state.SkipWithError("the simulated logger did not start");
        return;
    }
    auto session = std::make_unique<qv::Session>(qv::TDateTime{25569.0});
    SavingPrompter prompter(scratch.path / "log.bnx4");
    double cpu = 0;
    double bytes = 0;
    for (auto _ : state) {
        qv::RealTimers timers;
        qv::EventQueue queue;
        const std::string port = sim.DevicePath();
        qv::DeviceController controller(*session, prompter, timers, queue,
                                        [port] { return std::vector<std::string>(4, port); });
        const double before = CpuSeconds();
        controller.SpeedButtonLdGPSClick();
        qv::RunDeviceLoop(controller, queue, timers);
        cpu += CpuSeconds() - before;
        if (!controller.View().lastDownload.saved) {
            state.SkipWithError("the download failed");
            return;
        }
        bytes += 4094.0 * 4096.0;
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["cpu_s_per_MiB"] = cpu / (bytes / (1 << 20));
}
BENCHMARK(BM_Qv4FullDownload)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// An open link with nothing to do must leave the processor alone.
void BM_IdleOpenLink(benchmark::State& state) {
    qv::bench::ScratchFolder scratch;
    const auto flash = scratch.path / "flash.img";
    { std::ofstream out(flash, std::ios::binary); }
    qv::test::SimLoggerProcess sim({"--model", "qv4", "--image", flash.string()});
    if (!sim.Started()) {
        state.SkipWithError("the simulated logger did not start");
        return;
    }
    qv::EventQueue queue;
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        qv::DeviceLink link(queue);
        link.Open(sim.DevicePath(), qv::StepFlags{});
        const double before = CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += CpuSeconds() - before;
        link.Close();
    }
    state.counters["idle_cpu_percent"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_IdleOpenLink)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace
