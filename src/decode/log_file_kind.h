#pragma once
// The kinds of log file the program opens, told by their extension.

#include <filesystem>
#include <string_view>

namespace qv {

enum class LogFileKind {
    Unknown,
    Bin,   // older logger flash image, exactly 4 MiB
    Binx,  // older logger flash image, up to 8 MiB
    Bnx4,  // current logger log of 4-KiB blocks
    Dtb,   // lap data file
    Bon,   // run files
    Bon4,
    Bonz,
    Bnz4,
};

// By the upper-cased extension; anything else is Unknown.
LogFileKind LogFileKindOf(const std::filesystem::path& path);

// The extension's text without the dot, in lower case ("binx").
std::string_view LogFileKindName(LogFileKind kind);

}  // namespace qv
