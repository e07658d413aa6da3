#include "app/library_reopen.h"

#include <system_error>

#include "app/library_lap_slot.h"

namespace qv {

LibraryReopen ReopenLibrarySession(SessionLibrary& library, int64_t sessionId) {
    LibraryReopen reopen;
    const std::optional<LibrarySession> session = library.FindSession(sessionId);
    if (!session) {
        reopen.message = "This session is no longer in the library.";
        return reopen;
    }
    std::error_code ec;
    const bool there = std::filesystem::is_regular_file(session->path, ec);
    // A read-only library cannot keep the mark; the message is the same.
    if (there != !session->missing && !library.ReadOnly())
        reopen.missingChanged = library.MarkMissing(sessionId, !there).ok;
    if (!there) {
        reopen.message = MissingLogMessage(session->path);
        return reopen;
    }
    reopen.open = true;
    reopen.path = session->path;
    return reopen;
}

}  // namespace qv
