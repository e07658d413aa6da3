#include "decode/log_readers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <span>

#include "core/record_reader.h"
#include "decode/bnx4_decoder.h"
#include "decode/dtb_log_decoder.h"
#include "decode/log_check_value.h"
#include "decode/mtk_decoder.h"
#include "decode/smooth_speeds.h"

namespace qv {
namespace {

// Maps the pages a read is about to fill in one call: faulting them in one
// by one from inside the read costs more than copying the file.
void PopulateForWrite(uint8_t* data, size_t size) {
#if defined(MADV_POPULATE_WRITE)
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0)
        return;
    const uintptr_t mask = static_cast<uintptr_t>(pageSize) - 1;
    const uintptr_t begin = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (begin + mask) & ~mask;
    const uintptr_t last = (begin + size) & ~mask;
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)size;
#endif
}

// Reads `size` bytes of `path` into the raw log buffer; false with the
// platform's message on failure.
bool ReadIntoRawLogBuf(LogSession& session, const std::filesystem::path& path, uintmax_t size,
                       std::string& error) {
    if (size > session.RawLogBuf.size()) {
        error = "the file does not fit the log buffer";
        return false;
    }
    PopulateForWrite(session.RawLogBuf.data(), static_cast<size_t>(size));
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

// The rules once an image is decoded: with fixes, its stored check value
// must pass `matches`; without, a record of an unexpected format refuses
// the file. False when the open stops here.
bool AcceptDecodedImage(LogSession& session, std::span<const uint8_t> image,
                        bool (*matches)(const CheckValueBytes&, Float80), bool openOnMismatch,
                        LoadLogResult& result) {
    result.decoded = true;
    if (session.log.LogItemNum == 0) {
        if (!session.log.UnexpectedFormatSeen)
            return true;
        result.message = kMsgNotOurLogFormat;
        return false;
    }
    const bool ok = matches(StoredCheckValue(image), LogCheckValueOf(session.log));
    result.checkValue = ok ? CheckValueOutcome::Passed : CheckValueOutcome::Failed;
    if (ok)
        return true;
    result.message = kMsgNotOurLogFormat;
    return openOnMismatch;
}

}  // namespace

void ReadBinLog(LogSession& session, const std::filesystem::path& path,
                const LoadLogOptions& /*options*/, LoadLogResult& result) {
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
    if (!AcceptDecodedImage(session, image, CheckValueMatchesExactly,
                            /*openOnMismatch=*/false, result)) {
        if (result.checkValue == CheckValueOutcome::Failed)
            session.log.Reset();
        return;
    }
    result.proceed = true;
}

void ReadBinxLog(LogSession& session, const std::filesystem::path& path,
                 const LoadLogOptions& options, LoadLogResult& result) {
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
    result.proceed = AcceptDecodedImage(session, image, CheckValueMatchesHigh8,
                                        options.diagnosticListVisible, result);
}

void ReadBnx4Log(LogSession& session, const std::filesystem::path& path,
                 const LoadLogOptions& options, LoadLogResult& result) {
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
    result.proceed = AcceptDecodedImage(session, image, CheckValueWithinTenth,
                                        options.diagnosticListVisible, result);
    if (options.smoothSpeeds && result.proceed && session.log.LogItemNum > 0)
        SmoothSpeeds(session.log);
}

void ReadRunFileLog(LogSession& session, const std::filesystem::path& path, RunFileVariant variant,
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

void ReadDtbLog(LogSession& session, const std::filesystem::path& path,
                const LoadLogOptions& /*options*/, LoadLogResult& result) {
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

}  // namespace qv
