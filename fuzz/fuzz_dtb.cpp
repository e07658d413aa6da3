// Arbitrary bytes opened as a lap data file log: whole records only, one
// fix per record up to the store's capacity, every fix in a run.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/session.h"
#include "decode/dtb_log_decoder.h"

namespace {

// The stores are large; build them once and reset them for every input.
qv::LogStore& FuzzLog() {
    static auto log = std::make_unique<qv::LogStore>();
    return *log;
}

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qv::LogStore& log = FuzzLog();
    log.Reset();
    const std::vector<uint8_t> file(data, data + size);
    const qv::DtbLogResult result = qv::DecodeLapRecordsToLogItems(log, file);

    const bool whole = size % sizeof(qv::TLapElmRec) == 0;
    Check(result.isLapFile == whole);
    const size_t records = whole ? size / sizeof(qv::TLapElmRec) : 0;
    Check(result.fileRecords == records);
    Check(static_cast<size_t>(log.LogItemNum) == records && result.storedFixes == log.LogItemNum);
    int counted = 0;
    for (const qv::TLogBlock& b : log.LogBlocks)
        counted += b.RecNum;
    Check(counted == log.LogItemNum);
    for (int i = 0; i < log.LogItemNum; ++i) {
        const qv::TLogItem& fix = log.LogItems[i];
        Check(fix.valid == 0 && fix.ms == 0 && fix.sat_used == fix.sat_view && !fix.Act);
        Check(fix.BlkIdx >= 0 && fix.BlkIdx < log.LogBlockNum());
        Check(log.MotionItems[i].gX == 0 && log.MotionItems[i].Yaw == 0);
        Check(!log.LogBlocks[fix.BlkIdx].Title.empty());
    }
    return 0;
}
