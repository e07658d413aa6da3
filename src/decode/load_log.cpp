#include "decode/load_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>

#include "core/display_format.h"
#include "decode/log_check_value.h"
#include "decode/mtk_decoder.h"

namespace qv {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads `size` bytes of `path` into the raw log buffer; false with the
// platform's message on failure.
bool ReadIntoRawLogBuf(Session& session, const std::filesystem::path& path, uintmax_t size,
                       std::string& error) {
    if (size > session.RawLogBuf.size()) {
        error = "the file does not fit the log buffer";
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    const size_t got = std::fread(session.RawLogBuf.data(), 1, size, file.get());
    if (got != size) {
        error = std::ferror(file.get()) ? std::strerror(errno) : "the file ended early";
        return false;
    }
    return true;
}

MtkTarget TargetOf(Session& session) {
    return MtkTarget{session.log, session.diagnostics, session.LocalTimeBase};
}

// .bin: exactly 4 MiB, and the whole check value must match.
void LoadBin(Session& session, const std::filesystem::path& path, LoadLogResult& result) {
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
void LoadBinx(Session& session, const std::filesystem::path& path, const LoadLogOptions& options,
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

}  // namespace

LoadLogResult LoadLogFile(Session& session, const std::filesystem::path& path,
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
        default:
            break;
    }
    if (result.proceed) {
        session.diagnostics.Insert(StrFormat("%d records", session.log.LogItemNum));
    }
    return result;
}

}  // namespace qv
