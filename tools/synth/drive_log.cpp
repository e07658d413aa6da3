#include "synth/drive_log.h"

#include <algorithm>

#include "core/local_time.h"
#include "decode/log_blocks.h"
#include "laps/log_block_rules.h"

namespace qv::synth {

TDateTime LocalTimeOfUtcMs(double utcMs, TDateTime localTimeBase) {
    return LoggerTimeToLocal(utcMs / 1000.0, localTimeBase);
}

void LoadDriveIntoLog(const Drive& drive, LogStore& log, TDateTime localTimeBase) {
    log.Reset();
    const size_t count = std::min(drive.fixes.size(), static_cast<size_t>(MaxLogItemNum));
    for (size_t k = 0; k < count; ++k) {
        const SynthFix& f = drive.fixes[k];
        const int index = log.LogItemNum;
        TLogItem& fix = log.LogItems[index];
        fix = TLogItem{};
        fix.DtTm = LocalTimeOfUtcMs(static_cast<double>(f.utcMs), localTimeBase);
        fix.valid = 3;
        fix.Ido = f.lat;
        fix.Kdo = f.lon;
        fix.Elv = f.elv;
        fix.Spd = f.spd;
        fix.sat_used = f.satUsed;
        fix.sat_view = f.satView;
        fix.ms = static_cast<uint16_t>(f.utcMs % 1000);
        log.MotionItems[index] = TMotionSens{};
        AssignFixToBlock(log, index);
        ++log.LogItemNum;
    }
    SetAllBlocks(log, true);
}

}  // namespace qv::synth
