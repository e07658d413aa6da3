#include "laps/lap_file_io.h"

#include <memory>

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
    // Into raw memory first: building the records before the read would
    // write them field by field only to overwrite them, and a lap is loaded
    // into a slot from here every time.
    const size_t bytes = reader.RecordCount() * kLapRecordSize;
    const std::unique_ptr<uint8_t[]> raw = std::make_unique_for_overwrite<uint8_t[]>(bytes);
    reader.ReadInto(std::span(raw.get(), bytes));
    if (reader.Failed()) {
        result.ioError = reader.Error();
        return result;
    }
    const auto* first = reinterpret_cast<const TLapElmRec*>(raw.get());
    result.samples.assign(first, first + reader.RecordCount());
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
