#pragma once
// A lap data file opened as a log: every 128-byte record becomes one fix,
// grouped into logging runs like the fixes of every other log.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "core/records.h"
#include "core/stores.h"

namespace qv {

struct DtbLogResult {
    bool isLapFile = false;  // the size is a whole number of records
    size_t fileRecords = 0;
    int storedFixes = 0;
    int64_t droppedRecords = 0;  // records that found the fix store full
    std::string ioError;         // the platform's message when the file could not be read
};

// The fix of one lap sample; Act and BlkIdx are left for the block rule.
TLogItem LogItemOfLapSample(const TLapElmRec& sample);

// Appends the records in `bytes` to the store (the caller resets it first);
// nothing when the size is not a multiple of 128.
DtbLogResult DecodeLapRecordsToLogItems(LogStore& log, std::span<const uint8_t> bytes);

// The same from a file, read in pieces; a missing file is no lap file. A
// read that fails part way keeps the fixes stored before it, with ioError.
DtbLogResult LoadLapFileBinToLogItems(LogStore& log, const std::filesystem::path& path);

}  // namespace qv
