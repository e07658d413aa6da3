#pragma once
// The session library: every log added is kept in one SQLite file with its
// track, start time and laps, so that a track's sessions and personal bests
// can be found across days. The window and the command-line tool share it.
//
// One object is one connection and is used from one thread at a time; a
// background import opens its own object on the same file. Writers in two
// processes or threads wait for each other up to the busy timeout.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "library/library_records.h"

struct sqlite3;

namespace qv {

inline constexpr const char* kLibraryFileName = "library.sqlite";
// The schema this build writes; files of a newer one open read-only.
inline constexpr int kLibrarySchemaVersion = 3;

enum class LibraryOpenState {
    Ok,
    ReadOnlyNewer,  // written by a newer version: read-only
    StartedAfresh,  // the file was corrupt; moved aside, a new one started
    Failed,         // not open (message says why)
};

struct LibraryOpenResult {
    LibraryOpenState state = LibraryOpenState::Failed;
    std::string message;               // for the user; empty when all is well
    std::filesystem::path movedAside;  // StartedAfresh: where the old file went
};

// Success or the reason why not.
struct LibraryStatus {
    bool ok = true;
    std::string error;
};

class SessionLibrary {
  public:
    SessionLibrary() = default;
    ~SessionLibrary();
    SessionLibrary(const SessionLibrary&) = delete;
    SessionLibrary& operator=(const SessionLibrary&) = delete;

    // Opens the library file at `path`, creating it (and its folder) when
    // missing and bringing an older schema up to date.
    LibraryOpenResult Open(const std::filesystem::path& path);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    bool ReadOnly() const { return readOnly_; }
    const std::filesystem::path& Path() const { return path_; }

    // Every track, named ones first, then by name and id.
    std::vector<LibraryTrack> Tracks();
    std::optional<LibraryTrack> FindTrack(int64_t trackId);
    // The track whose name is `name`, or whose id it is as a number.
    std::optional<LibraryTrack> FindTrack(const std::string& nameOrId);
    // Names a track; an empty name is refused.
    LibraryStatus RenameTrack(int64_t trackId, const std::string& name);

    // The sessions of a track by local start time, oldest first.
    std::vector<LibrarySession> Sessions(int64_t trackId, const SessionFilter& filter = {});
    std::optional<LibrarySession> FindSession(int64_t sessionId);
    // The lap-by-lap record of a session, in lap order.
    std::vector<LibraryLap> Laps(int64_t sessionId);
    // Each session of the track with a flying lap, oldest first.
    std::vector<BestPoint> BestHistory(int64_t trackId);
    // The logger kinds present, for the filter.
    std::vector<std::string> LoggerKinds();

    // The file was not found where it was last seen (or is back).
    LibraryStatus MarkMissing(int64_t sessionId, bool missing = true);

    // The message of the last failure of any call.
    const std::string& LastError() const { return lastError_; }
    // The schema version of the open file.
    int SchemaVersion() const { return schemaVersion_; }

    // For the engine's writers (adding logs): the open connection.
    sqlite3* Handle() { return db_; }

  private:
    // Sets LastError(); false.
    bool Fail(const std::string& message);
    // Open and not read-only; else Fail().
    bool CanWrite();
    friend class LibraryWriter;
    sqlite3* db_ = nullptr;
    bool readOnly_ = false;
    int schemaVersion_ = 0;
    std::filesystem::path path_;
    std::string lastError_;
};

}  // namespace qv
