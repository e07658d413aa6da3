#pragma once
// A session of the library opened again: its log goes through the open-log
// command when it is still where the library last saw it. A log that has
// gone leaves its session in the library, marked missing, and says so; one
// that is back loses the mark.

#include <cstdint>
#include <filesystem>
#include <string>

#include "library/session_library.h"

namespace qv {

struct LibraryReopen {
    bool open = false;  // open `path` with the open-log command
    std::filesystem::path path;
    std::string message;          // why not; empty when it opens
    bool missingChanged = false;  // the session's mark changed: the page reads it again
};

LibraryReopen ReopenLibrarySession(SessionLibrary& library, int64_t sessionId);

}  // namespace qv
