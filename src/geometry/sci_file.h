#pragma once
// The sector file (.sci): one gate per line, "lat1,lon1,lat2,lon2,pass",
// lines ending in CR LF, no header. At most the first four gates are used.

#include <filesystem>
#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "geometry/sector_gates.h"

namespace qv {

// Replaces `gates` with the gates of the file's lines. A line with more
// than three comma-separated fields is a gate (unparsable numbers read as
// 0); a missing, unparsable or non-positive pass number reads as 1, since
// no crossing count can ever reach it.
void ParseSectLines(const std::vector<std::string>& lines, GateTable& gates);

// "%.6f,%.6f,%.6f,%.6f,%d" per gate in use, each line ending in CR LF.
std::string FormatSectText(const GateTable& gates);

struct SectReadResult {
    bool ok = false;
    std::string error;  // the platform's message when the file could not be read
};

// `ReadSectFile`: replaces the gate table from the file. A file that cannot
// be read leaves the table as it was.
SectReadResult ReadSectFile(const std::filesystem::path& path, GateTable& gates);

// `WriteSectFile`: writes the gates in use, replacing the file as a whole.
WriteResult WriteSectFile(const std::filesystem::path& path, const GateTable& gates);

}  // namespace qv
