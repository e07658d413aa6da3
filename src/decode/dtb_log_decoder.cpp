#include "decode/dtb_log_decoder.h"

#include <cstring>
#include <limits>

#include "core/record_reader.h"
#include "decode/log_blocks.h"

namespace qv {
namespace {

constexpr size_t kRecordSize = sizeof(TLapElmRec);

// A value beyond the float range becomes an infinity rather than relying on
// what the conversion of an out-of-range value does.
float ToFloat(Float80 v) {
    constexpr Float80 kMax = std::numeric_limits<float>::max();
    if (v > kMax)
        return std::numeric_limits<float>::infinity();
    if (v < -kMax)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(v);
}

double ToDouble(Float80 v) {
    constexpr Float80 kMax = std::numeric_limits<double>::max();
    if (v > kMax)
        return std::numeric_limits<double>::infinity();
    if (v < -kMax)
        return -std::numeric_limits<double>::infinity();
    return static_cast<double>(v);
}

// Adds whole records; returns false once the store is full.
bool AddRecords(LogStore& log, std::span<const uint8_t> bytes, DtbLogResult& result) {
    const size_t count = bytes.size() / kRecordSize;
    for (size_t k = 0; k < count; ++k) {
        if (log.LogItemNum >= MaxLogItemNum) {
            const int64_t rest = static_cast<int64_t>(count - k);
            log.DroppedRecords += rest;
            result.droppedRecords += rest;
            return false;
        }
        TLapElmRec sample;
        std::memcpy(&sample, bytes.data() + k * kRecordSize, kRecordSize);
        const int slot = log.LogItemNum;
        log.LogItems[slot] = LogItemOfLapSample(sample);
        log.MotionItems[slot] = TMotionSens{};
        AssignFixToBlock(log, slot);
        ++log.LogItemNum;
        ++result.storedFixes;
    }
    return true;
}

}  // namespace

TLogItem LogItemOfLapSample(const TLapElmRec& sample) {
    TLogItem fix;
    fix.DtTm = sample.DtTm;
    fix.valid = 0;
    fix.Ido = ToDouble(sample.Ido);
    fix.Kdo = ToDouble(sample.Kdo);
    fix.Elv = ToFloat(sample.Elv);
    fix.Spd = ToFloat(sample.Spd);
    fix.Dir = ToFloat(sample.Dir);
    fix.sat_used = static_cast<uint8_t>(sample.UseSat & 0xFF);
    fix.sat_view = fix.sat_used;
    fix.ms = 0;
    return fix;
}

DtbLogResult DecodeLapRecordsToLogItems(LogStore& log, std::span<const uint8_t> bytes) {
    DtbLogResult result;
    result.isLapFile = bytes.size() % kRecordSize == 0;
    if (!result.isLapFile)
        return result;
    result.fileRecords = bytes.size() / kRecordSize;
    AddRecords(log, bytes, result);
    return result;
}

DtbLogResult LoadLapFileBinToLogItems(LogStore& log, const std::filesystem::path& path) {
    DtbLogResult result;
    RecordReader reader(path, kRecordSize);
    if (reader.Missing())
        return result;
    if (!reader.IsOpen()) {
        result.ioError = reader.Error();
        return result;
    }
    result.isLapFile = reader.WholeRecords();
    if (!result.isLapFile)
        return result;
    result.fileRecords = reader.RecordCount();
    for (auto chunk = reader.NextChunk(); !chunk.empty(); chunk = reader.NextChunk()) {
        if (!AddRecords(log, chunk, result)) {
            const auto unread = static_cast<int64_t>(reader.RecordCount() - reader.RecordsRead());
            log.DroppedRecords += unread;
            result.droppedRecords += unread;
            return result;
        }
    }
    result.ioError = reader.Error();
    return result;
}

}  // namespace qv
