#pragma once
// The open-log command: choose a log file, decode it with its checks, tick
// the plausible runs, let the user set lines in the log-block dialog, and
// cut the laps. "Reopen log data" runs the dialog and extraction again on
// the log in memory. The window and the command-line tool both run it.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/prompter.h"
#include "decode/load_log.h"
#include "laps/lap_extraction.h"
#include "laps/lap_session.h"

namespace qv {

inline constexpr const char* kMsgNoTrace = "There is not a trace.";

// The log-block dialog step. The window shows its dialog; tests and the
// command-line tool answer with given runs and lines.
class LogBlockDialogStep {
  public:
    virtual ~LogBlockDialogStep() = default;
    // Shown with the session's runs ticked as they are and LogRect as the
    // initial view; the dialog may change runs, ticks and lines. True when
    // it was closed with OK.
    virtual bool Show(LapSession& session, const std::string& logName) = 0;
};

struct OpenLogContext {
    LapSession& session;
    Prompter& prompter;
    LogBlockDialogStep& dialog;
    // Local standard time now; runs that start later are not ticked.
    std::function<TDateTime()> now;
};

inline constexpr const char* kOpenLogTitle = "Open log data";

struct OpenLogOutcome {
    LoadLogResult load;          // what reading the file found (empty for reopen)
    std::filesystem::path path;  // the file read; empty for reopen and downloads
    bool dialogShown = false;
    bool dialogOk = false;
    // Laps appended by the extraction. When it is not zero the caller
    // refreshes what depends on the lap list (best laps, sector and drift
    // columns) and shows the lap-list page.
    int lapsAdded = 0;
    std::vector<LapCandidate> candidates;  // the laps cut, listed or not
    std::string error;  // a lap file that could not be written, and why; already told
};

// "Load log data": asks for the file, then opens it.
OpenLogOutcome SpeedButtonLdLogFileClick(OpenLogContext& context);

// Opens `path` as the command does after the file dialog.
OpenLogOutcome OpenLogFile(OpenLogContext& context, const std::filesystem::path& path);

// "Reopen log data".
OpenLogOutcome SpeedButtonReLogClick(OpenLogContext& context);

// A log just downloaded and decoded into the session (named by
// `openLogName`): its plausible runs are ticked as for an opened file, then
// the dialog and the extraction run.
OpenLogOutcome OpenDownloadedLog(OpenLogContext& context);

}  // namespace qv
