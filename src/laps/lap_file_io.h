#pragma once
// Lap data files: N consecutive 128-byte TLapElmRec records, no header.
// The temporary lap file behind lap-list row n is "temp%.4d.dtb" in the
// temporary folder; every reader and writer uses that one spelling, so the
// name works on case-sensitive file systems too.

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "core/records.h"
#include "core/stores.h"

namespace qv {

inline constexpr size_t kLapRecordSize = sizeof(TLapElmRec);

// The temporary lap file of lap number `lapNo`.
std::filesystem::path TempLapFilePath(const Folders& folders, int lapNo);
// The temporary lap file of a lap-list row, from its column 1 text.
std::filesystem::path TempLapFilePath(const Folders& folders, const std::string& lapNoText);

struct LapFileRead {
    // The file exists and its size is a whole number of records.
    bool isLapFile = false;
    std::vector<TLapElmRec> samples;
    std::string ioError;  // the platform's message when reading failed
};

// Reads every record of a lap data file. A missing file or one whose size
// is not a multiple of 128 bytes is not a lap file (no error). A read that
// fails, or a file cut while it is read, gives no samples and ioError.
LapFileRead ReadLapFile(const std::filesystem::path& path);

// Writes the samples through a temporary name; `durable` as in
// WriteFileAtomically.
WriteResult WriteLapFile(const std::filesystem::path& path, std::span<const TLapElmRec> samples,
                         bool durable = true);

}  // namespace qv
