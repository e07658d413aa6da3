#pragma once
// The program's own text files (track maps, control lines, sector gates):
// reading them as lines, and writing numbers and lines the way every one of
// them expects, whatever the process locale.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/ext80.h"

namespace qv {

// Larger files are refused rather than read into memory; the largest real
// track map is a few hundred kilobytes.
inline constexpr uintmax_t kMaxTextFileSize = 64 * 1024 * 1024;

// The lines of `text`, split at CR LF, LF or a lone CR. A line end after the
// last line adds no empty line, so "" gives no line and "a\r\n" one. A
// leading UTF-8 byte order mark is dropped.
std::vector<std::string> SplitTextLines(std::string_view text);

struct TextFileRead {
    bool ok = false;
    std::vector<std::string> lines;
    std::string error;  // the platform's message when not ok
};

// Reads and splits a whole file; fails for a missing file, a folder, an
// unreadable file and one larger than `maxSize` bytes.
TextFileRead ReadTextLines(const std::filesystem::path& path, uintmax_t maxSize = kMaxTextFileSize);

// Every line followed by CR LF.
std::string JoinCrLf(const std::vector<std::string>& lines);

// "%.6f": six decimals and a decimal point, never the locale's comma.
std::string FormatFixed6(Float80 value);

// A whole decimal integer with optional sign and blanks around it, within
// the 32-bit range; `fallback` for anything else.
int32_t TextToIntDef(std::string_view text, int32_t fallback);

}  // namespace qv
