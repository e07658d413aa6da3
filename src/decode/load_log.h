#pragma once
// Reading a log file into the fix store: the checks on size and check value
// that decide whether a file is a genuine log of ours, then its decoder.
// The open-log command of the window and the command-line tool both start
// here.

#include <cstdint>
#include <filesystem>
#include <string>

#include "decode/file_kinds.h"
#include "decode/log_session.h"

namespace qv {

inline constexpr const char* kMsgNotOurLogFormat = "It is not a Quorvane log format.";

inline constexpr uintmax_t kBinImageSize = 4194304;  // 64 sectors
inline constexpr uintmax_t kBinxMaxSize = 8388608;   // 128 sectors

enum class CheckValueOutcome { NotChecked, Passed, Failed };

struct LoadLogOptions {
    // With the diagnostic list shown, a log whose check value does not match
    // is opened anyway, so that a damaged log can still be looked at.
    bool diagnosticListVisible = false;
    // Logs whose speeds are smoothed on opening get that pass; a caller that
    // shows no speed can leave it out.
    bool smoothSpeeds = true;
};

struct LoadLogResult {
    LogFileKind kind = LogFileKind::Unknown;
    bool exists = false;     // a regular file of that name exists
    bool supported = false;  // this build reads files of that kind
    uintmax_t fileSize = 0;
    bool sizeOk = false;
    bool decoded = false;  // the decoder ran over the file
    CheckValueOutcome checkValue = CheckValueOutcome::NotChecked;
    // The open-log command goes on: "%d records" is in the diagnostic list.
    bool proceed = false;
    std::string message;  // text of the message box to show, empty for none
    std::string ioError;  // the platform's message when the file could not be read
};

// Resets the log store and decodes `path` into the session's stores by its
// extension, following the open-log rules for that kind of file.
LoadLogResult LoadLogFile(LogSession& session, const std::filesystem::path& path,
                          const LoadLogOptions& options = {});

}  // namespace qv
