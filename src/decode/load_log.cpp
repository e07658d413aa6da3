#include "decode/load_log.h"

#include "core/display_format.h"

namespace qv {

LoadLogResult LoadLogFile(LogSession& session, const std::filesystem::path& path,
                          const LoadLogOptions& options) {
    LoadLogResult result;
    const FileKind* row = FindFileKind(path.extension().string());
    if (row != nullptr)
        result.kind = row->logKind;
    std::error_code ec;
    result.exists = std::filesystem::is_regular_file(path, ec);
    if (!result.exists || result.kind == LogFileKind::Unknown)
        return result;
    result.fileSize = std::filesystem::file_size(path, ec);
    if (ec) {
        result.ioError = ec.message();
        return result;
    }
    result.supported = row->readLog != nullptr;
    if (result.supported) {
        // Whatever the file, the line a previous log named is not this log's.
        session.fileStartLine.reset();
        row->readLog(session, path, options, result);
    }
    if (result.proceed) {
        session.diagnostics.Insert(StrFormat("%d records", session.log.LogItemNum));
    }
    return result;
}

}  // namespace qv
