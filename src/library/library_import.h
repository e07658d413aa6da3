#pragma once
// Adding logs to the session library: each log is decoded and cut into laps
// by the same functions the open-log command uses, then stored in one
// transaction, so a log is in the library whole or not at all.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/settings.h"
#include "laps/circuit_index.h"
#include "library/session_library.h"

namespace qv {

// Sessions with no known circuit within this distance of an unnamed
// track's position belong to it.
inline constexpr double kUnnamedTrackRadiusKm = 2.0;

struct LibraryAddContext {
    // The circuit files of the user folder; null or empty: no circuit is
    // known and every track is found by position.
    const CircuitIndex* circuits = nullptr;
    Settings settings;            // lap limits: MinLapTime, MinLapDist, MinSatNum
    TDateTime localTimeBase = 0;  // as LocalTimeBaseFromBias gives it
};

enum class AddOutcome {
    Added,
    AlreadyThere,  // same content; its path is brought up to date
    Refused,       // `reason` says why; the library is unchanged
};

struct AddResult {
    AddOutcome outcome = AddOutcome::Refused;
    int64_t sessionId = 0;
    int64_t trackId = 0;
    bool pathUpdated = false;  // AlreadyThere: the log had moved
    std::string reason;
};

AddResult AddLog(SessionLibrary& library, const std::filesystem::path& path,
                 const LibraryAddContext& context);

// The log files under `folder` (all subfolders) that the library takes, in
// name order; a file path given is returned as it is.
std::vector<std::filesystem::path> LogFilesUnder(const std::filesystem::path& folderOrFile);

struct ImportProgress {
    size_t done = 0;
    size_t total = 0;
    std::filesystem::path current;
};

struct RefusedLog {
    std::filesystem::path path;
    std::string reason;
};

struct ImportReport {
    int added = 0;
    int alreadyThere = 0;
    std::vector<RefusedLog> refused;
    bool cancelled = false;  // what was added before stays
};

// Adds every log under each of `roots` (files or folders). `progress` is
// called before each log and once at the end, on the calling thread;
// `cancel` is read after each call, so a cancel set there stops before the
// next log.
ImportReport AddLogs(SessionLibrary& library, const std::vector<std::filesystem::path>& roots,
                     const LibraryAddContext& context, const std::atomic<bool>* cancel = nullptr,
                     const std::function<void(const ImportProgress&)>& progress = {});

}  // namespace qv
