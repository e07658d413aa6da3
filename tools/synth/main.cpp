// quorvane-synth: writes synthetic logs for the demo data, tests and fuzzing.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "synth/bnx4_encoder.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/flash_images.h"
#include "synth/mtk_encoder.h"
#include "synth/peer_logs.h"
#include "synth/run_file_encoder.h"

namespace {

constexpr const char* kUsage =
    "usage: quorvane-synth demo SHIPPED_DIR\n"
    "       quorvane-synth mtk [--rate HZ] [--laps N] [--noise M] [--seed N] [--sectors N] "
    "OUT.binx\n"
    "       quorvane-synth fuzz-seeds DIR\n"
    "       quorvane-synth flash qv4|qv3|generic [--rate HZ] [--laps N] [--noise M] [--seed N]\n"
    "                      [--bytes N] OUT\n"
    "       quorvane-synth peer nmea|gpx|vbo [--rate HZ] [--laps N] [--noise M] [--seed N] "
    "OUT\n";

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

// A session on the demo circuit, each stint from the pit lane and back.
qv::synth::Drive DemoSession(const qv::synth::SessionOptions& options) {
    return qv::synth::SynthesizeSession(qv::synth::DemoCircuit(), qv::synth::PitLane{}, options);
}

// Writes one demo log and tells what it holds.
bool WriteDemoLog(const std::filesystem::path& path, const std::vector<uint8_t>& image,
                  const qv::synth::Drive& drive, bool crossings) {
    if (!WriteFile(path, image))
        return false;
    std::cout << "wrote " << path.string() << ": " << drive.fixes.size() << " fixes";
    if (crossings)
        std::cout << ", " << drive.crossingUtcMs.size() << " line crossings";
    std::cout << "\n";
    return true;
}

// Writes the demo logs into SHIPPED_DIR/Raw and the demo circuit's track
// map, control line and sector gates into Circuit, ControlLine and Sector.
int Demo(const std::filesystem::path& shipped) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const char* sub : {"Raw", "Circuit", "ControlLine", "Sector"}) {
        fs::create_directories(shipped / sub, ec);
        if (ec) {
            std::cerr << "quorvane-synth: cannot create " << shipped / sub << ": " << ec.message()
                      << "\n";
            return 1;
        }
    }
    // The older logger at 10 Hz with GPS noise: three flying laps, 20 minutes
    // with the logger off in the pit box, then four more; from 2024-04-29
    // 08:00 UTC.
    const qv::synth::Drive older = DemoSession({.rateHz = 10,
                                                .startUtcMs = 1714377600000,
                                                .stints = {3, 4},
                                                .breakS = 1200,
                                                .noiseM = 0.8,
                                                .speedNoiseKmh = 0.6,
                                                .seed = 20240429});
    if (!WriteDemoLog(shipped / "Raw" / "demo.binx", qv::synth::EncodeMtkImage(older.fixes), older,
                      true))
        return 1;
    // The current logger at 20 Hz: an out-lap from the pit lane, four flying
    // laps and an in-lap, the logger off for 15 minutes in the pit box, then
    // the same again. Less noise than at 10 Hz: white noise on every fix of a
    // fast log would lengthen the summed lap distance far beyond a real
    // logger's. From 2024-11-03 08:00 UTC.
    const qv::synth::Drive current = DemoSession({.rateHz = 20,
                                                  .startUtcMs = 1730620800000,
                                                  .stints = {4, 4},
                                                  .breakS = 900,
                                                  .noiseM = 0.1,
                                                  .speedNoiseKmh = 0.4,
                                                  .seed = 20241103});
    if (!WriteDemoLog(shipped / "Raw" / "demo.bnx4", qv::synth::EncodeBnx4Image(current.fixes),
                      current, true))
        return 1;

    // A drift session from the motion logger at 10 Hz: out of the pit lane,
    // three flying laps that differ in the corners as the circuit demo's do,
    // so that two of them have a time difference to show, and back in. The
    // car points 30 degrees into every corner it takes faster than 20
    // degrees per second. From 2024-11-04 08:00 UTC.
    const qv::synth::Drive drifting = DemoSession({.rateHz = 10,
                                                   .startUtcMs = 1730707200000,
                                                   .stints = {3},
                                                   .vmaxKmh = 120,
                                                   .seed = 20241104});
    qv::synth::RunFileEncodeOptions driftEncode;
    driftEncode.driftDeg = qv::synth::DriftInCorners(drifting.fixes, 30, 20);
    if (!WriteDemoLog(
            shipped / "Raw" / "demo_drift.bonz",
            qv::synth::EncodeRunFile(drifting.fixes, qv::RunFileVariant::Bonz, driftEncode),
            drifting, false))
        return 1;

    const qv::synth::Circuit circuit = qv::synth::DemoCircuit();
    const fs::path scratch = shipped / ".circuit.tmp";
    fs::create_directories(scratch, ec);
    const qv::synth::CircuitFilesResult files =
        qv::synth::WriteCircuitFiles(circuit, scratch, "demo");
    if (!files.ok) {
        std::cerr << "quorvane-synth: " << files.error << "\n";
        fs::remove_all(scratch, ec);
        return 1;
    }
    const std::pair<fs::path, const char*> moves[] = {{files.paths.pth, "Circuit"},
                                                      {files.paths.cln, "ControlLine"},
                                                      {files.paths.sci, "Sector"}};
    for (const auto& [from, sub] : moves) {
        const fs::path to = shipped / sub / from.filename();
        fs::rename(from, to, ec);
        if (ec) {
            std::cerr << "quorvane-synth: cannot move to " << to << ": " << ec.message() << "\n";
            fs::remove_all(scratch, ec);
            return 1;
        }
        std::cout << "wrote " << to.string() << "\n";
    }
    fs::remove_all(scratch, ec);
    return 0;
}

