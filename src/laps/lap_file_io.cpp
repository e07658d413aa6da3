#include "laps/lap_file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/display_format.h"

namespace qv {

std::filesystem::path TempLapFilePath(const Folders& folders, int lapNo) {
    return folders.TempFolder / StrFormat("temp%.4d.dtb", lapNo);
}

std::filesystem::path TempLapFilePath(const Folders& folders, const std::string& lapNoText) {
    return folders.TempFolder / ("temp" + lapNoText + ".dtb");
}

LapFileRead ReadLapFile(const std::filesystem::path& path) {
    LapFileRead result;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return result;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size % kLapRecordSize != 0)
        return result;
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        result.ioError = std::strerror(errno);
        return result;
    }
    result.samples.resize(static_cast<size_t>(size / kLapRecordSize));
    const size_t got =
        std::fread(result.samples.data(), kLapRecordSize, result.samples.size(), file.get());
    if (got != result.samples.size()) {
        // The file changed under us; keep only whole records that arrived.
        result.samples.resize(got);
        if (std::ferror(file.get())) {
            result.ioError = std::strerror(errno);
            result.samples.clear();
            return result;
        }
    }
    result.isLapFile = true;
    return result;
}

WriteResult WriteLapFile(const std::filesystem::path& path, std::span<const TLapElmRec> samples,
                         bool durable) {
    return WriteFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(samples.data()), samples.size_bytes()),
        durable);
}

}  // namespace qv
