#pragma once
// The commands that need Qt Gui (report) or FFmpeg (video-sync) live in a
// companion program, so that every other command starts without loading
// those libraries. quorvane-cli hands such a command over by replacing
// itself with the companion, which prints and exits exactly as it would.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace qv::cli {

extern const char* const kCompanionName;

bool IsCompanionCommand(std::string_view command);

// Where the companion may lie for the tool at `self`, in the order tried:
// beside it, as in the build tree, then in the installed libexec folder.
std::vector<std::filesystem::path> CompanionPlaces(const std::filesystem::path& self);

// Replaces this process with the companion run on `args` (the command
// first). Returns only when that failed: exit code 1, the reason on `err`.
int RunInCompanion(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qv::cli
