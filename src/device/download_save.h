#pragma once
// The end of a download: decode the image, write its check value, save the
// raw log (never replacing a file without asking) and name the log.

#include <filesystem>
#include <string>

#include "core/date_time.h"
#include "core/prompter.h"
#include "device/logger_model.h"
#include "laps/lap_session.h"

namespace qv {

inline constexpr const char* kMsgNoTrace2 = "There is not a trace.";
inline constexpr const char* kMsgBadFormat = "Contains data that is incorrectly formatted.";
inline constexpr const char* kSaveLogTitle = "Save log data as...";
inline constexpr const char* kSaveLogFilter =
    "Quorvane4 GPS data files|*.bnx4;*.binx;*.bin|Quorvane GPS data files|*.binx;*.bin";
extern const char* const kMsgLowLogMemory;

struct DownloadSaveResult {
    int fixCount = 0;
    bool enoughFixes = false;  // two or more: the log goes on to the log-block dialog
    bool saved = false;
    std::filesystem::path savedPath;
    std::string logName;  // the saved file's name without folder and extension, or the default
    std::string error;    // the platform's message when the file could not be written
};

// `usedMemory` is the log next address status field (hexadecimal text);
// `now` the local time that names the log.
DownloadSaveResult FinishDownload(LapSession& session, Prompter& prompter, LoggerModel model,
                                  const std::string& usedMemory, TDateTime now);

// How many bytes of the image the saved file holds.
size_t SavedImageSize(LoggerModel model, uint32_t used);

}  // namespace qv