// The drive options shared by the image subcommands; true when args[i]
// was one (and i now stands on its value).
bool TakeDriveOption(const std::vector<std::string>& args, size_t& i,
                     qv::synth::DriveOptions& options) {
    const std::string& a = args[i];
    if (i + 1 >= args.size())
        return false;
    if (a == "--rate") {
        options.rateHz = std::atof(args[++i].c_str());
    } else if (a == "--laps") {
        options.laps = std::atoi(args[++i].c_str());
    } else if (a == "--noise") {
        options.noiseM = std::atof(args[++i].c_str());
    } else if (a == "--seed") {
        options.seed = static_cast<uint32_t>(std::strtoul(args[++i].c_str(), nullptr, 10));
    } else {
        return false;
    }
    return true;
}

// The arguments of an image subcommand from args[first] on: the drive
// options, the option `extra` whose value `takeExtra` reads, and the output
// name. False, with the usage told, on anything else.
bool ParseImageArgs(const std::vector<std::string>& args, size_t first,
                    qv::synth::DriveOptions& options, const std::string& extra,
                    const std::function<void(const std::string&)>& takeExtra, std::string& out) {
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (TakeDriveOption(args, i, options)) {
            continue;
        } else if (a == extra && hasValue) {
            takeExtra(args[++i]);
        } else if (out.empty() && !a.empty() && a[0] != '-') {
            out = a;
        } else {
            std::cerr << kUsage;
            return false;
        }
    }
    return true;
}

int Mtk(const std::vector<std::string>& args) {
    qv::synth::DriveOptions options;
    size_t sectors = 0;
    std::string out;
    const auto takeSectors = [&sectors](const std::string& v) {
        sectors = static_cast<size_t>(std::atoi(v.c_str()));
    };
    if (!ParseImageArgs(args, 0, options, "--sectors", takeSectors, out))
        return 2;
    if (out.empty() || options.rateHz <= 0 || options.laps < 0) {
        std::cerr << kUsage;
        return 2;
    }
    const qv::synth::Drive drive = SynthesizeDrive(qv::synth::DemoCircuit(), options);
    return WriteFile(out, qv::synth::EncodeMtkImage(drive.fixes, 0x8004107D, sectors)) ? 0 : 1;
}

// A logger's whole flash holding a drive, for the simulated logger.
int Flash(const std::vector<std::string>& args) {
    qv::synth::DriveOptions options = qv::synth::FlashDriveOptions();
    const std::string model = args.empty() ? "" : args[0];
    size_t bytes = model == "qv4"       ? qv::synth::kQv4FlashBytes
                   : model == "qv3"     ? qv::synth::kQv3FlashBytes
                   : model == "generic" ? qv::synth::kGenericFlashBytes
                                        : 0;
    std::string out;
    const auto takeBytes = [&bytes](const std::string& v) {
        bytes = static_cast<size_t>(std::strtoull(v.c_str(), nullptr, 10));
    };
    if (!ParseImageArgs(args, 1, options, "--bytes", takeBytes, out))
        return 2;
    if (bytes == 0 || bytes > qv::synth::kQv4FlashBytes || out.empty() || options.rateHz <= 0 ||
        options.rateHz > 50 || options.laps < 0) {
        std::cerr << kUsage;
        return 2;
    }
    const qv::synth::FlashImage image = model == "qv4"
                                            ? qv::synth::MakeQv4FlashImage(options, bytes)
                                            : qv::synth::MakeMtkFlashImage(options, bytes);
    if (!WriteFile(out, image.bytes))
        return 1;
    std::cout << "wrote " << out << ": " << image.expectedFixes << " fixes, "
              << image.drive.crossingUtcMs.size() << " line crossings, " << image.usedBytes
              << " bytes used\n";
    return 0;
}

// A drive on the demo circuit as another logger logs it: NMEA with GGA,
// GPX with speeds, or VBO text in km/h.
int Peer(const std::vector<std::string>& args) {
    qv::synth::DriveOptions options;
    options.rateHz = 25;
    const std::string format = args.empty() ? "" : args[0];
    std::string out;
    if (!ParseImageArgs(
            args, 1, options, "", [](const std::string&) {}, out))
        return 2;
    if (out.empty() || options.rateHz <= 0 || options.rateHz > 50 || options.laps < 0 ||
        (format != "nmea" && format != "gpx" && format != "vbo")) {
        std::cerr << kUsage;
        return 2;
    }
    const qv::synth::Drive drive = SynthesizeDrive(qv::synth::DemoCircuit(), options);
    const std::string text = format == "nmea"  ? qv::synth::EncodeNmeaLog(drive.fixes)
                             : format == "gpx" ? qv::synth::EncodeGpxLog(drive.fixes)
                                               : qv::synth::EncodeVboLog(drive.fixes);
    if (!WriteFile(out, std::vector<uint8_t>(text.begin(), text.end())))
        return 1;
    std::cout << "wrote " << out << ": " << drive.fixes.size() << " fixes, "
              << drive.crossingUtcMs.size() << " line crossings\n";
    return 0;
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
    if (!args.empty() && args[0] == "flash")
        return Flash({args.begin() + 1, args.end()});
    if (!args.empty() && args[0] == "peer")
        return Peer({args.begin() + 1, args.end()});
    if (!args.empty() && args[0] == "mtk")
        return Mtk({args.begin() + 1, args.end()});
    std::cerr << kUsage;
    return 2;
}
