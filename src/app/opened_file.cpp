#include "app/opened_file.h"

#include "decode/file_kinds.h"

namespace qv {

OpenedFileCommand CommandForOpenedFile(const std::filesystem::path& file) {
    const FileKind* kind = FindFileKind(file.extension().string());
    if (kind == nullptr)
        return OpenedFileCommand::LoadLogData;
    const LapListLoad load = LapListLoadOf(file);
    if (kind->inLapDataFilter || load == LapListLoad::TextLapFile || load == LapListLoad::MotecCsv)
        return OpenedFileCommand::LoadLapData;
    return OpenedFileCommand::LoadLogData;
}

}  // namespace qv
