#pragma once
// The open routine of every kind of log: the size rules before decoding and
// the check-value rules after it. The table of file kinds names them; the
// open-log command reaches them only through that table.

#include <filesystem>

#include "decode/load_log.h"
#include "decode/run_file_decoder.h"

namespace qv {

// .bin: exactly 4 MiB, and the whole check value must match.
void ReadBinLog(LogSession& session, const std::filesystem::path& path,
                const LoadLogOptions& options, LoadLogResult& result);

// .binx: whole sectors up to 8 MiB; the check value's two lowest bytes are free.
void ReadBinxLog(LogSession& session, const std::filesystem::path& path,
                 const LoadLogOptions& options, LoadLogResult& result);

// .bnx4: whole 4-KiB blocks that fit the raw log buffer; the check value
// may differ by up to 0.1.
void ReadBnx4Log(LogSession& session, const std::filesystem::path& path,
                 const LoadLogOptions& options, LoadLogResult& result);

// Lap data files: no size message; a file that is no whole number of
// records opens as a log of no fixes.
void ReadDtbLog(LogSession& session, const std::filesystem::path& path,
                const LoadLogOptions& options, LoadLogResult& result);

// Run files: no size rule of their own beyond whole records; the variants
// ending in 4 are smoothed by their decoder.
void ReadRunFileLog(LogSession& session, const std::filesystem::path& path, RunFileVariant variant,
                    LoadLogResult& result);

template <RunFileVariant variant>
void ReadRunFileLogOf(LogSession& session, const std::filesystem::path& path,
                      const LoadLogOptions& /*options*/, LoadLogResult& result) {
    ReadRunFileLog(session, path, variant, result);
}

}  // namespace qv
