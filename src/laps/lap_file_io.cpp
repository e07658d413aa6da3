#include "laps/lap_file_io.h"

#include "core/display_format.h"
#include "core/record_reader.h"

namespace qv {

std::filesystem::path TempLapFilePath(const Folders& folders, int lapNo) {
    return folders.TempFolder / StrFormat("temp%.4d.dtb", lapNo);
}

std::filesystem::path TempLapFilePath(const Folders& folders, const std::string& lapNoText) {
    return folders.TempFolder / ("temp" + lapNoText + ".dtb");
}

LapFileRead ReadLapFile(const std::filesystem::path& path) {
    LapFileRead result;
    RecordReader reader(path, kLapRecordSize);
    if (reader.Missing())
        return result;
    if (!reader.IsOpen()) {
        result.ioError = reader.Error();
        return result;
    }
    if (!reader.WholeRecords())
        return result;
    result.samples.resize(reader.RecordCount());
    reader.ReadInto(std::span(reinterpret_cast<uint8_t*>(result.samples.data()),
                              result.samples.size() * kLapRecordSize));
    if (reader.Failed()) {
        result.ioError = reader.Error();
        result.samples.clear();
        return result;
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
