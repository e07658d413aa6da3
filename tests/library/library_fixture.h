#pragma once
// Small logs of a synthetic drive on the demo circuit for the library
// tests: each one moved in time (so its content differs) or in place.

#include <filesystem>
#include <string>
#include <vector>

#include "core/local_time.h"
#include "laps/circuit_index.h"
#include "library/library_import.h"
#include "library/session_library.h"
#include "support/temp_dir.h"
#include "synth/circuit_files.h"
#include "synth/drive.h"
#include "synth/run_file_encoder.h"

namespace qv::test {

// Three flying laps at 5 Hz: a run file of some 20 KB.
inline const synth::Drive& SmallDrive() {
    static const synth::Drive drive = [] {
        synth::DriveOptions options;
        options.rateHz = 5;
        options.laps = 3;
        return synth::SynthesizeDrive(synth::DemoCircuit(), options);
    }();
    return drive;
}

// The drive `days` later and `northKm` further north.
inline std::vector<uint8_t> SmallLogBytes(int days, double northKm = 0) {
    std::vector<synth::SynthFix> fixes = SmallDrive().fixes;
    for (synth::SynthFix& f : fixes) {
        f.utcMs += static_cast<int64_t>(days) * 86400000;
        f.lat += northKm / 111.2;
    }
    return synth::EncodeRunFile(fixes, RunFileVariant::Bon);
}

inline std::filesystem::path WriteSmallLog(const std::filesystem::path& folder, int days,
                                           double northKm = 0) {
    std::filesystem::create_directories(folder);
    const std::filesystem::path path =
        folder / ("log" + std::to_string(days) + "_" + std::to_string(northKm) + ".bon");
    WriteBytes(path, SmallLogBytes(days, northKm));
    return path;
}

// The demo circuit's files, written into `folder` and indexed.
inline CircuitIndex DemoCircuitIndex(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    synth::WriteCircuitFiles(synth::DemoCircuit(), folder, "democircuit");
    CircuitIndex index;
    index.trackMaps = BuildCircuitIndex(folder, CircuitFileKind::TrackMap, 0, 0);
    index.controlLines = BuildCircuitIndex(folder, CircuitFileKind::ControlLine, 0, 0);
    index.sectorGates = BuildCircuitIndex(folder, CircuitFileKind::SectorGates, 0, 0);
    return index;
}

// Local time is UTC.
inline LibraryAddContext AddContext(const CircuitIndex* circuits) {
    LibraryAddContext context;
    context.circuits = circuits;
    context.localTimeBase = LocalTimeBaseFromBias(0);
    return context;
}

}  // namespace qv::test
