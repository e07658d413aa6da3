#include "decode/load_log.h"

#include <algorithm>
#include <span>

#include "core/display_format.h"
#include "core/record_reader.h"
#include "decode/bnx4_decoder.h"
#include "decode/dtb_log_decoder.h"
#include "decode/log_check_value.h"
#include "decode/mtk_decoder.h"
#include "decode/run_file_decoder.h"
#include "decode/smooth_speeds.h"

namespace qv {
namespace {

// Reads `size` bytes of `path` into the raw log buffer; false with the
// platform's message on failure.
bool ReadIntoRawLogBuf(LogSession& session, const std::filesystem::path& path, uintmax_t size,
                       std::string& error) {
    if (size > session.RawLogBuf.size()) {
        error = "the file does not fit the log buffer";
        return false;
    }
    RecordReader reader(path, 1);
    if (reader.ReadInto(std::span(session.RawLogBuf.data(), static_cast<size_t>(size))) == size)
        return true;
    // Fewer bytes than asked for without a failed read: the file was cut
    // after its size was taken.
    error = reader.Failed() ? reader.Error() : kFileEndedEarly;
    return false;
}

MtkTarget TargetOf(LogSession& session) {
    return MtkTarget{session.log, session.diagnostics, session.LocalTimeBase};
}

// .bin: exactly 4 MiB, and the whole check value must match.
void LoadBin(LogSession& session, const std::filesystem::path& path, LoadLogResult& result) {
    result.sizeOk = result.fileSize == kBinImageSize;
    if (!result.sizeOk) {
        result.message = kMsgNotOurLogFormat;
        return;
    }
    if (!ReadIntoRawLogBuf(session, path, kBinImageSize, result.ioError))
        return;
    session.log.Reset();
    const std::span<const uint8_t> image(session.RawLogBuf.data(), kBinImageSize);
    DecodeMtkImage(TargetOf(session), image, kBinImageSize / kMtkSectorSize);
    result.decoded = true;
    if (session.log.LogItemNum > 0) {
        const bool ok =
            CheckValueMatchesExactly(StoredCheckValue(image), LogCheckValueOf(session.log));
        result.checkValue = ok ? CheckValueOutcome::Passed : CheckValueOutcome::Failed;
        if (!ok) {
            session.log.Reset();
            result.message = kMsgNotOurLogFormat;
            return;
        }
    } else if (session.log.UnexpectedFormatSeen) {
        result.message = kMsgNotOurLogFormat;
        return;
    }
    result.proceed = true;
}

// .binx: whole sectors up to 8 MiB; the check value's two lowest bytes are free.
void LoadBinx(LogSession& session, const std::filesystem::path& path, const LoadLogOptions& options,
              LoadLogResult& result) {
    result.sizeOk = result.fileSize % kMtkSectorSize == 0 && result.fileSize <= kBinxMaxSize;
    if (!result.sizeOk) {
        result.message = kMsgNotOurLogFormat;
        return;
    }
    const size_t size = static_cast<size_t>(result.fileSize);
    if (!ReadIntoRawLogBuf(session, path, size, result.ioError))
        return;
    session.log.Reset();
    const std::span<const uint8_t> image(session.RawLogBuf.data(), size);
    DecodeMtkImage(TargetOf(session), image, size / kMtkSectorSize);
    result.decoded = true;
    if (session.log.LogItemNum > 0) {
        const bool ok =
            CheckValueMatchesHigh8(StoredCheckValue(image), LogCheckValueOf(session.log));
        result.checkValue = ok ? CheckValueOutcome::Passed : CheckValueOutcome::Failed;
        if (!ok) {
            result.message = kMsgNotOurLogFormat;
            if (!options.diagnosticListVisible)
                return;
        }
    } else if (session.log.UnexpectedFormatSeen) {
        result.message = kMsgNotOurLogFormat;
        return;
    }
    result.proceed = true;
}

// .bnx4: whole 4-KiB blocks that fit the raw log buffer; the check value
// may differ by up to 0.1.
void LoadBnx4(LogSession& session, const std::filesystem::path& path, const LoadLogOptions& options,
              LoadLogResult& result) {
    result.sizeOk =
        result.fileSize % kBlock4kSize == 0 && result.fileSize <= session.RawLogBuf.size();
    if (!result.sizeOk) {
        result.message = kMsgNotOurLogFormat;
        return;
    }
    const size_t size = static_cast<size_t>(result.fileSize);
    std::fill_n(session.RawLogBuf.data(), session.RawLogBuf.size(), uint8_t{0xFF});
    if (!ReadIntoRawLogBuf(session, path, size, result.ioError))
        return;
    session.log.Reset();
    const std::span<const uint8_t> image(session.RawLogBuf.data(), size);
    DecodeBlock4kImage(TargetOf(session), image, size / kBlock4kSize);
    result.decoded = true;
    if (session.log.LogItemNum > 0) {
        const bool ok =
            CheckValueWithinTenth(StoredCheckValue(image), LogCheckValueOf(session.log));
        result.checkValue = ok ? CheckValueOutcome::Passed : CheckValueOutcome::Failed;
        if (!ok) {
            result.message = kMsgNotOurLogFormat;
            if (!options.diagnosticListVisible)
                return;
        }
        SmoothSpeeds(session.log);
    } else if (session.log.UnexpectedFormatSeen) {
        result.message = kMsgNotOurLogFormat;
        return;
    }
    result.proceed = true;
}

// Run files: no size rule of their own beyond whole records; the variants
// ending in 4 are smoothed by their decoder.
void LoadRunFile(LogSession& session, const std::filesystem::path& path, RunFileVariant variant,
                 LoadLogResult& result) {
    session.log.Reset();
    const RunFileResult run = LoadRunFileToLogItems(TargetOf(session), path, variant);
    result.sizeOk = run.sizeOk;
    result.decoded = true;
    if (!run.ioError.empty()) {
        result.ioError = run.ioError;
        return;
    }
    // A record with an impossible date ends the file; what came before stays.
    result.message = run.dateError;
    result.proceed = true;
}

// Lap data files: no size message; a file that is no whole number of
// records opens as a log of no fixes.
void LoadDtb(LogSession& session, const std::filesystem::path& path, LoadLogResult& result) {
    session.log.Reset();
    const DtbLogResult dtb = LoadLapFileBinToLogItems(session.log, path);
    result.sizeOk = dtb.isLapFile;
    result.decoded = true;
    if (!dtb.ioError.empty()) {
        result.ioError = dtb.ioError;
        return;
    }
    result.proceed = true;
}

}  // namespace

LoadLogResult LoadLogFile(LogSession& session, const std::filesystem::path& path,
                          const LoadLogOptions& options) {
    LoadLogResult result;
    result.kind = LogFileKindOf(path);
    std::error_code ec;
    result.exists = std::filesystem::is_regular_file(path, ec);
    if (!result.exists || result.kind == LogFileKind::Unknown)
        return result;
    result.fileSize = std::filesystem::file_size(path, ec);
    if (ec) {
        result.ioError = ec.message();
        return result;
    }

    switch (result.kind) {
        case LogFileKind::Bin:
            result.supported = true;
            LoadBin(session, path, result);
            break;
        case LogFileKind::Binx:
            result.supported = true;
            LoadBinx(session, path, options, result);
            break;
        case LogFileKind::Bnx4:
            result.supported = true;
            LoadBnx4(session, path, options, result);
            break;
        case LogFileKind::Dtb:
            result.supported = true;
            LoadDtb(session, path, result);
            break;
        case LogFileKind::Bon:
            result.supported = true;
            LoadRunFile(session, path, RunFileVariant::Bon, result);
            break;
        case LogFileKind::Bon4:
            result.supported = true;
            LoadRunFile(session, path, RunFileVariant::Bon4, result);
            break;
        case LogFileKind::Bonz:
            result.supported = true;
            LoadRunFile(session, path, RunFileVariant::Bonz, result);
            break;
        case LogFileKind::Bnz4:
            result.supported = true;
            LoadRunFile(session, path, RunFileVariant::Bnz4, result);
            break;
        default:
            break;
    }
    if (result.proceed) {
        session.diagnostics.Insert(StrFormat("%d records", session.log.LogItemNum));
    }
    return result;
}

}  // namespace qv
