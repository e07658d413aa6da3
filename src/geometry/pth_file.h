#pragma once
// The track map file (.pth): blocks of "<path>", one "lon,lat" line per
// point, "</path>", lines ending in CR LF.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/atomic_file.h"
#include "geometry/track_map.h"

namespace qv {

inline constexpr const char* kPthOpenTag = "<path>";
inline constexpr const char* kPthCloseTag = "</path>";
inline constexpr const char* kPthFilter = "Circuit files|*.pth";

// Replaces `store` with the polylines of the file's lines. Lines outside a
// block are ignored; inside one, a line with fewer than two comma-separated
// fields is skipped and a field that is not a number reads as 0.
void ParsePthLines(const std::vector<std::string>& lines, TrackMapStore& store);

// The file text of `store`, every line ending in CR LF.
std::string FormatPthText(const TrackMapStore& store);

struct PthReadResult {
    bool ok = false;
    std::string error;  // the platform's message when the file could not be read
};

// Replaces `store` with the file's track map. A file that cannot be read
// leaves `store` as it was.
PthReadResult ReadPthFile(const std::filesystem::path& path, TrackMapStore& store);

// Writes `store`, replacing the file as a whole.
WriteResult WritePthFile(const std::filesystem::path& path, const TrackMapStore& store);

}  // namespace qv
