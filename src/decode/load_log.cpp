#include "decode/load_log.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include "core/display_format.h"

namespace qv {
namespace {

// A full image touches tens of megabytes of fresh store, and on small pages
// the page faults cost more than the decoding itself. Huge pages are only
// advice: where the system refuses them nothing else changes.
template <typename T>
void AdviseHugePages(FixedArray<T>& array) {
#if defined(MADV_HUGEPAGE)
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0)
        return;
    const uintptr_t mask = static_cast<uintptr_t>(pageSize) - 1;
    const uintptr_t begin = reinterpret_cast<uintptr_t>(array.data());
    const uintptr_t first = (begin + mask) & ~mask;
    const uintptr_t last = (begin + array.size() * sizeof(T)) & ~mask;
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)array;
#endif
}

}  // namespace

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
        AdviseHugePages(session.RawLogBuf);
        AdviseHugePages(session.log.LogItems);
        AdviseHugePages(session.log.MotionItems);
        row->readLog(session, path, options, result);
    }
    if (result.proceed) {
        session.diagnostics.Insert(StrFormat("%d records", session.log.LogItemNum));
    }
    return result;
}

}  // namespace qv
