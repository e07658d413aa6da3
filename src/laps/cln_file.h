#pragma once
// The control-line file (.cln): one value per line, CR LF line ends.
//   "1", then the control line's two points (lat, lon, lat, lon), or
//   "2", the start line's two points, the finish line's two points and the
//   Rally option ("1" or "0").

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "core/prompter.h"
#include "core/stores.h"
#include "laps/line_state.h"

namespace qv {

inline constexpr const char* kClnFilter = "CLN files|*.cln";
inline constexpr const char* kClnOpenTitle = "Open control line, Start/Finish";
inline constexpr const char* kClnSaveTitle = "Save control line, Start/Finish as...";

// What a file set.
enum class ClnKind {
    None,         // nothing changed: too few lines, an unknown first line or a point line
    ControlLine,  // the control line set, start and finish cleared, Rally off
    StartFinish,  // start and finish set, the control line cleared
};

// Line 9 of a start/finish file: the log-block dialog takes the Rally
// option from it when present, a file chosen by circuit selection does not.
enum class ClnRally { FromFile, Ignored };

// Applies a file's lines to `lines`. Values are read with TextToFloat. A
// line whose two ends coincide would count as crossed on every step of a
// lap, so a file holding one changes nothing.
ClnKind ApplyClnLines(const std::vector<std::string>& fileLines, LineState& lines, ClnRally rally);

// The file text for the lines set: the control line when set, otherwise
// the start and finish lines when both are set; nothing when neither is.
std::optional<std::string> FormatClnText(const LineState& lines);

struct ClnReadResult {
    bool ok = false;  // the file was read (whether or not it set a line)
    ClnKind kind = ClnKind::None;
    std::string error;  // the platform's message when not ok
};

ClnReadResult ReadClnFile(const std::filesystem::path& path, LineState& lines, ClnRally rally);

// Fails without touching the file when FormatClnText has nothing to write.
WriteResult WriteClnFile(const std::filesystem::path& path, const LineState& lines);

// "Open control line": asks for a file (initial folder the control-line
// folder); the name gets the extension .cln and must exist; its folder
// becomes the control-line folder. With ClnKind::ControlLine the dialog
// chooses its control-line tool.
struct OpenControlLineResult {
    bool opened = false;  // a file was read
    ClnKind kind = ClnKind::None;
    std::string error;  // the platform's message, also shown
};
OpenControlLineResult OpenControlLine(Prompter& prompter, LineState& lines, Folders& folders);

// "Save control line": only with a control line, or both start and finish
// lines, set. The extension rule and the replace question of every save
// dialog apply.
struct SaveControlLineResult {
    bool saved = false;
    std::filesystem::path path;
    std::string error;  // the platform's message, also shown
};
SaveControlLineResult SaveControlLine(Prompter& prompter, const LineState& lines,
                                      const Folders& folders);

}  // namespace qv
