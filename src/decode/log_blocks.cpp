#include "decode/log_blocks.h"

#include <cmath>

#include "core/date_time.h"

namespace qv {

void AssignFixToBlock(LogStore& log, int index, bool newBlock) {
    TLogItem& fix = log.LogItems[index];
    const double gapMinutes = std::fabs(fix.DtTm - log.PrevFixTime) * 1440.0;
    // Truncated to whole minutes, a gap of 1 or more opens a block; written as
    // a comparison so that a non-finite time from a damaged file does too.
    if (newBlock || log.LogBlocks.empty() || !(gapMinutes < 1.0)) {
        TLogBlock block;
        block.DtTm = fix.DtTm;
        block.Title = FormatDateTime("YYYYMMDD_HHNN", fix.DtTm);
        log.LogBlocks.push_back(std::move(block));
    }
    log.PrevFixTime = fix.DtTm;
    fix.Act = false;
    fix.BlkIdx = log.LogBlockNum() - 1;
    ++log.LogBlocks.back().RecNum;
}

}  // namespace qv
