#pragma once
// Logs find their way into the session library by themselves: each log
// opened in the window and each downloaded log that was saved is added
// without a question, unless the setting says not to. Lap files are laps,
// not sessions, and stay out. Adding never holds up or undoes the opening:
// the adder queues the log and reports a failure later.

#include <filesystem>
#include <functional>

#include "core/settings.h"
#include "laps/open_log.h"

namespace qv {

enum class AutoAddDecision {
    Added,       // handed to the adder
    SettingOff,  // the user turned it off
    NoLog,       // nothing was read as a log (refused, cancelled, reopened)
    LapFile,     // a lap data file opened as a log
};

using LibraryLogAdder = std::function<void(const std::filesystem::path& log)>;

// The rule alone.
AutoAddDecision DecideAutoAdd(const Settings& settings, const std::filesystem::path& log);

// After the open-log steps: the file the command read, when it read one.
AutoAddDecision AutoAddOpenedLog(const Settings& settings, const OpenLogOutcome& outcome,
                                 const LibraryLogAdder& add);

// After a download: the raw log as saved; nothing when it was not saved.
AutoAddDecision AutoAddDownloadedLog(const Settings& settings, bool saved,
                                     const std::filesystem::path& savedPath,
                                     const LibraryLogAdder& add);

}  // namespace qv
