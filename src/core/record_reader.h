#pragma once
// Reading a file of fixed-size binary records, optionally behind a
// fixed-size header, a bounded chunk at a time.
//
// The one rule for short and failed reads:
// - The size of the file when it is opened decides how many records it
//   holds: the whole records after the header (RecordCount). Bytes after the
//   last whole record are never delivered; TrailingBytes says how many there
//   are, so a format that allows whole records only refuses the file before
//   reading any. A file that grows while it is read is read to its size at
//   opening.
// - Reading ends at the first read that brings fewer bytes than the size
//   promised, whether from an I/O error or because the file shrank. The
//   whole records that did arrive are still delivered; from then on Failed()
//   is true and Error() holds the platform's message, or kFileEndedEarly for
//   a file that ended before its size said.
// - A path that names no regular file (nothing there, a folder) is Missing();
//   it and a file that cannot be opened are not open, with Error() saying why.
// Callers get records read so far plus the error text; whether a failure
// keeps or drops those records is the file kind's decision.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "core/file_handle.h"

namespace qv {

inline constexpr const char* kFileEndedEarly = "the file ended early";
// Records per chunk unless the reader is told otherwise: large reads at a
// bounded memory cost whatever the size of the log.
inline constexpr size_t kRecordsPerChunk = 4096;

class RecordReader {
  public:
    RecordReader(const std::filesystem::path& path, size_t recordSize, size_t headerSize = 0,
                 size_t recordsPerChunk = kRecordsPerChunk);

    bool IsOpen() const { return file_ != nullptr; }
    bool Missing() const { return missing_; }
    uintmax_t FileSize() const { return fileSize_; }
    size_t RecordCount() const { return recordCount_; }
    // Bytes after the last whole record; the whole file when it is shorter
    // than the header.
    uintmax_t TrailingBytes() const { return trailingBytes_; }
    // Open, with a complete header and nothing after the last whole record.
    bool WholeRecords() const {
        return IsOpen() && fileSize_ >= headerSize_ && trailingBytes_ == 0;
    }
    // The header, read on opening; empty when the file is shorter than the
    // header or reading it failed.
    std::span<const uint8_t> Header() const { return header_; }

    // The next whole records, at most the chunk size; empty at the end and
    // after a failure. The bytes stay valid until the next read.
    std::span<const uint8_t> NextChunk();
    // Reads the next records straight into `out` (as many as fit, at most
    // those left) and returns how many arrived.
    size_t ReadInto(std::span<uint8_t> out);

    size_t RecordsRead() const { return recordsRead_; }
    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }

  private:
    FileHandle file_;
    size_t recordSize_;
    size_t headerSize_;
    size_t recordsPerChunk_;
    bool missing_ = false;
    uintmax_t fileSize_ = 0;
    size_t recordCount_ = 0;
    uintmax_t trailingBytes_ = 0;
    size_t recordsRead_ = 0;
    std::vector<uint8_t> header_;
    std::vector<uint8_t> chunk_;
    std::string error_;
};

}  // namespace qv
