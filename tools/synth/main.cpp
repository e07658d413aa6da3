// quorvane-synth: writes synthetic logs for the demo data, tests and fuzzing.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "synth/drive.h"
#include "synth/mtk_encoder.h"

namespace {

constexpr const char* kUsage =
    "usage: quorvane-synth demo OUT.binx\n"
    "       quorvane-synth mtk [--rate HZ] [--laps N] [--noise M] [--sectors N] OUT.binx\n"
    "       quorvane-synth fuzz-seeds DIR\n";

bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    // Written beside the target and renamed, so a failed write never leaves
    // half a log in place of a good one.
    const std::filesystem::path temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::cerr << "quorvane-synth: cannot write " << temp << "\n";
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::cerr << "quorvane-synth: cannot rename to " << path << ": " << ec.message() << "\n";
        return false;
    }
    return true;
}

// Two runs on the demo circuit at 10 Hz with GPS noise: three laps, a break
// of 20 minutes with the logger off, then four more laps with a pit stop.
qv::synth::Drive DemoDrive() {
    qv::synth::DriveOptions options;
    options.rateHz = 10;
    options.laps = 7;
    options.noiseM = 0.8;
    options.speedNoiseKmh = 0.6;
    options.seed = 20240429;
    options.gaps.push_back({3, 1200});
    options.pitStops.push_back({5, 45});
    return qv::synth::SynthesizeDrive(qv::synth::DemoCircuit(), options);
}

int Demo(const std::string& out) {
    const qv::synth::Drive drive = DemoDrive();
    if (!WriteFile(out, qv::synth::EncodeMtkImage(drive.fixes)))
        return 1;
    std::cout << "wrote " << out << ": " << drive.fixes.size() << " fixes, "
              << drive.crossingUtcMs.size() << " line crossings\n";
    return 0;
}

int Mtk(const std::vector<std::string>& args) {
    qv::synth::DriveOptions options;
    size_t sectors = 0;
    std::string out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--rate" && hasValue) {
            options.rateHz = std::atof(args[++i].c_str());
        } else if (a == "--laps" && hasValue) {
            options.laps = std::atoi(args[++i].c_str());
        } else if (a == "--noise" && hasValue) {
            options.noiseM = std::atof(args[++i].c_str());
        } else if (a == "--sectors" && hasValue) {
            sectors = static_cast<size_t>(std::atoi(args[++i].c_str()));
        } else if (out.empty() && !a.empty() && a[0] != '-') {
            out = a;
        } else {
            std::cerr << kUsage;
            return 2;
        }
    }
    if (out.empty() || options.rateHz <= 0 || options.laps < 0) {
        std::cerr << kUsage;
        return 2;
    }
    const qv::synth::Drive drive = SynthesizeDrive(qv::synth::DemoCircuit(), options);
    return WriteFile(out, qv::synth::EncodeMtkImage(drive.fixes, 0x8004107D, sectors)) ? 0 : 1;
}

// Small images (a part of one sector) that reach every branch of the decoder.
int FuzzSeeds(const std::filesystem::path& dir) {
    using qv::synth::MtkFault;
    qv::synth::DriveOptions options;
    options.laps = 0;
    const qv::synth::Drive drive = SynthesizeDrive(qv::synth::DemoCircuit(), options);
    std::filesystem::create_directories(dir);
    auto seed = [&](const char* name, uint32_t format, auto&& fill) {
        qv::synth::MtkImageWriter writer(format);
        fill(writer);
        std::vector<uint8_t> image = writer.Finish();
        image.resize(4096);  // a short image: the decoder must stop at its end
        return WriteFile(dir / name, image);
    };
    const auto& f = drive.fixes;
    bool ok = true;
    ok &= seed("plain", 0x8004107D, [&](auto& w) {
        for (size_t i = 0; i < 60; ++i)
            w.AddFix(f[i]);
    });
    ok &= seed("faults", 0x8004103D, [&](auto& w) {
        const MtkFault faults[] = {MtkFault::BadChecksum,    MtkFault::MissingStar,
                                   MtkFault::SpeedAbove2000, MtkFault::MillisecondOver,
                                   MtkFault::ZeroTime,       MtkFault::LatitudeOut};
        for (size_t i = 0; i < 60; ++i)
            w.AddFix(f[i], faults[i % 6]);
    });
    ok &= seed("separators", 0x8004107D, [&](auto& w) {
        for (size_t i = 0; i < 20; ++i)
            w.AddFix(f[i]);
        w.AddSeparator(2, 0x8005F07D);
        for (size_t i = 20; i < 40; ++i)
            w.AddFix(f[i]);
        w.AddSeparator(4, 0);
        w.AddSeparator(2, 0x0000003F);
        for (size_t i = 40; i < 50; ++i)
            w.AddFix(f[i]);
        w.AddBytes(std::vector<uint8_t>(20, 0xFF));
        w.AddSeparator(2, 0x8004103D);
        for (size_t i = 50; i < 60; ++i)
            w.AddFix(f[i]);
    });
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "demo")
        return Demo(args[1]);
    if (args.size() == 2 && args[0] == "fuzz-seeds")
        return FuzzSeeds(args[1]);
    if (!args.empty() && args[0] == "mtk")
        return Mtk({args.begin() + 1, args.end()});
    std::cerr << kUsage;
    return 2;
}
